#include "verify/test_plan.h"

#include <algorithm>
#include <array>
#include <functional>

#include "files/replace_file.h"
#include "files/small_file.h"
#include "files/text_fields.h"

namespace tamarack {
namespace {

constexpr std::size_t kMaxPlanFileSize = 64 * 1024;
constexpr std::array<Position, 5> kEccentricityPositions{Position::kCentre, Position::kFrontLeft,
                                                         Position::kFrontRight, Position::kBackLeft,
                                                         Position::kBackRight};
constexpr int kRepeatabilityReadings = 3;

// The file's words for the tests; the weighing test's two directions are two words.
struct TestWord {
  std::string_view word;
  TestKind test;
  Direction direction;
};
constexpr std::array<TestWord, 6> kTestWords{{
    {"increasing", TestKind::kWeighing, Direction::kIncreasing},
    {"decreasing", TestKind::kWeighing, Direction::kDecreasing},
    {"eccentricity", TestKind::kEccentricity, Direction::kIncreasing},
    {"repeatability", TestKind::kRepeatability, Direction::kIncreasing},
    {"return to zero", TestKind::kReturnToZero, Direction::kIncreasing},
    {"discrimination", TestKind::kDiscrimination, Direction::kIncreasing},
}};

std::string_view WordOf(const PlanStep& step) {
  for (const TestWord& w : kTestWords) {
    if (w.test == step.test && (w.test != TestKind::kWeighing || w.direction == step.direction)) {
      return w.word;
    }
  }
  return {};
}

Mass Intervals(const Instrument& instrument, std::int64_t count) {
  return Mass{instrument.e.micro * count};
}

// A millionth-count that a mass of `decimals` decimals is a whole multiple of.
std::int64_t Resolution(int decimals) {
  std::int64_t step = kMicroPerUnit;
  for (int i = 0; i < decimals && step > 1; ++i) step /= 10;
  return step;
}

// The checks of every step, each fault named by `where` (the step's or the file line's number).
void CheckSteps(const TestPlan& plan, const Instrument& instrument,
                const std::function<std::string(std::size_t)>& where,
                std::vector<std::string>& errors) {
  if (plan.steps.empty()) {
    errors.push_back("The plan has no step");
    return;
  }
  const std::int64_t finest = Resolution(instrument.MassDecimals());
  std::optional<Mass> repeatedLoad;
  int repeated = 0;
  bool repeatedDiffer = false;
  for (std::size_t i = 0; i < plan.steps.size(); ++i) {
    const PlanStep& step = plan.steps[i];
    if (step.load.micro < 0) {
      errors.push_back(where(i) + ": a load cannot be negative (" + instrument.Text(step.load) +
                       ")");
    } else if (step.load > instrument.max) {
      errors.push_back(where(i) + ": " + instrument.Text(step.load) + " is beyond Max " +
                       instrument.Text(instrument.max));
    } else if (step.load.micro % finest != 0) {
      errors.push_back(where(i) + ": " + MassText(step.load, 6) + " has more than " +
                       std::to_string(instrument.MassDecimals()) + " decimals");
    }
    if (step.test == TestKind::kReturnToZero && step.load.micro != 0) {
      errors.push_back(where(i) + ": a return to zero has no load");
    }
    if (step.test != TestKind::kEccentricity && step.position != Position::kCentre) {
      errors.push_back(where(i) + ": only eccentricity steps have a position");
    }
    if (step.test == TestKind::kRepeatability) {
      ++repeated;
      if (repeatedLoad && *repeatedLoad != step.load) repeatedDiffer = true;
      repeatedLoad = step.load;
    }
  }
  if (repeated == 1) errors.push_back("The repeatability test needs at least two readings");
  if (repeatedDiffer) errors.push_back("The repeatability readings must all be of one load");
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(TrimBlanks(line.substr(start, comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

std::string TestWordList() {
  std::string list;
  for (const TestWord& w : kTestWords) list += (list.empty() ? "" : ", ") + std::string(w.word);
  return list;
}

std::string PositionList() {
  std::string list;
  for (const Position p : kEccentricityPositions) {
    list += (list.empty() ? "" : ", ") + std::string(PositionText(p));
  }
  return list;
}

// One line's step, or why it is none.
std::optional<PlanStep> ParseStep(const std::vector<std::string_view>& fields,
                                  const Instrument& instrument, std::string& error) {
  if (fields.size() > 4) {
    error = "more than four fields (test,load,unit,position)";
    return std::nullopt;
  }
  const std::string word = AsciiLower(fields[0]);
  const auto test = std::find_if(kTestWords.begin(), kTestWords.end(),
                                 [&](const TestWord& w) { return w.word == word; });
  if (test == kTestWords.end()) {
    error = Quoted(fields[0]) + " is not a test (" + TestWordList() + ")";
    return std::nullopt;
  }
  PlanStep step{test->test, Mass{}, test->direction, Position::kCentre};

  const std::string_view load = fields.size() > 1 ? fields[1] : std::string_view();
  if (load.empty()) {
    if (step.test != TestKind::kReturnToZero) {
      error = "no load";
      return std::nullopt;
    }
  } else {
    const MassParse parsed = ParseMass(load, instrument.MassDecimals(), false);
    if (!parsed.mass) {
      error = parsed.message;
      return std::nullopt;
    }
    step.load = *parsed.mass;
  }

  const std::string unit = fields.size() > 2 ? AsciiLower(fields[2]) : std::string();
  if (!unit.empty() && unit != instrument.UnitName()) {
    error = "the load is in " + std::string(fields[2]) + "; the scale weighs in " +
            std::string(instrument.UnitName());
    return std::nullopt;
  }

  const std::string position = fields.size() > 3 ? AsciiLower(fields[3]) : std::string();
  const auto named = std::find_if(kEccentricityPositions.begin(), kEccentricityPositions.end(),
                                  [&](Position p) { return PositionText(p) == position; });
  if (step.test == TestKind::kEccentricity) {
    if (position.empty()) {
      error = "an eccentricity step needs a position (" + PositionList() + ")";
      return std::nullopt;
    }
    if (named == kEccentricityPositions.end()) {
      error = Quoted(fields[3]) + " is not a position (" + PositionList() + ")";
      return std::nullopt;
    }
    step.position = *named;
  } else if (!position.empty() && position != PositionText(Position::kCentre)) {
    error = "only eccentricity steps have a position";
    return std::nullopt;
  }
  return step;
}

}  // namespace

std::string_view TestName(TestKind test) {
  switch (test) {
    case TestKind::kWeighing:
      return "Weighing test";
    case TestKind::kEccentricity:
      return "Eccentricity";
    case TestKind::kRepeatability:
      return "Repeatability";
    case TestKind::kReturnToZero:
      return "Return to zero";
    case TestKind::kDiscrimination:
      return "Discrimination";
  }
  return {};
}

std::string_view PositionText(Position position) {
  switch (position) {
    case Position::kCentre:
      return "centre";
    case Position::kFrontLeft:
      return "front left";
    case Position::kFrontRight:
      return "front right";
    case Position::kBackLeft:
      return "back left";
    case Position::kBackRight:
      return "back right";
  }
  return {};
}

Mass DiscriminationWeight(const Instrument& instrument) {
  return Mass{instrument.e.micro * 14 / 10};
}

TestPlan DefaultPlan(const Instrument& instrument, AccuracyClass accuracyClass,
                     const Tolerance& tolerance, bool discrimination) {
  const std::int64_t n = instrument.n;
  std::vector<std::int64_t> points = tolerance.EdgesE();
  if (points.empty()) {
    points = accuracyClass == AccuracyClass::kIII ? std::vector<std::int64_t>{500, 2000}
                                                  : std::vector<std::int64_t>{50, 200};
  }
  std::erase_if(points, [n](std::int64_t edge) { return edge >= n; });
  points.push_back(n / 2);
  points.push_back(n);
  std::ranges::sort(points);
  points.erase(std::unique(points.begin(), points.end()), points.end());
  std::erase(points, 0);

  TestPlan plan;
  for (const std::int64_t p : points) {
    plan.steps.push_back({TestKind::kWeighing, Intervals(instrument, p), Direction::kIncreasing});
  }
  for (auto p = points.rbegin(); p != points.rend(); ++p) {
    if (*p == n) continue;
    plan.steps.push_back({TestKind::kWeighing, Intervals(instrument, *p), Direction::kDecreasing});
  }
  plan.steps.push_back({TestKind::kReturnToZero, Mass{}});
  if (n / 3 > 0) {
    for (const Position position : kEccentricityPositions) {
      plan.steps.push_back({TestKind::kEccentricity, Intervals(instrument, n / 3),
                            Direction::kIncreasing, position});
    }
  }
  if (n / 2 > 0) {
    for (int i = 0; i < kRepeatabilityReadings; ++i) {
      plan.steps.push_back({TestKind::kRepeatability, Intervals(instrument, n / 2)});
    }
    if (discrimination) {
      plan.steps.push_back({TestKind::kDiscrimination, Intervals(instrument, n / 2)});
    }
  }
  return plan;
}

std::vector<std::string> CheckPlan(const TestPlan& plan, const Instrument& instrument) {
  std::vector<std::string> errors;
  CheckSteps(
      plan, instrument, [](std::size_t i) { return "Step " + std::to_string(i + 1); }, errors);
  return errors;
}

std::string StepPrompt(const TestPlan& plan, std::size_t index, const Instrument& instrument) {
  if (index >= plan.steps.size()) return {};
  const PlanStep& step = plan.steps[index];
  const std::string load = instrument.Text(step.load);
  const std::string where =
      " at the " + std::string(PositionText(step.position)) + " of the platform";
  switch (step.test) {
    case TestKind::kWeighing:
      if (step.direction == Direction::kDecreasing) return "Take the load down to " + load + where;
      return "Put " + load + where;
    case TestKind::kEccentricity:
      return "Put " + load + where;
    case TestKind::kRepeatability: {
      int number = 0;
      int count = 0;
      for (std::size_t i = 0; i < plan.steps.size(); ++i) {
        if (plan.steps[i].test != TestKind::kRepeatability) continue;
        ++count;
        if (i <= index) ++number;
      }
      const std::string which =
          " (reading " + std::to_string(number) + " of " + std::to_string(count) + ")";
      if (number == 1) return "Put " + load + where + which;
      return "Unload the platform, then put " + load + where + " again" + which;
    }
    case TestKind::kReturnToZero:
      return "Unload the platform completely";
    case TestKind::kDiscrimination:
      return "With " + load + where + ", add " + instrument.Text(DiscriminationWeight(instrument)) +
             " gently: did the indication change?";
  }
  return {};
}

std::string PlanCsv(const TestPlan& plan, const Instrument& instrument) {
  std::string text = "test,load,unit,position\r\n";
  for (const PlanStep& step : plan.steps) {
    text += std::string(WordOf(step)) + "," + MassText(step.load, instrument.decimals) + "," +
            std::string(instrument.UnitName()) + ",";
    if (step.test == TestKind::kEccentricity) text += PositionText(step.position);
    text += "\r\n";
  }
  return text;
}

PlanRead ParsePlanCsv(std::string_view text, const Instrument& instrument) {
  PlanRead read;
  std::vector<int> lines;
  int number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = TrimBlanks(text.substr(start, end - start));
    start = end + 1;
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const auto at = [number] { return "Line " + std::to_string(number) + ": "; };
    if (line.find('"') != std::string_view::npos) {
      read.errors.push_back(at() + "quotes are not read in a plan");
      continue;
    }
    const std::vector<std::string_view> fields = SplitFields(line);
    if (AsciiLower(fields[0]) == "test") continue;
    std::string error;
    if (const std::optional<PlanStep> step = ParseStep(fields, instrument, error)) {
      read.plan.steps.push_back(*step);
      lines.push_back(number);
    } else {
      read.errors.push_back(at() + error);
    }
  }
  if (read.errors.empty()) {
    CheckSteps(
        read.plan, instrument,
        [&lines](std::size_t i) { return "Line " + std::to_string(lines[i]); }, read.errors);
  }
  return read;
}

std::vector<std::string_view> PlanTestWords() {
  std::vector<std::string_view> words;
  for (const TestWord& w : kTestWords) words.push_back(w.word);
  return words;
}

std::vector<std::string_view> PlanPositionWords() {
  std::vector<std::string_view> words;
  for (const Position p : kEccentricityPositions) words.push_back(PositionText(p));
  return words;
}

PlanRowText RowTextOf(const PlanStep& step, const Instrument& instrument) {
  PlanRowText row{std::string(WordOf(step)), MassText(step.load, instrument.decimals), {}};
  if (step.test == TestKind::kEccentricity) row.position = PositionText(step.position);
  return row;
}

PlanRead ParsePlanRows(std::span<const PlanRowText> rows, const Instrument& instrument) {
  PlanRead read;
  const auto where = [](std::size_t i) { return "Step " + std::to_string(i + 1); };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::vector<std::string_view> fields{
        TrimBlanks(rows[i].test), TrimBlanks(rows[i].load), {}, TrimBlanks(rows[i].position)};
    std::string error;
    if (const std::optional<PlanStep> step = ParseStep(fields, instrument, error)) {
      read.plan.steps.push_back(*step);
    } else {
      read.errors.push_back(where(i) + ": " + error);
    }
  }
  if (read.errors.empty()) CheckSteps(read.plan, instrument, where, read.errors);
  return read;
}

PlanRead LoadPlanFile(const std::string& path, const Instrument& instrument) {
  const SmallFile file = ReadSmallFile(path, kMaxPlanFileSize);
  if (!file.result.ok()) {
    PlanRead read;
    read.errors.push_back("The plan " + path + " cannot be read: " + FailureText(file.result));
    return read;
  }
  return ParsePlanCsv(file.bytes, instrument);
}

std::string SavePlanFile(const std::string& path, const TestPlan& plan,
                         const Instrument& instrument) {
  const FileResult result = ReplaceFile(path, PlanCsv(plan, instrument));
  if (result.ok()) return {};
  return "The plan " + path + " cannot be written: " + FailureText(result);
}

}  // namespace tamarack
