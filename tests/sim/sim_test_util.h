#pragma once

#include <string>

#include "link/frame.h"
#include "sim/simulator.h"
#include "support/quick_sim.h"

namespace tamarack::sim::simtest {

inline std::string Text(const Frame& bytes) {
  return {bytes.begin(), bytes.end()};
}

}  // namespace tamarack::sim::simtest
