#pragma once

#include <array>
#include <ostream>
#include <string>
#include <string_view>

#include "indicator/weight_series.h"
#include "setup/param_codec.h"
#include "setup/param_table.h"
#include "verify/instrument.h"
#include "verify/mass.h"

namespace tamarack {

inline void PrintTo(const Mass& m, std::ostream* out) {
  *out << MassText(m, 0);
}

}  // namespace tamarack

namespace tamarack::test {

// The current-value texts a Read All leaves for the rows a verification reads; the others empty.
inline std::array<std::string, kSetupParamCount> SetupValues(long long n, int pointCode,
                                                             int divisionCode, int regulation = 0,
                                                             int unitCode = 1) {
  std::array<std::string, kSetupParamCount> values;
  const auto put = [&](ParamAddress address, std::string text) {
    values[static_cast<std::size_t>(FindParam(address) - SetupParams().data())] = std::move(text);
  };
  std::string digits = std::to_string(n);
  put(kGraduationsAddress, std::string(6 - std::min<std::size_t>(6, digits.size()), '0') + digits);
  put(kPrimaryUnitAddress, ChoiceShownText(*FindParam(kPrimaryUnitAddress), unitCode));
  put(kPrimaryPointAddress, ChoiceShownText(*FindParam(kPrimaryPointAddress), pointCode));
  put(kPrimaryDivisionAddress, ChoiceShownText(*FindParam(kPrimaryDivisionAddress), divisionCode));
  put({6, 1}, ChoiceShownText(*FindParam(ParamAddress{6, 1}), regulation));
  put(kVersionAddress, "1.07");
  return values;
}

inline Instrument MakeInstrument(long long n, int pointCode, int divisionCode, int regulation = 0) {
  return *InstrumentFromSetup(SetupValues(n, pointCode, divisionCode, regulation)).instrument;
}

// The simulated scale as it leaves the factory: F6.1 NTEP, Max 1000.0 kg, e 0.1 kg.
inline Instrument FactoryScale(int regulation = 0) {
  return MakeInstrument(10000, 1, 0, regulation);
}

// "500.1" as a mass; the test fails loudly on a text that is none.
inline Mass M(std::string_view text) {
  const MassParse parsed = ParseMass(text, 6, true);
  EXPECT_TRUE(parsed.mass) << text << ": " << parsed.message;
  return parsed.mass.value_or(Mass{});
}

// A good poll showing `shown` ("  500.1"), read as the live window reads it.
inline DisplayReading Shows(std::string shown, bool stable = true,
                            WeightUnit unit = WeightUnit::kKg) {
  DisplayReading reading;
  reading.number = ParseShownWeight(shown);
  reading.shown = std::move(shown);
  reading.unit = unit;
  reading.stable = stable;
  return reading;
}

}  // namespace tamarack::test
