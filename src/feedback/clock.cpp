#include "feedback/clock.h"

namespace tamarack {
namespace {

class PcClock : public Clock {
 public:
  std::time_t Now() const override { return std::time(nullptr); }
  Steady::time_point Monotonic() const override { return Steady::now(); }
};

}  // namespace

const Clock& SystemClock() {
  static const PcClock clock;
  return clock;
}

}  // namespace tamarack
