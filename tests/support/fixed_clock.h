#pragma once

#include <chrono>
#include <ctime>

#include "feedback/clock.h"

namespace tamarack::test {

// 7 December 2026, 09:30:45 UTC: where the tests' calendar stands still.
inline constexpr std::time_t kFixedNow = 1796635845;

// A clock that moves only when the test moves it.
class FixedClock : public Clock {
 public:
  std::time_t Now() const override { return now; }
  Steady::time_point Monotonic() const override { return monotonic; }

  // Both clocks forward by `by` (the calendar in whole seconds gone by).
  void Advance(std::chrono::milliseconds by) {
    const auto before = std::chrono::duration_cast<std::chrono::seconds>(elapsed_);
    elapsed_ += by;
    monotonic += by;
    now += static_cast<std::time_t>(
        (std::chrono::duration_cast<std::chrono::seconds>(elapsed_) - before).count());
  }

  std::time_t now = kFixedNow;
  Steady::time_point monotonic{};

 private:
  std::chrono::milliseconds elapsed_{0};
};

}  // namespace tamarack::test
