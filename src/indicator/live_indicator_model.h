#pragma once

#include <cstdint>
#include <string_view>

#include "feedback/user_feedback.h"
#include "indicator/display_decode.h"
#include "link/serial_link.h"
#include "link/transact.h"

namespace tamarack {

// Poll timer periods: the next poll starts kPollPeriodMs after a good one began, and at once
// after a failed one. Right after the window opens, a good first poll is followed by the next after
// kFirstGoodPollDelayMs, a failed one after kPollPeriodMs.
inline constexpr std::uint32_t kPollPeriodMs = 500;
inline constexpr std::uint32_t kPollAtOnceMs = 1;
inline constexpr std::uint32_t kFirstGoodPollDelayMs = 10;
// The blink timer's period.
inline constexpr std::uint32_t kBlinkPeriodMs = 500;
// A failed poll normally costs about a second of read time-out. When the port fails at once (the
// device is gone), the next poll still waits until this long after the failed one began, so that
// a dead port does not keep a core busy.
inline constexpr std::uint32_t kFailedPollCycleMs = 100;
// How long a poll that finds an exchange already running waits before it tries again.
inline constexpr std::uint32_t kBusyRetryMs = 50;

// The live indicator window's state while it is open.
struct LiveIndicatorModel {
  DisplayState display;
  // Toggled by the blink timer; clear when the window opens.
  bool blinkPhase = false;
  // An exchange (a poll or a key) is running. Message boxes run nested event loops during which
  // the timers keep firing; no second exchange may start then.
  bool exchangeRunning = false;
  // A port failure has been reported during the current streak of failed polls; a good poll ends
  // the streak.
  bool failureReported = false;
};

enum class PollOutcome { kGood, kFailed, kSkipped };

struct PollResult {
  PollOutcome outcome;
  // When timer 1 should fire next.
  std::uint32_t nextDelayMs;
};

// Timer 1: one poll through the model. Skipped while another exchange runs. A port failure (the
// transmit purge or a read failing outright) is reported once per streak of failed polls.
PollResult RunPoll(LiveIndicatorModel& model, SerialLink& link, UserFeedback& ui);

// The delay after the poll that runs when the window opens.
std::uint32_t FirstPollDelayMs(PollOutcome outcome);
// The delay after a later poll that took `pollTookMs`.
std::uint32_t NextPollDelayMs(PollOutcome outcome, std::uint32_t pollTookMs);

// A key button: sends its key code. The outcome is not reported; the next poll shows the
// indicator's reaction. Ignored (kBad) while another exchange runs.
TransactStatus PressIndicatorKey(LiveIndicatorModel& model, SerialLink& link, UserFeedback& ui,
                                 std::string_view keyCode);

// Timer 2: inverts the blink phase.
inline void ToggleBlink(LiveIndicatorModel& model) {
  model.blinkPhase = !model.blinkPhase;
}

}  // namespace tamarack
