// The command line's waits: never shorter than asked, however they are sliced, and cut short by
// Ctrl+C.

#include "cli/console_feedback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace tamarack::cli {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

TEST(ConsoleFeedbackTest, WaitsAtLeastWhatIsAsked) {
  // Below, at and across the 50 ms slices, short and long waits alike, and the plain sleep they
  // stand on.
  ConsoleFeedback ui;
  for (const std::uint32_t ms : {0U, 1U, 7U, 49U, 50U, 51U, 120U}) {
    SCOPED_TRACE(std::to_string(ms) + " ms");
    auto start = Clock::now();
    ui.ShortWait(ms);
    EXPECT_GE(MsSince(start), ms);
    start = Clock::now();
    ui.LongWait(ms, "Please Wait...");
    EXPECT_GE(MsSince(start), ms);
    start = Clock::now();
    SleepAtLeast(ms);
    EXPECT_GE(MsSince(start), ms);
  }
}

TEST(ConsoleFeedbackTest, AStoppedRunDoesNotWait) {
  const std::atomic<bool> stop{true};
  ConsoleFeedback ui(&stop);
  const auto start = Clock::now();
  ui.LongWait(6000, "Please Wait...");
  EXPECT_LT(MsSince(start), 6000);
}

}  // namespace
}  // namespace tamarack::cli
