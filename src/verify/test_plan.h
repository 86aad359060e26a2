#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "verify/instrument.h"
#include "verify/mass.h"
#include "verify/tolerance_table.h"

namespace tamarack {

enum class TestKind { kWeighing, kEccentricity, kRepeatability, kReturnToZero, kDiscrimination };
enum class Direction { kIncreasing, kDecreasing };
enum class Position { kCentre, kFrontLeft, kFrontRight, kBackLeft, kBackRight };

// "Weighing test", "Eccentricity", "Repeatability", "Return to zero", "Discrimination".
std::string_view TestName(TestKind test);
// "centre", "front left", "front right", "back left", "back right".
std::string_view PositionText(Position position);

// One load the technician puts on, or (discrimination) a question asked at a load.
struct PlanStep {
  TestKind test = TestKind::kWeighing;
  Mass load;  // nominal, in the display's unit; 0 for a return to zero
  Direction direction = Direction::kIncreasing;  // weighing only
  Position position = Position::kCentre;         // eccentricity only; the centre elsewhere

  friend bool operator==(const PlanStep&, const PlanStep&) = default;
};

struct TestPlan {
  std::vector<PlanStep> steps;

  friend bool operator==(const TestPlan&, const TestPlan&) = default;
};

// The weight the discrimination test adds: 1.4 e.
Mass DiscriminationWeight(const Instrument& instrument);

// The plan a test starts from: the weighing test up through the band edges of the tolerance that
// lie below Max (for the customer's tolerance those of its class: 500 e and 2,000 e, or 50 e and
// 200 e), half of Max and Max, and down again; the return to zero; one third of Max at the centre
// and the four quarters; half of Max three times; and, when asked, the discrimination test at
// half of Max. Loads are whole scale intervals, rounded down.
TestPlan DefaultPlan(const Instrument& instrument, AccuracyClass accuracyClass,
                     const Tolerance& tolerance, bool discrimination);

// What is wrong with a plan on this instrument, one message a fault ("Step 4: 1200.0 kg is
// beyond Max 1000.0 kg"); empty when it can run.
std::vector<std::string> CheckPlan(const TestPlan& plan, const Instrument& instrument);

// What the technician is asked to do for step `index` of the plan:
// "Put 500.0 kg at the centre of the platform".
std::string StepPrompt(const TestPlan& plan, std::size_t index, const Instrument& instrument);

// --- The plan file ---
//
// CSV, one step a line: test,load,unit,position. The tests are "increasing", "decreasing" (the
// weighing test), "eccentricity", "repeatability", "return to zero" and "discrimination"; the
// load is in the display's unit, the unit (optional) must be the scale's, and the position
// ("centre", "front left", "front right", "back left", "back right") belongs to eccentricity
// steps only. Words are read without regard to case, fields are trimmed, blank lines, lines
// beginning "#" and a header whose first field is "test" are passed over.

struct PlanRead {
  TestPlan plan;
  std::vector<std::string> errors;  // "Line 3: \"12a\" is not a number"; then CheckPlan's
};

std::string PlanCsv(const TestPlan& plan, const Instrument& instrument);
PlanRead ParsePlanCsv(std::string_view text, const Instrument& instrument);

// --- The plan as a window's table edits it ---

// One step as the table's three cells show it: the file's test word, the load at the display's
// decimals and, for eccentricity, the position.
struct PlanRowText {
  std::string test;
  std::string load;
  std::string position;
};

// The file's test words and positions, in the order a list offers them.
std::vector<std::string_view> PlanTestWords();
std::vector<std::string_view> PlanPositionWords();

PlanRowText RowTextOf(const PlanStep& step, const Instrument& instrument);
// The rows read as the file's lines are, each fault named by its step ("Step 3: \"1O0\" is not a
// number"); then CheckPlan's.
PlanRead ParsePlanRows(std::span<const PlanRowText> rows, const Instrument& instrument);

// The file's bytes through ParsePlanCsv; a file that cannot be read is one error saying why.
PlanRead LoadPlanFile(const std::string& path, const Instrument& instrument);
// Writes PlanCsv atomically. Empty, or why it failed (the old file is then as it was).
std::string SavePlanFile(const std::string& path, const TestPlan& plan,
                         const Instrument& instrument);

}  // namespace tamarack
