#include "feedback/clock.h"

namespace tamarack {
namespace {

class PcClock : public Clock {
 public:
  std::time_t Now() const override { return std::time(nullptr); }
  std::int64_t NowMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  }
  Steady::time_point Monotonic() const override { return Steady::now(); }
};

}  // namespace

const Clock& SystemClock() {
  static const PcClock clock;
  return clock;
}

}  // namespace tamarack
