#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "indicator/weight_series.h"
#include "link/serial_link.h"
#include "setup/param_table.h"
#include "verify/mass.h"

namespace tamarack {

// The regulation the indicator is set to follow: F6.1's option codes.
enum class Regulation { kNtep = 0, kOiml = 1, kCanada = 2, kNone = 3 };

// The name inside F6.1's option text: "NTEP", "OIML", "CANADA", "NONE".
std::string_view RegulationName(Regulation regulation);

enum class AccuracyClass { kIII, kIIII };

// "III", "IIII"; and back, as a command line or a plan gives it (nothing for any other text).
std::string_view ClassText(AccuracyClass accuracyClass);
std::optional<AccuracyClass> ParseClass(std::string_view text);

// The most scale intervals a class allows.
inline constexpr std::int64_t kMaxIntervalsIII = 10'000;
inline constexpr std::int64_t kMaxIntervalsIIII = 1'000;

// The scale as its setup describes it: the primary unit's display, where the scale interval e
// equals the display division d.
struct Instrument {
  std::int64_t n = 0;                 // graduations, F1.1
  WeightUnit unit = WeightUnit::kKg;  // F2.1
  int decimals = 0;                   // decimals the display shows, from F2.2
  Mass e;                             // the division (F2.3) at that decimal point
  Mass max;                           // n × e
  Regulation regulation = Regulation::kNone;
  std::string regulationText;  // F6.1 as set: "0 (NTEP)"
  std::string version;         // F7.3, for the report

  // Masses typed or filed may be a hundredth of the display's last digit fine, enough for
  // changeover weights of a tenth of e.
  int MassDecimals() const { return decimals + 2; }
  std::string_view UnitName() const { return UnitText(unit); }
  // "500.0 kg": at least the display's decimals.
  std::string Text(Mass m) const;
};

// The display's decimals and the scale interval for F2.2's and F2.3's option codes. Code 5 of
// F2.2 (888880) shows no decimals and a last digit that stays 0, so its interval is ten times the
// division. Nothing for a code outside the lists.
std::optional<int> ShownDecimals(int pointCode);
std::optional<Mass> ScaleInterval(int pointCode, int divisionCode);

struct InstrumentRead {
  std::optional<Instrument> instrument;
  std::string message;  // why not: "F2.2 has no value: read the setup first"
};

// The instrument from the indicator's values as current-value texts in table order: what
// SetupModel::currentValue holds after a Read All (with the values written since folded in, where
// the caller has any). F1.1 is checked as a single write would check it; the choices must be
// their options' texts as a read shows them.
InstrumentRead InstrumentFromSetup(std::span<const std::string, kSetupParamCount> values);

// The parameters InstrumentFromSetup reads (F1.1, F2.1, F2.2, F2.3, F6.1, F7.3), read off the
// indicator one exchange each, as one operation, into current-value texts as a Read All shows
// them; the others stay empty. Nothing once a read fails, after telling `ui` which one.
std::optional<std::array<std::string, kSetupParamCount>> ReadInstrumentValues(SerialLink& link,
                                                                              UserFeedback& ui);

// Empty when the class allows the instrument's n, else the reason.
std::string CheckClass(const Instrument& instrument, AccuracyClass accuracyClass);

}  // namespace tamarack
