// The fleet's live view on a terminal: what a frame holds for the window it has, and how frames
// replace each other.

#include "cli/fleet_view.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

namespace tamarack::cli {
namespace {

using Phase = FleetRowView::Phase;

std::vector<FleetRowView> Rows(int running, int succeeded, int failed, int waiting,
                               std::string state = "Write All") {
  std::vector<FleetRowView> rows;
  const auto add = [&](int count, Phase phase) {
    for (int i = 0; i < count; ++i) {
      rows.push_back({"/dev/pts/" + std::to_string(rows.size()), 7, state, phase});
    }
  };
  // Mixed, as a fleet under way is: the finished ones among the running.
  add(succeeded, Phase::kSucceeded);
  add(running, Phase::kRunning);
  add(failed, Phase::kFailed);
  add(waiting, Phase::kWaiting);
  return rows;
}

std::size_t Characters(const std::string& text) {
  std::size_t n = 0;
  for (const unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

bool WholeCharacters(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

TEST(FleetViewTest, AFrameHoldsTheCountsAndTheRunningRowsThatFit) {
  struct Case {
    const char* name;
    std::vector<FleetRowView> rows;
    TerminalSize size;
    std::string counts;
    std::size_t rowLines;  // running rows shown
    std::string last;      // the frame's last line, when it says how many more run
  };
  const Case cases[] = {
      {"all_fit",
       Rows(3, 2, 1, 1),
       {24, 80},
       "7 indicators: 3 running, 3 done, 1 failed, 1 waiting",
       3,
       ""},
      {"exactly_fit", Rows(22, 0, 0, 0), {24, 80}, "22 indicators: 22 running", 22, ""},
      {"hundreds",
       Rows(200, 50, 6, 0),
       {30, 120},
       "256 indicators: 200 running, 56 done",
       27,
       "... and 173 more running"},
      {"three_line_window", Rows(5, 0, 0, 0), {3, 80}, "5 indicators", 0, "... and 5 more running"},
      {"one_line_window", Rows(5, 0, 0, 0), {1, 80}, "5 indicators", 0, ""},
      {"none_running",
       Rows(0, 4, 4, 0),
       {24, 80},
       "8 indicators: 0 running, 8 done, 4 failed",
       0,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> frame = LiveFrame(c.rows, c.size, 12);
    ASSERT_FALSE(frame.empty());
    EXPECT_EQ(frame[0].rfind(c.counts, 0), 0u) << frame[0];
    EXPECT_LE(frame.size(), static_cast<std::size_t>(std::max(c.size.rows - 1, 1)));
    EXPECT_EQ(frame.size(), 1 + c.rowLines + (c.last.empty() ? 0 : 1));
    if (!c.last.empty()) {
      EXPECT_EQ(frame.back(), c.last);
    }
    for (std::size_t i = 1; i <= c.rowLines && i < frame.size(); ++i) {
      EXPECT_NE(frame[i].find("Write All"), std::string::npos) << frame[i];
    }
  }
}

// Only running indicators are listed, in the inventory's order.
TEST(FleetViewTest, FinishedAndWaitingIndicatorsAreCountedNotListed) {
  std::vector<FleetRowView> rows = {{"a", 1, "done", Phase::kSucceeded},
                                    {"b", 2, "Read All", Phase::kRunning},
                                    {"c", 0, "waiting", Phase::kWaiting},
                                    {"d", 3, "FAILED: x", Phase::kFailed},
                                    {"e", 4, "Verify", Phase::kRunning}};
  const std::vector<std::string> frame = LiveFrame(rows, {24, 80}, 4);
  ASSERT_EQ(frame.size(), 3u);
  EXPECT_EQ(frame[1], "b     2     Read All");
  EXPECT_EQ(frame[2], "e     4     Verify");
}

TEST(FleetViewTest, LinesStayNarrowerThanTheWindow) {
  const std::string wide = "F01.01 Read Value False! " + std::string(200, 'x');
  const std::string accented = std::string(40, 'a') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";
  for (const std::string& state : {wide, accented}) {
    for (const int columns : {20, 44, 80}) {
      SCOPED_TRACE(columns);
      for (const std::string& line : LiveFrame(Rows(30, 1, 1, 1, state), {10, columns}, 12)) {
        EXPECT_LT(Characters(line), static_cast<std::size_t>(columns)) << line;
        // A cut never splits a character.
        EXPECT_TRUE(WholeCharacters(line)) << line;
      }
    }
  }
}

TEST(FleetViewTest, EachFrameIsDrawnOverTheOneBefore) {
  LiveView view;
  EXPECT_EQ(view.Redraw({"a", "b", "c"}), "\r\x1b[2Ka\n\r\x1b[2Kb\n\r\x1b[2Kc\n\x1b[J");
  // Three lines up, then the shorter frame, and what is left of the old one is cleared.
  EXPECT_EQ(view.Redraw({"d"}), "\x1b[3A\r\x1b[2Kd\n\x1b[J");
  EXPECT_EQ(view.Redraw({"e", "f"}), "\x1b[1A\r\x1b[2Ke\n\r\x1b[2Kf\n\x1b[J");
}

// The terminal's own window comes first; COLUMNS and LINES serve where there is none.
TEST(FleetViewTest, TheWindowComesFromTheTerminalThenTheEnvironment) {
  struct Case {
    const char* name;
    bool terminal;
    const char* columns;
    const char* lines;
    TerminalSize expected;
  };
  const Case cases[] = {
      {"terminal_wins", true, "200", "90", {30, 120}},
      {"environment", false, "132", "50", {50, 132}},
      {"nothing", false, nullptr, nullptr, {24, 80}},
      {"garbage", false, "wide", "-3", {24, 80}},
  };
  winsize window{};
  window.ws_row = 30;
  window.ws_col = 120;
  int master = -1, slave = -1;
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &window), 0);
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [name, value] : {std::pair{"COLUMNS", c.columns}, {"LINES", c.lines}}) {
      if (value) {
        ::setenv(name, value, 1);
      } else {
        ::unsetenv(name);
      }
    }
    const TerminalSize size = TerminalSizeOf(c.terminal ? slave : pipeEnds[1]);
    EXPECT_EQ(size.rows, c.expected.rows);
    EXPECT_EQ(size.columns, c.expected.columns);
  }
  ::unsetenv("COLUMNS");
  ::unsetenv("LINES");
  for (const int fd : {master, slave, pipeEnds[0], pipeEnds[1]}) ::close(fd);
}

}  // namespace
}  // namespace tamarack::cli
