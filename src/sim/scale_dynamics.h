#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tamarack::sim {

// How the indicator weighs, as its setup says: the sample rate (F1.6's code), the levels of the
// three digital filters (F1.7 to F1.9) and the motion band (F1.4's code). The factory's values.
struct FilterSetup {
  int rateCode = 1;
  std::array<int, 3> levels{1, 2, 2};
  int bandCode = 0;

  friend bool operator==(const FilterSetup&, const FilterSetup&) = default;
};

// The frequency of the steady shake that vibration=E gives the platform: slow enough that the
// factory's filters let half of it through and the strongest filtering none.
inline constexpr double kVibrationHz = 1.7;
// The Stable lamp goes out while the readings of this last stretch spread wider than the band.
inline constexpr double kMotionWindowS = 0.5;

// The figures of a FilterSetup. Each filter is a moving average of 2^level samples (level 0 lets
// every sample through). A load step settles as a damped swing: the platform alone rings fast and
// long, and the longer the filters reach back in time (more levels, fewer samples a second) the
// slower and steadier the swing they let through.
class WeighingFilter {
 public:
  explicit WeighingFilter(const FilterSetup& setup);

  double SampleHz() const { return sampleHz_; }
  // How far back in time the three averages reach together.
  double ReachS() const { return reachS_; }
  // The swing's decay rate (1/s) and damping ratio.
  double Decay() const { return decay_; }
  double Damping() const { return damping_; }
  // How long after a step its swing is over (what is left of it is then below a ten-millionth).
  double SwingS() const { return swingS_; }
  // The motion band in scale intervals; none when F1.4 is OFF.
  std::optional<double> BandE() const { return bandE_; }
  // The weights of the last samples in a reading, the newest first; they add up to 1.
  const std::vector<double>& Taps() const { return taps_; }

  // The part of a step not yet shown `tau` seconds after it: 1 before it, 0 once its swing is
  // over, and in between a damped swing about 0.
  double Remaining(double tau) const;

 private:
  double sampleHz_;
  double reachS_;
  double decay_;
  double damping_;
  double ringing_;  // the swing's angular frequency (rad/s)
  double swingS_;
  std::optional<double> bandE_;
  std::vector<double> taps_;
};

// What disturbs each sample: a steady shake and the A/D converter's noise, in kilograms.
struct Disturbance {
  double shakeKg = 0;  // amplitude at kVibrationHz
  double noiseKg = 0;  // standard deviation
  std::uint64_t seed = 1;

  bool None() const { return shakeKg == 0 && noiseKg == 0; }
  // At `seconds`, with the noise of draw `index` (the same pair gives the same value).
  double At(double seconds, std::int64_t index) const;
};

// A standard normal value, the same for the same seed and index.
double Gaussian(std::uint64_t seed, std::int64_t index);

// The swings under way after the changes of the settled reading, and what the indicator weighs
// from them at any moment: the reading at its last sample, the disturbance through its filters.
// Times are seconds on the indicator's own monotonic clock.
class ScaleDynamics {
 public:
  // Steps kept at most; when more come (a slider dragged), the oldest swing is taken as over.
  static constexpr std::size_t kMaxSteps = 64;

  // The settled reading moved by `deltaKg` at `at`.
  void Step(double at, double deltaKg);
  void Clear() { steps_.clear(); }
  // Forgets the steps whose swing is over by `at`, also for the motion window's look back.
  void Forget(double at, const WeighingFilter& filter);
  std::size_t Steps() const { return steps_.size(); }

  // What the indicator weighs at `at`, where `targetKg` is the reading once everything settles.
  double Reading(double at, double targetKg, const WeighingFilter& filter,
                 const Disturbance& disturbance) const;
  // Whether the readings over the last kMotionWindowS spread wider than the band of `eKg`s.
  bool Moving(double at, double targetKg, const WeighingFilter& filter,
              const Disturbance& disturbance, double eKg) const;

 private:
  double Swing(double sampleTime, const WeighingFilter& filter) const;
  // Samples first..last of the disturbance through the filter.
  std::vector<double> Filtered(std::int64_t first, std::int64_t last, const WeighingFilter& filter,
                               const Disturbance& disturbance) const;

  std::vector<std::pair<double, double>> steps_;  // when, by how much
};

}  // namespace tamarack::sim
