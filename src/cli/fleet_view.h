#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tamarack::cli {

// Where one indicator of a running fleet stands, as the live view shows it.
struct FleetRowView {
  enum class Phase { kWaiting, kRunning, kSucceeded, kFailed };
  std::string port;
  int exchanges = 0;
  std::string state;  // what it does now, or how it ended
  Phase phase = Phase::kWaiting;
};

struct TerminalSize {
  int rows = 24;
  int columns = 80;
};

// The window of the terminal on `fd`; where the terminal does not tell, COLUMNS and LINES, and
// 24 by 80 for what neither gives.
TerminalSize TerminalSizeOf(int fd);

// One frame of the live view: a line of counts, then the running indicators, as many as the
// window holds, the last line saying how many more run when they do not all fit. The frame stays
// a line shorter than the window and every line narrower than it, so that a redraw in place never
// scrolls or wraps.
std::vector<std::string> LiveFrame(const std::vector<FleetRowView>& rows, TerminalSize size,
                                   std::size_t portWidth);

// Draws frames in place on a terminal: each frame over the one before.
class LiveView {
 public:
  // The bytes that replace the last frame drawn with `frame`.
  std::string Redraw(const std::vector<std::string>& frame);

 private:
  std::size_t drawn_ = 0;
};

}  // namespace tamarack::cli
