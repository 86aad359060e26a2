#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "link/frame.h"
#include "sim/simulator.h"

namespace tamarack::sim::simtest {

// 7 December 2026, 09:30:45 UTC: the simulated clock of the tests stands still there.
inline constexpr std::time_t kFixedNow = 1796635845;

inline Simulator::Options FixedClockOptions() {
  Simulator::Options options;
  options.indicator.clock = [] { return kFixedNow; };
  options.indicator.stepTime = std::chrono::milliseconds(0);
  options.indicator.localTime = false;
  return options;
}

inline std::string Text(const Frame& bytes) {
  return {bytes.begin(), bytes.end()};
}

}  // namespace tamarack::sim::simtest
