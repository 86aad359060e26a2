#include "sim/scale_dynamics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tamarack::sim {
namespace {

constexpr double kRateHz[] = {7.5, 15, 30, 60, 120, 240, 480, 960};
constexpr int kMostLevel = 5;
// F1.4's bands in scale intervals; its last code is OFF.
constexpr double kBandE[] = {1, 2, 3, 5, 10, 20};

// The bare platform: a swing that dies away at this rate with this damping ratio (some 10 Hz of
// ringing, settled in about half a second).
constexpr double kPlatformDecay = 16;
constexpr double kPlatformDamping = 0.25;
// Filters reaching this far back halve the decay rate...
constexpr double kSlowingReachS = 0.8;
// ... and close half of the gap between the platform's damping and a swing that never overshoots.
constexpr double kCalmingReachS = 0.15;
constexpr double kMostDamping = 0.95;
// What is left of a step when its swing counts as over.
constexpr double kSwingLeft = 1e-7;

std::uint64_t SplitMix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

std::int64_t SampleIndex(double seconds, double hz) {
  return static_cast<std::int64_t>(std::floor(seconds * hz));
}

}  // namespace

WeighingFilter::WeighingFilter(const FilterSetup& setup) {
  const bool known = setup.rateCode >= 0 && setup.rateCode < static_cast<int>(std::size(kRateHz));
  sampleHz_ = kRateHz[known ? setup.rateCode : FilterSetup{}.rateCode];
  taps_ = {1.0};
  int reachSamples = 0;
  for (const int level : setup.levels) {
    const int n = 1 << std::clamp(level, 0, kMostLevel);
    reachSamples += n - 1;
    std::vector<double> next(taps_.size() + static_cast<std::size_t>(n) - 1, 0.0);
    for (std::size_t i = 0; i < taps_.size(); ++i) {
      for (int j = 0; j < n; ++j) next[i + static_cast<std::size_t>(j)] += taps_[i] / n;
    }
    taps_ = std::move(next);
  }
  reachS_ = reachSamples / sampleHz_;
  decay_ = kPlatformDecay / (1 + reachS_ / kSlowingReachS);
  damping_ = std::min(kMostDamping, kPlatformDamping + (1 - kPlatformDamping) * reachS_ /
                                                           (reachS_ + kCalmingReachS));
  const double natural = decay_ / damping_;
  ringing_ = natural * std::sqrt(1 - damping_ * damping_);
  swingS_ = -std::log(kSwingLeft) / decay_;
  const std::size_t band = static_cast<std::size_t>(setup.bandCode);
  if (band < std::size(kBandE)) bandE_ = kBandE[band];
}

double WeighingFilter::Remaining(double tau) const {
  if (tau < 0) return 1;
  if (tau >= swingS_) return 0;
  return std::exp(-decay_ * tau) *
         (std::cos(ringing_ * tau) + decay_ / ringing_ * std::sin(ringing_ * tau));
}

double Gaussian(std::uint64_t seed, std::int64_t index) {
  const std::uint64_t a =
      SplitMix(seed * 0xD1B54A32D192ED03ULL ^ static_cast<std::uint64_t>(index));
  const std::uint64_t b = SplitMix(a);
  // (0, 1]: the logarithm never sees 0.
  const double u1 = (static_cast<double>(a >> 11) + 1) * 0x1.0p-53;
  const double u2 = static_cast<double>(b >> 11) * 0x1.0p-53;
  return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
}

double Disturbance::At(double seconds, std::int64_t index) const {
  double value = 0;
  if (shakeKg != 0) value += shakeKg * std::sin(2 * std::numbers::pi * kVibrationHz * seconds);
  if (noiseKg != 0) value += noiseKg * Gaussian(seed, index);
  return value;
}

void ScaleDynamics::Step(double at, double deltaKg) {
  if (deltaKg == 0) return;
  if (steps_.size() == kMaxSteps) steps_.erase(steps_.begin());
  steps_.emplace_back(at, deltaKg);
}

void ScaleDynamics::Forget(double at, const WeighingFilter& filter) {
  const double over = at - filter.SwingS() - kMotionWindowS - 1 / filter.SampleHz();
  std::erase_if(steps_, [over](const auto& step) { return step.first < over; });
}

double ScaleDynamics::Swing(double sampleTime, const WeighingFilter& filter) const {
  double left = 0;
  for (const auto& [when, delta] : steps_) left += delta * filter.Remaining(sampleTime - when);
  return left;
}

std::vector<double> ScaleDynamics::Filtered(std::int64_t first, std::int64_t last,
                                            const WeighingFilter& filter,
                                            const Disturbance& disturbance) const {
  std::vector<double> out(static_cast<std::size_t>(last - first + 1), 0.0);
  if (disturbance.None()) return out;
  const std::vector<double>& taps = filter.Taps();
  const std::int64_t reach = static_cast<std::int64_t>(taps.size()) - 1;
  std::vector<double> raw(out.size() + static_cast<std::size_t>(reach));
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::int64_t k = first - reach + static_cast<std::int64_t>(i);
    raw[i] = disturbance.At(static_cast<double>(k) / filter.SampleHz(), k);
  }
  for (std::size_t i = 0; i < out.size(); ++i) {
    double sum = 0;
    // Sample first + i is raw[i + reach]; tap j weighs the sample j before it.
    for (std::size_t j = 0; j < taps.size(); ++j) {
      sum += taps[j] * raw[i + static_cast<std::size_t>(reach) - j];
    }
    out[i] = sum;
  }
  return out;
}

double ScaleDynamics::Reading(double at, double targetKg, const WeighingFilter& filter,
                              const Disturbance& disturbance) const {
  const std::int64_t k = SampleIndex(at, filter.SampleHz());
  const double sampleTime = static_cast<double>(k) / filter.SampleHz();
  return targetKg - Swing(sampleTime, filter) + Filtered(k, k, filter, disturbance).front();
}

bool ScaleDynamics::Moving(double at, double targetKg, const WeighingFilter& filter,
                           const Disturbance& disturbance, double eKg) const {
  if (!filter.BandE()) return false;
  const std::int64_t last = SampleIndex(at, filter.SampleHz());
  const auto count = std::max<std::int64_t>(
      2, static_cast<std::int64_t>(std::ceil(kMotionWindowS * filter.SampleHz())));
  const std::int64_t first = last - count + 1;
  const std::vector<double> shaken = Filtered(first, last, filter, disturbance);
  double low = 0, high = 0;
  for (std::int64_t k = first; k <= last; ++k) {
    const double value = targetKg - Swing(static_cast<double>(k) / filter.SampleHz(), filter) +
                         shaken[static_cast<std::size_t>(k - first)];
    low = k == first ? value : std::min(low, value);
    high = k == first ? value : std::max(high, value);
  }
  return high - low > *filter.BandE() * eKg;
}

}  // namespace tamarack::sim
