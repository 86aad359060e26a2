#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "verify/test_plan.h"

namespace tamarack::sim {

// The errors of a real scale that the simulated one can be given. Percentages are of the load;
// the others are in scale intervals e of the primary unit. All zero: the ideal scale.
struct ScaleErrors {
  double spanPct = 0;      // span=PCT: an error in proportion to the load
  double curveE = 0;       // curve=E: this many e at half of Max, none at zero and at Max
  double hysteresisE = 0;  // hyst=E: a decreasing load reads this much higher
  double noiseE = 0;       // noise=E: the standard deviation of each A/D reading
  double creepE = 0;       // creep=E: the drift per minute after a load change
  double vibrationE = 0;   // vibration=E: the amplitude of a steady shake of the platform
  // fl, fr, bl, br=PCT: a load off the centre reads this much more; indexed by Position, the
  // centre's always 0.
  std::array<double, 5> cornerPct{};
  // The noise's seed, so that a run can be repeated reading for reading.
  std::uint64_t seed = 1;

  double CornerPct(Position position) const {
    return cornerPct[static_cast<std::size_t>(position)];
  }
  double& CornerPct(Position position) { return cornerPct[static_cast<std::size_t>(position)]; }
  // No error at all (the seed does not count).
  bool Ideal() const;

  friend bool operator==(const ScaleErrors&, const ScaleErrors&) = default;
};

// The most a percentage item may be, either way, and the most an item in e may be.
inline constexpr double kMaxErrorPct = 10;
inline constexpr double kMaxErrorE = 1000;

struct ScaleErrorsRead {
  ScaleErrors errors;
  std::vector<std::string> messages;  // one per bad item; empty when the whole list was good
};

// Reads a list such as "span=+0.03%,fl=+0.05%,noise=0.3": items apart by commas, each NAME=VALUE
// with NAME one of span, curve, fl, fr, bl, br, hyst, noise, creep, vibration, seed. A percentage
// may end in "%". Blanks around items are passed over; an empty list is the ideal scale.
ScaleErrorsRead ParseScaleErrors(std::string_view list);

// The list that ParseScaleErrors reads back as `errors`: only the items that are set, in the order
// above ("span=+0.03%,noise=0.3"); empty for the ideal scale with the first seed.
std::string ScaleErrorsText(const ScaleErrors& errors);

// What the errors add to a settled reading of `loadKg` at `position` (in kilograms), on a scale
// of interval `eKg` and capacity `maxKg`; `decreasing` when the load last went down. Creep and
// the disturbances come on top, as time passes.
double SettledErrorKg(const ScaleErrors& errors, double loadKg, Position position, bool decreasing,
                      double eKg, double maxKg);

// Creep stops growing this long after a load change.
inline constexpr double kCreepMinutes = 30;

// What ParseScaleErrors takes, for a usage text.
std::string_view ScaleErrorsHelp();

// A position as a person types it: PositionText's words ("front left"), with a hyphen
// ("front-left") or as the error items name the quarters ("fl"); "center" too. Case is ignored.
std::optional<Position> ParsePosition(std::string_view text);

}  // namespace tamarack::sim
