// The default plans, the prompts, and the plan file: written, read back, and refused line by line.

#include "verify/test_plan.h"

#include <gtest/gtest.h>

#include "files/file_test_dir.h"
#include "verify_test_util.h"

namespace tamarack {
namespace {

using test::FactoryScale;
using test::MakeInstrument;

// "+50.0" increasing, "-50.0" decreasing, "0" zero, "E333.3 front left", "R500.0", "D500.0".
std::string Outline(const TestPlan& plan, const Instrument& in) {
  std::string out;
  for (const PlanStep& step : plan.steps) {
    const std::string load = MassText(step.load, in.decimals);
    switch (step.test) {
      case TestKind::kWeighing:
        out += (step.direction == Direction::kIncreasing ? "+" : "-") + load;
        break;
      case TestKind::kEccentricity:
        out += "E" + load + " " + std::string(PositionText(step.position));
        break;
      case TestKind::kRepeatability:
        out += "R" + load;
        break;
      case TestKind::kReturnToZero:
        out += "0";
        break;
      case TestKind::kDiscrimination:
        out += "D" + load;
        break;
    }
    out += ", ";
  }
  return out;
}

Tolerance ToleranceFor(const Instrument& in, AccuracyClass accuracyClass,
                       const char* customer = "") {
  return *ChooseTolerance(in, accuracyClass, Situation::kAcceptance, customer).tolerance;
}

TEST(TestPlan, DefaultsFromMaxAndTheTablesBandEdges) {
  const Instrument ntep = FactoryScale();
  const Instrument oiml = MakeInstrument(3000, 1, 2, 1);  // e 0.5 kg, Max 1500.0 kg
  const Instrument small = MakeInstrument(400, 0, 0, 2);  // e 1 kg, Max 400 kg
  const Instrument coarse = MakeInstrument(1000, 0, 0, 1);
  const Instrument none = MakeInstrument(10000, 1, 0, 3);
  const struct {
    const Instrument* in;
    AccuracyClass accuracyClass;
    const char* customer;
    bool discrimination;
    const char* outline;
  } rows[] = {
      {&ntep, AccuracyClass::kIII, "", false,
       "+50.0, +200.0, +400.0, +500.0, +1000.0, -500.0, -400.0, -200.0, -50.0, 0, "
       "E333.3 centre, E333.3 front left, E333.3 front right, E333.3 back left, "
       "E333.3 back right, R500.0, R500.0, R500.0, "},
      {&oiml, AccuracyClass::kIII, "", true,
       "+250.0, +750.0, +1000.0, +1500.0, -1000.0, -750.0, -250.0, 0, E500.0 centre, "
       "E500.0 front left, E500.0 front right, E500.0 back left, E500.0 back right, R750.0, "
       "R750.0, R750.0, D750.0, "},
      {&small, AccuracyClass::kIII, "", false,
       "+200, +400, -200, 0, E133 centre, E133 front left, E133 front right, E133 back left, "
       "E133 back right, R200, R200, R200, "},
      {&coarse, AccuracyClass::kIIII, "", false,
       "+50, +200, +500, +1000, -500, -200, -50, 0, E333 centre, E333 front left, "
       "E333 front right, E333 back left, E333 back right, R500, R500, R500, "},
      {&none, AccuracyClass::kIII, "1 e", false,
       "+50.0, +200.0, +500.0, +1000.0, -500.0, -200.0, -50.0, 0, E333.3 centre, "
       "E333.3 front left, E333.3 front right, E333.3 back left, E333.3 back right, R500.0, "
       "R500.0, R500.0, "},
  };
  for (const auto& row : rows) {
    const TestPlan plan =
        DefaultPlan(*row.in, row.accuracyClass,
                    ToleranceFor(*row.in, row.accuracyClass, row.customer), row.discrimination);
    EXPECT_EQ(Outline(plan, *row.in), row.outline);
    EXPECT_TRUE(CheckPlan(plan, *row.in).empty());
  }
}

TEST(TestPlan, Prompts) {
  const Instrument in = FactoryScale();
  const TestPlan plan =
      DefaultPlan(in, AccuracyClass::kIII, ToleranceFor(in, AccuracyClass::kIII), true);
  const std::pair<std::size_t, const char*> rows[] = {
      {5, "Take the load down to 500.0 kg at the centre of the platform"},
      {11, "Put 333.3 kg at the front left of the platform"},
      {15, "Put 500.0 kg at the centre of the platform (reading 1 of 3)"},
      {16,
       "Unload the platform, then put 500.0 kg at the centre of the platform again "
       "(reading 2 of 3)"},
      {18,
       "With 500.0 kg at the centre of the platform, add 0.14 kg gently: did the indication "
       "change?"},
  };
  for (const auto& [index, prompt] : rows) EXPECT_EQ(StepPrompt(plan, index, in), prompt);
}

TEST(PlanFile, WrittenAndReadBack) {
  const Instrument in = FactoryScale();
  const TestPlan plan =
      DefaultPlan(in, AccuracyClass::kIII, ToleranceFor(in, AccuracyClass::kIII), true);
  const std::string csv = PlanCsv(plan, in);
  EXPECT_EQ(csv.substr(0, 72),
            "test,load,unit,position\r\nincreasing,50.0,kg,\r\nincreasing,200.0,kg,\r\nincr");
  EXPECT_NE(csv.find("\r\neccentricity,333.3,kg,back right\r\n"), std::string::npos);
  EXPECT_NE(csv.find("\r\nreturn to zero,0.0,kg,\r\n"), std::string::npos);
  const PlanRead read = ParsePlanCsv(csv, in);
  EXPECT_TRUE(read.errors.empty());
  EXPECT_EQ(read.plan, plan);

  const PlanRead loose = ParsePlanCsv(
      "# an edited plan\n\nTEST,LOAD\nIncreasing , 50.005 ,KG\nEccentricity,333.3,kg,Front Left\n"
      "return to zero\nrepeatability,500\nrepeatability,500,,centre\n",
      in);
  EXPECT_TRUE(loose.errors.empty()) << loose.errors.front();
  EXPECT_EQ(Outline(loose.plan, in), "+50.005, E333.3 front left, 0, R500.0, R500.0, ");
}

TEST(PlanFile, BadLinesAreRefusedWithTheirNumbers) {
  const Instrument in = FactoryScale();
  const struct {
    const char* text;
    const char* errors;  // joined by " | "
  } rows[] = {
      {"", "The plan has no step"},
      {"test,load,unit,position\r\n# nothing yet\r\n", "The plan has no step"},
      {"increasing,1000.1,kg", "Line 1: 1000.1 kg is beyond Max 1000.0 kg"},
      {"increasing,-5,kg", "Line 1: \"-5\" is negative"},
      {"increasing,12a", "Line 1: \"12a\" is not a number"},
      {"increasing,,kg", "Line 1: no load"},
      {"increasing,50.0001", "Line 1: \"50.0001\" has more than 3 decimals"},
      {"increasing,50,lb", "Line 1: the load is in lb; the scale weighs in kg"},
      {"weighing,50",
       "Line 1: \"weighing\" is not a test (increasing, decreasing, eccentricity, repeatability, "
       "return to zero, discrimination)"},
      {"eccentricity,333.3,kg",
       "Line 1: an eccentricity step needs a position (centre, front left, front right, back "
       "left, back right)"},
      {"eccentricity,333.3,kg,middle",
       "Line 1: \"middle\" is not a position (centre, front left, front right, back left, back "
       "right)"},
      {"increasing,50,kg,front left", "Line 1: only eccentricity steps have a position"},
      {"return to zero,5", "Line 1: a return to zero has no load"},
      {"increasing,\"50\"", "Line 1: quotes are not read in a plan"},
      {"increasing,50,kg,,x", "Line 1: more than four fields (test,load,unit,position)"},
      {"repeatability,500", "The repeatability test needs at least two readings"},
      {"repeatability,500\nrepeatability,400",
       "The repeatability readings must all be of one load"},
      {"increasing,abc\n# fine\nincreasing,50\ndecreasing,2000", "Line 1: \"abc\" is not a number"},
      {"increasing,50\n\nincreasing,2000\ndecreasing,-1", "Line 4: \"-1\" is negative"},
      {"increasing,1e3\nincreasing,50,kg\nincreasing,1500", "Line 1: \"1e3\" is not a number"},
  };
  for (const auto& row : rows) {
    const PlanRead read = ParsePlanCsv(row.text, in);
    std::string joined;
    for (const std::string& e : read.errors) joined += (joined.empty() ? "" : " | ") + e;
    EXPECT_EQ(joined, row.errors) << row.text;
  }
  // Checks of a whole plan name the line, once every line reads.
  EXPECT_EQ(ParsePlanCsv("increasing,50\n# x\nincreasing,2000\n", in).errors,
            std::vector<std::string>{"Line 3: 2000.0 kg is beyond Max 1000.0 kg"});
}

class PlanFileOnDisk : public test::FileTestDir {};

TEST_F(PlanFileOnDisk, SavedAtomicallyAndLoaded) {
  const Instrument in = FactoryScale();
  const TestPlan plan =
      DefaultPlan(in, AccuracyClass::kIII, ToleranceFor(in, AccuracyClass::kIII), false);
  EXPECT_EQ(SavePlanFile(PathOf("plan.csv"), plan, in), "");
  EXPECT_EQ(Entries(), std::vector<std::string>{"plan.csv"});
  const PlanRead read = LoadPlanFile(PathOf("plan.csv"), in);
  EXPECT_TRUE(read.errors.empty());
  EXPECT_EQ(read.plan, plan);

  const PlanRead missing = LoadPlanFile(PathOf("none.csv"), in);
  ASSERT_EQ(missing.errors.size(), 1u);
  EXPECT_EQ(missing.errors[0].rfind("The plan " + PathOf("none.csv") + " cannot be read: ", 0), 0u);
  const std::string refused = SavePlanFile(PathOf("no/such/folder.csv"), plan, in);
  EXPECT_EQ(refused.rfind("The plan " + PathOf("no/such/folder.csv") + " cannot be written: ", 0),
            0u);
}

}  // namespace
}  // namespace tamarack
