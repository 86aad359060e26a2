#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "verify/instrument.h"
#include "verify/mass.h"

namespace tamarack {

// The two situations a technician meets: a scale being put into service (acceptance, initial
// verification) and one in use (in service, maintenance).
enum class Situation { kAcceptance, kInService };

// "acceptance", "in-service"; and back, as the command line gives them.
std::string_view SituationWord(Situation situation);
std::optional<Situation> ParseSituation(std::string_view text);

// A band's upper edge that no load passes: the last band.
inline constexpr std::int64_t kOpenBand = 0;

// Loads up to `upToE` scale intervals, edge included, that are above the band before, may be off
// by ±mpeHalfE / 2 scale intervals.
struct ToleranceBand {
  std::int64_t upToE;
  int mpeHalfE;
};

// One regulation's bands for one class and situation, and the name the report prints.
struct ToleranceTable {
  Regulation regulation;
  AccuracyClass accuracyClass;
  Situation situation;
  std::string_view name;
  std::span<const ToleranceBand> bands;
};

// Every table built in: one row per regulation, class and situation.
std::span<const ToleranceTable> ToleranceTables();
// The row, or nullptr where none is built in (NONE; NIST Handbook 44 class IIII).
const ToleranceTable* FindToleranceTable(Regulation regulation, AccuracyClass accuracyClass,
                                         Situation situation);

// What a test applies: a regulation's table, or the customer's own tolerance when F6.1 is NONE.
struct Tolerance {
  const ToleranceTable* table = nullptr;  // none: the customer's
  std::optional<Mass> customerMass;       // the customer's, in mass
  std::int64_t customerHundredthsE = 0;   // the customer's, in hundredths of e
  std::string name;                       // "NIST Handbook 44, class III, acceptance tolerances"

  // The maximum permissible error at a load (a magnitude) on the instrument.
  Mass Mpe(const Instrument& instrument, Mass load) const;
  // The band edges with a limit, in scale intervals; none for the customer's tolerance.
  std::vector<std::int64_t> EdgesE() const;
};

struct ToleranceChoice {
  std::optional<Tolerance> tolerance;
  std::string message;  // why none applies
};

// The tolerance for a test: the table of the instrument's regulation for the class and
// situation; with F6.1 NONE, the customer's tolerance stated in `customerText` as scale intervals
// ("1.5 e") or as a mass in the display's unit ("0.2" or "0.2 kg"). A customer's tolerance under
// a regulation is refused: F6.1's table is the one the scale is bound by.
ToleranceChoice ChooseTolerance(const Instrument& instrument, AccuracyClass accuracyClass,
                                Situation situation, std::string_view customerText);

}  // namespace tamarack
