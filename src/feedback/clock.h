#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>

namespace tamarack {

// The time as the rules see it: the PC's calendar for what is kept and printed (a record's date,
// a ticket's time), a monotonic clock for how long something takes (a progress line, a reading
// that must settle). Injected, so that tests run on a clock of their own.
class Clock {
 public:
  using Steady = std::chrono::steady_clock;

  virtual ~Clock() = default;
  // Seconds since the epoch.
  virtual std::time_t Now() const = 0;
  // Milliseconds since the epoch, for a time stamp finer than a second (a trend's rows); Now() in
  // whole seconds unless the clock knows better.
  virtual std::int64_t NowMs() const { return static_cast<std::int64_t>(Now()) * 1000; }
  virtual Steady::time_point Monotonic() const = 0;
};

// The PC's clocks.
const Clock& SystemClock();

}  // namespace tamarack
