#include "feedback/user_feedback.h"

#include <chrono>
#include <thread>

namespace tamarack {

void UserFeedback::ShortWait(std::uint32_t ms) {
  PreciseSleep(ms);
}

void PreciseSleep(std::uint32_t ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  // Sleep through most of the wait, then yield for the last fraction so that the wait ends on
  // time even where the scheduler wakes sleepers late.
  for (;;) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return;
    if (left > std::chrono::microseconds(1500)) {
      std::this_thread::sleep_for(left - std::chrono::microseconds(1000));
    } else {
      std::this_thread::yield();
    }
  }
}

}  // namespace tamarack
