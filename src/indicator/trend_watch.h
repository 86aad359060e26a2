#pragma once

#include <cstdint>

namespace tamarack {

// The tip of the "Trend" buttons that open the Weight Trend window.
inline constexpr const char* kTrendTip = "Plot the displayed weight over time";

// The trend's own polling ("Watch"), used while no other window polls the display.
inline constexpr std::uint32_t kWatchPeriodMs = 500;
// Another window counts as polling for this long after its last poll ended: its polls come every
// half second, and a failed one takes about a second.
inline constexpr double kOtherPollerQuietMs = 2000;

enum class WatchStep {
  kPoll,         // poll now
  kBusy,         // another exchange or a multi-exchange operation runs: try again shortly
  kOtherPoller,  // another window polls; its polls feed the trend
  kStop,         // the port is closed: Watch ends
};

struct WatchState {
  bool portOpen = false;
  bool operationRunning = false;  // an OperationScope lives
  bool exchangeRunning = false;   // an exchange is under way on the line
  double msSinceOtherPoll = 1e9;  // since another window's last poll ended
};

inline WatchStep NextWatchStep(const WatchState& s) {
  if (!s.portOpen) return WatchStep::kStop;
  if (s.operationRunning || s.exchangeRunning) return WatchStep::kBusy;
  if (s.msSinceOtherPoll < kOtherPollerQuietMs) return WatchStep::kOtherPoller;
  return WatchStep::kPoll;
}

}  // namespace tamarack
