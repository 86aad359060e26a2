#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace tamarack::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The middle of the measurements (the upper one of the two middles of an even count).
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace tamarack::bench
