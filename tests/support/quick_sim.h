#pragma once

#include <chrono>

#include "sim/simulator.h"
#include "support/fixed_clock.h"

namespace tamarack::test {

// The simulated indicator with its capturing steps (zero, span, average weight) answering at
// once, so that a test does not sit through them.
inline sim::Simulator::Options QuickSim() {
  sim::Simulator::Options options;
  options.indicator.stepTime = std::chrono::milliseconds(0);
  return options;
}

// QuickSim on a calendar that stands still at kFixedNow, in UTC.
inline sim::Simulator::Options FixedClockSim() {
  sim::Simulator::Options options = QuickSim();
  options.indicator.clock = [] { return kFixedNow; };
  options.indicator.localTime = false;
  return options;
}

}  // namespace tamarack::test
