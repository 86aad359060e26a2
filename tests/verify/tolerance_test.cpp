// The tolerance tables at every band edge, the setup's instrument at every decimal point and
// division, the class limits, the customer's tolerance and the exact masses.

#include <gtest/gtest.h>

#include <sstream>

#include "verify/tolerance_table.h"
#include "verify_test_util.h"

namespace tamarack {
namespace {

using test::M;
using test::MakeInstrument;
using enum Regulation;
using enum AccuracyClass;
using enum Situation;

// Hand-copied from the published tables: "load in e:MPE in e", each edge with its neighbours.
const struct {
  Regulation regulation;
  AccuracyClass accuracyClass;
  Situation situation;
  const char* points;
} kBandRows[] = {
    {kNtep, kIII, kAcceptance,
     "0:0.5 499:0.5 500:0.5 501:1 2000:1 2001:1.5 4000:1.5 4001:2.5 "
     "10000:2.5"},
    {kNtep, kIII, kInService, "499:1 500:1 501:2 2000:2 2001:3 4000:3 4001:5"},
    {kOiml, kIII, kAcceptance, "499:0.5 500:0.5 501:1 2000:1 2001:1.5 4001:1.5 10000:1.5"},
    {kOiml, kIII, kInService, "499:1 500:1 501:2 2000:2 2001:3 10000:3"},
    {kOiml, kIIII, kAcceptance, "49:0.5 50:0.5 51:1 200:1 201:1.5 1000:1.5"},
    {kOiml, kIIII, kInService, "50:1 51:2 200:2 201:3"},
    {kCanada, kIII, kAcceptance, "499:0.5 500:0.5 501:1 2000:1 2001:1.5 4001:1.5"},
    {kCanada, kIII, kInService, "499:1 500:1 501:2 2000:2 2001:3 10000:3"},
    {kCanada, kIIII, kAcceptance, "50:0.5 51:1 200:1 201:1.5"},
    {kCanada, kIIII, kInService, "50:1 51:2 200:2 201:3"},
};

TEST(ToleranceTable, EveryBandEdgeBelongsToTheLowerBand) {
  // e 0.1 kg and e 0.5 kg: the half intervals are exact for both.
  for (const auto& [pointCode, division] : {std::pair{1, 0}, std::pair{1, 2}}) {
    for (const auto& row : kBandRows) {
      Instrument in = MakeInstrument(10000, pointCode, division, static_cast<int>(row.regulation));
      const ToleranceChoice choice = ChooseTolerance(in, row.accuracyClass, row.situation, "");
      ASSERT_TRUE(choice.tolerance) << choice.message;
      std::istringstream points(row.points);
      for (std::string point; points >> point;) {
        const std::size_t colon = point.find(':');
        const Mass load{in.e.micro * std::stoll(point.substr(0, colon))};
        const Mass expected{M(point.substr(colon + 1)).micro * in.e.micro / kMicroPerUnit};
        EXPECT_EQ(choice.tolerance->Mpe(in, load), expected)
            << choice.tolerance->name << " at " << point << ", e = " << in.Text(in.e);
        EXPECT_EQ(choice.tolerance->Mpe(in, -load), expected) << "a negative load by its size";
      }
    }
  }
}

TEST(ToleranceTable, ChoosingATolerance) {
  const Instrument ntep = test::FactoryScale();
  const Instrument none = test::FactoryScale(3);
  const struct {
    const Instrument* instrument;
    AccuracyClass accuracyClass;
    const char* customer;
    const char* name;       // chosen, or
    const char* refusal;    // refused
    const char* mpeAtHalf;  // at 5000 e
  } rows[] = {
      {&ntep, kIII, "", "NIST Handbook 44, class III, acceptance tolerances", "", "0.25"},
      {&ntep, kIIII, "", "", "No NTEP table for class IIII is built in", ""},
      {&ntep, kIII, "1 e", "",
       "F6.1 is 0 (NTEP): its table applies, and a customer's tolerance "
       "only with NONE",
       ""},
      {&none, kIII, "", "",
       "F6.1 is 3 (NONE): state the customer's tolerance, in e (\"1.5 e\") "
       "or in kg",
       ""},
      {&none, kIII, "1.5 e", "Customer's tolerance, ±1.5 e", "", "0.15"},
      {&none, kIII, "2e", "Customer's tolerance, ±2 e", "", "0.2"},
      {&none, kIII, "0.25 kg", "Customer's tolerance, ±0.25 kg", "", "0.25"},
      {&none, kIII, "0.3", "Customer's tolerance, ±0.3 kg", "", "0.3"},
      {&none, kIII, "0 e", "", "The customer's tolerance is zero", ""},
      {&none, kIII, "0.2 lb", "", "The customer's tolerance: \"0.2 lb\" is not a number", ""},
      {&none, kIII, "0.0001 kg", "",
       "The customer's tolerance: \"0.0001\" has more than 3 decimals", ""},
  };
  for (const auto& row : rows) {
    const ToleranceChoice choice =
        ChooseTolerance(*row.instrument, row.accuracyClass, kAcceptance, row.customer);
    EXPECT_EQ(choice.message, row.refusal) << row.customer;
    if (*row.name == '\0') {
      EXPECT_FALSE(choice.tolerance);
      continue;
    }
    ASSERT_TRUE(choice.tolerance) << row.customer;
    EXPECT_EQ(choice.tolerance->name, row.name);
    EXPECT_EQ(choice.tolerance->Mpe(*row.instrument, M("500.0")), M(row.mpeAtHalf));
  }
}

TEST(Instrument, IntervalAndMaxForEveryDecimalPointAndDivision) {
  const struct {
    int point;
    int division;
    long long n;
    const char* e;
    const char* max;
  } rows[] = {
      {0, 0, 10000, "1 kg", "10000 kg"},          {0, 1, 10000, "2 kg", "20000 kg"},
      {0, 2, 3000, "5 kg", "15000 kg"},           {1, 0, 10000, "0.1 kg", "1000.0 kg"},
      {1, 1, 10000, "0.2 kg", "2000.0 kg"},       {1, 2, 3000, "0.5 kg", "1500.0 kg"},
      {2, 0, 6000, "0.01 kg", "60.00 kg"},        {2, 1, 7500, "0.02 kg", "150.00 kg"},
      {2, 2, 10000, "0.05 kg", "500.00 kg"},      {3, 0, 10000, "0.001 kg", "10.000 kg"},
      {3, 1, 3000, "0.002 kg", "6.000 kg"},       {3, 2, 1000, "0.005 kg", "5.000 kg"},
      {4, 0, 10000, "0.0001 kg", "1.0000 kg"},    {4, 1, 2500, "0.0002 kg", "0.5000 kg"},
      {4, 2, 999999, "0.0005 kg", "499.9995 kg"}, {5, 0, 10000, "10 kg", "100000 kg"},
      {5, 1, 3000, "20 kg", "60000 kg"},          {5, 2, 999999, "50 kg", "49999950 kg"},
  };
  for (const auto& row : rows) {
    const InstrumentRead read =
        InstrumentFromSetup(test::SetupValues(row.n, row.point, row.division));
    ASSERT_TRUE(read.instrument) << read.message;
    const Instrument& in = *read.instrument;
    EXPECT_EQ(in.Text(in.e), row.e) << "F2.2 code " << row.point << ", F2.3 code " << row.division;
    EXPECT_EQ(in.Text(in.max), row.max)
        << "F2.2 code " << row.point << ", F2.3 code " << row.division;
    EXPECT_EQ(in.n, row.n);
  }
}

TEST(Instrument, TheRestOfTheSetup) {
  const InstrumentRead lb = InstrumentFromSetup(test::SetupValues(5000, 1, 1, 1, 0));
  ASSERT_TRUE(lb.instrument);
  EXPECT_EQ(lb.instrument->Text(lb.instrument->max), "1000.0 lb");
  EXPECT_EQ(lb.instrument->regulation, kOiml);
  EXPECT_EQ(lb.instrument->regulationText, "1 (OIML)");
  EXPECT_EQ(lb.instrument->version, "1.07");
  EXPECT_EQ(RegulationName(kCanada), "CANADA");

  auto values = test::SetupValues(10000, 1, 0);
  values[0].clear();
  EXPECT_EQ(InstrumentFromSetup(values).message, "F1.1 has no value: read the setup first");
  values[0] = "000000";
  EXPECT_EQ(InstrumentFromSetup(values).message, "F1.1 Value can not be zero!");
  values = test::SetupValues(10000, 1, 0);
  values[13] = "7 (x)";
  EXPECT_EQ(InstrumentFromSetup(values).message, "F2.2 Value err!");
  EXPECT_TRUE(InstrumentFromSetup(test::SetupValues(10000, 1, 2)).instrument)
      << "F2.3 as the indicator names it: 2 (d=5)";
}

TEST(Instrument, ClassLimits) {
  EXPECT_EQ(CheckClass(MakeInstrument(10000, 1, 0), kIII), "");
  EXPECT_EQ(CheckClass(MakeInstrument(10001, 1, 0), kIII),
            "Class III allows at most 10000 scale intervals; F1.1 gives this scale 10001");
  EXPECT_EQ(CheckClass(MakeInstrument(1000, 1, 0), kIIII), "");
  EXPECT_EQ(CheckClass(MakeInstrument(1001, 1, 0), kIIII),
            "Class IIII allows at most 1000 scale intervals; F1.1 gives this scale 1001");
}

TEST(Mass, TextsReadAndWrittenExactly) {
  const struct {
    const char* text;
    int maxDecimals;
    bool negative;
    const char* shown;  // at one decimal, or the refusal
  } rows[] = {
      {" 500.1 ", 3, false, "500.1"},
      {"0.3", 3, false, "0.3"},
      {"50.000", 1, false, "50.0"},
      {"0.05", 3, false, "0.05"},
      {".5", 3, false, "0.5"},
      {"-0.1", 3, true, "-0.1"},
      {"-0", 3, false, "0.0"},
      {"-5", 3, false, "\"-5\" is negative"},
      {"12a", 3, false, "\"12a\" is not a number"},
      {"1,5", 3, false, "\"1,5\" is not a number"},
      {"", 3, false, "no number was given"},
      {".", 3, false, "\".\" is not a number"},
      {"0.0001", 3, false, "\"0.0001\" has more than 3 decimals"},
      {"0.12", 1, false, "\"0.12\" has more than 1 decimal"},
      {"1234567890123", 3, false, "\"1234567890123\" is too large"},
  };
  for (const auto& row : rows) {
    const MassParse parsed = ParseMass(row.text, row.maxDecimals, row.negative);
    EXPECT_EQ(parsed.mass ? MassText(*parsed.mass, 1) : parsed.message, row.shown) << row.text;
  }
  // Where binary floating point would not give zero.
  EXPECT_EQ(M("0.3") - M("0.1") - M("0.2"), Mass{});
  EXPECT_EQ(SignedMassText(M("0.3"), 1), "+0.3");
  EXPECT_EQ(SignedMassText(M("-0.05"), 1), "-0.05");
  EXPECT_EQ(SignedMassText(Mass{}, 2), "0.00");
}

}  // namespace
}  // namespace tamarack
