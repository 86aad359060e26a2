#include "feedback/user_feedback.h"

#include <chrono>
#include <thread>

namespace tamarack {

void UserFeedback::ShortWait(std::uint32_t ms) {
  SleepAtLeast(ms);
}

void SleepAtLeast(std::uint32_t ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  // One sleep to the deadline: the kernel wakes the thread a few tens of microseconds after it,
  // never before. Spinning through the last millisecond, as this once did, made each wait exact
  // to the microsecond but cost a millisecond of processor time, which a fleet of hundreds of
  // lines waiting at once could not spare.
  while (Clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

}  // namespace tamarack
