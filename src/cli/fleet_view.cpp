#include "cli/fleet_view.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace tamarack::cli {
namespace {

int FromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return *end == '\0' && value > 0 && value < 10000 ? static_cast<int>(value) : fallback;
}

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

// Cut to `width` characters, counting a UTF-8 sequence as one; a cut line ends in "...".
std::string Fit(const std::string& text, std::size_t width) {
  std::size_t characters = 0;
  for (const unsigned char c : text) characters += (c & 0xC0) != 0x80;
  if (characters <= width) return text;
  const std::size_t keep = width > 3 ? width - 3 : 0;
  std::size_t at = 0;
  for (std::size_t kept = 0; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if ((c & 0xC0) != 0x80 && kept++ == keep) break;
  }
  return text.substr(0, at) + std::string(std::min<std::size_t>(width, 3), '.');
}

}  // namespace

TerminalSize TerminalSizeOf(int fd) {
  TerminalSize size;
  winsize window{};
  const bool known = ::ioctl(fd, TIOCGWINSZ, &window) == 0;
  size.rows = known && window.ws_row > 0 ? window.ws_row : FromEnvironment("LINES", size.rows);
  size.columns =
      known && window.ws_col > 0 ? window.ws_col : FromEnvironment("COLUMNS", size.columns);
  return size;
}

std::vector<std::string> LiveFrame(const std::vector<FleetRowView>& rows, TerminalSize size,
                                   std::size_t portWidth) {
  using Phase = FleetRowView::Phase;
  int counts[4] = {};
  std::vector<const FleetRowView*> running;
  for (const FleetRowView& row : rows) {
    ++counts[static_cast<int>(row.phase)];
    if (row.phase == Phase::kRunning) running.push_back(&row);
  }
  const std::size_t width = static_cast<std::size_t>(std::max(size.columns - 1, 10));
  std::vector<std::string> frame;
  frame.push_back(Fit(std::to_string(rows.size()) + " indicators: " +
                          std::to_string(counts[static_cast<int>(Phase::kRunning)]) + " running, " +
                          std::to_string(counts[static_cast<int>(Phase::kSucceeded)] +
                                         counts[static_cast<int>(Phase::kFailed)]) +
                          " done, " + std::to_string(counts[static_cast<int>(Phase::kFailed)]) +
                          " failed, " + std::to_string(counts[static_cast<int>(Phase::kWaiting)]) +
                          " waiting",
                      width));
  // The counts, the rows, and the line the cursor rests on.
  if (size.rows < 3) return frame;
  const auto room = static_cast<std::size_t>(size.rows - 2);
  const bool allFit = running.size() <= room;
  const std::size_t shown = allFit ? running.size() : room - 1;
  for (std::size_t i = 0; i < shown; ++i) {
    const FleetRowView& row = *running[i];
    frame.push_back(Fit(
        Pad(row.port, portWidth) + "  " + Pad(std::to_string(row.exchanges), 5) + " " + row.state,
        width));
  }
  if (!allFit) {
    frame.push_back(
        Fit("... and " + std::to_string(running.size() - shown) + " more running", width));
  }
  return frame;
}

std::string LiveView::Redraw(const std::vector<std::string>& frame) {
  std::string bytes;
  if (drawn_ > 0) bytes += "\x1b[" + std::to_string(drawn_) + "A";
  for (const std::string& line : frame) bytes += "\r\x1b[2K" + line + "\n";
  // A frame shorter than the last leaves nothing of it below.
  bytes += "\x1b[J";
  drawn_ = frame.size();
  return bytes;
}

}  // namespace tamarack::cli
