#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "indicator/weight_series.h"
#include "verify/instrument.h"
#include "verify/mass.h"

namespace tamarack {

// Milliseconds on a clock that never goes back (the window's and the command line's: a steady
// clock; tests: a number they move).
using MonotonicMs = std::function<std::int64_t()>;

// A reading is taken when this many polls in a row show the same number and the Stable lamp is lit
// at the last of them. The indicator's own motion detection lights the lamp; the polls only
// confirm that the number holds, so a load that rests before its lamp lights is taken at once.
inline constexpr int kSteadyPolls = 3;
// How long a step waits for that before it gives up.
inline constexpr std::int64_t kSettleLimitMs = 30'000;

inline constexpr std::string_view kNotSettled = "The reading did not settle";
inline constexpr std::string_view kPollFailed = "The indicator did not answer the display poll";

enum class TakeState {
  kIdle,      // not started, or ended and not started again
  kWaiting,   // polls are being watched
  kTaken,     // Taken() holds the reading
  kStopped,   // the display showed something that is no reading of the scale: see Message()
  kTimedOut,  // kNotSettled; nothing was taken
};

// The exact value of a number the display shows.
Mass MassFromShown(const ShownNumber& number);

// Takes one reading off the display, fed with polls as the window or the command line makes
// them. It never waits, sleeps or polls by itself; the time comes from the clock it is given.
// While it waits, a poll that failed, a display that shows no number, another unit lamp than the
// instrument's or another number of decimals than its setup stops it with a message, so that no
// wrong reading is ever taken.
class ReadingTaker {
 public:
  ReadingTaker(const Instrument& instrument, MonotonicMs clock);

  // Begins (or begins again) to watch the polls; the settle time counts from here.
  void Start();
  // Forgets the reading under way; the state becomes kIdle.
  void Cancel();
  // One poll: its reading, or nothing when the poll failed. Ignored unless kWaiting.
  TakeState Feed(const std::optional<DisplayReading>& poll);
  // Ends a wait that has lasted kSettleLimitMs even when no poll comes.
  TakeState CheckTime();

  TakeState State() const { return state_; }
  // The reading once kTaken.
  std::optional<Mass> Taken() const { return taken_; }
  // Why it stopped or timed out; empty otherwise.
  const std::string& Message() const { return message_; }
  // When the wait began (the clock's time), for a window that shows the time left.
  std::int64_t StartedMs() const { return startedMs_; }

 private:
  TakeState Stop(std::string message, TakeState state = TakeState::kStopped);

  Instrument instrument_;
  MonotonicMs clock_;
  TakeState state_ = TakeState::kIdle;
  std::int64_t startedMs_ = 0;
  std::optional<Mass> last_;
  int steady_ = 0;
  std::optional<Mass> taken_;
  std::string message_;
};

}  // namespace tamarack
