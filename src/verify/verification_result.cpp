#include "verify/verification_result.h"

#include <algorithm>
#include <cstdio>

namespace tamarack {
namespace {

std::string Capitalized(std::string_view text) {
  std::string out(text);
  if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 32);
  return out;
}

std::string RowLabel(const PlanStep& step, int repetition) {
  switch (step.test) {
    case TestKind::kWeighing:
      return step.direction == Direction::kIncreasing ? "Increasing" : "Decreasing";
    case TestKind::kEccentricity:
      return Capitalized(PositionText(step.position));
    case TestKind::kRepeatability:
      return "Reading " + std::to_string(repetition);
    case TestKind::kReturnToZero:
      return "After unloading";
    case TestKind::kDiscrimination:
      return "Added";
  }
  return {};
}

Verdict Combine(Verdict a, Verdict b) {
  if (a == Verdict::kFail || b == Verdict::kFail) return Verdict::kFail;
  if (a == Verdict::kIncomplete || b == Verdict::kIncomplete) return Verdict::kIncomplete;
  return Verdict::kPass;
}

std::string_view TestKey(TestKind test) {
  switch (test) {
    case TestKind::kWeighing:
      return "weighing";
    case TestKind::kEccentricity:
      return "eccentricity";
    case TestKind::kRepeatability:
      return "repeatability";
    case TestKind::kReturnToZero:
      return "returnToZero";
    case TestKind::kDiscrimination:
      return "discrimination";
  }
  return {};
}

std::string_view ReadingsAtKey(ReadingsAt at) {
  switch (at) {
    case ReadingsAt::kDisplayDivision:
      return "display division";
    case ReadingsAt::kRoundingFree:
      return "rounding-free";
    case ReadingsAt::kMixed:
      return "mixed";
  }
  return {};
}

// --- JSON ---

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

// Members of one object, written in the order they are added.
class JsonObject {
 public:
  JsonObject& Raw(std::string_view key, std::string_view value) {
    text_ += (text_.empty() ? "" : ",") + JsonString(key) + ":" + std::string(value);
    return *this;
  }
  JsonObject& Text(std::string_view key, std::string_view value) {
    return Raw(key, JsonString(value));
  }
  JsonObject& Number(std::string_view key, Mass m, int decimals) {
    return Raw(key, MassText(m, decimals));
  }
  JsonObject& Bool(std::string_view key, bool value) { return Raw(key, value ? "true" : "false"); }
  std::string Done() const { return "{" + text_ + "}"; }

 private:
  std::string text_;
};

std::string JsonArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
  return out + "]";
}

std::string RowJson(const ReadingRow& row, const Instrument& in) {
  const int d = in.decimals;
  JsonObject o;
  o.Raw("step", std::to_string(row.step + 1)).Text("label", row.label);
  if (row.planned.test == TestKind::kWeighing) {
    o.Text("direction",
           row.planned.direction == Direction::kIncreasing ? "increasing" : "decreasing");
  }
  o.Text("position", PositionText(row.planned.position));
  o.Number("nominal", row.planned.load, d).Number("load", row.load, d);
  if (row.planned.test == TestKind::kDiscrimination) {
    o.Number("added", row.mpe, d);
    o.Raw("changed", row.changed ? (*row.changed ? "true" : "false") : "null");
  } else {
    if (row.changeover) o.Number("changeover", *row.changeover, d);
    o.Raw("indication", row.indication ? MassText(*row.indication, d) : "null");
    o.Raw("error", row.error ? MassText(*row.error, d) : "null");
    o.Number("mpe", row.mpe, d);
    o.Bool("typed", row.typed);
  }
  o.Text("result", VerdictText(row.verdict));
  return o.Done();
}

}  // namespace

std::string_view VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::kPass:
      return "PASS";
    case Verdict::kFail:
      return "FAIL";
    case Verdict::kIncomplete:
      break;
  }
  return "INCOMPLETE";
}

Mass ReadingError(Mass indication, Mass load, std::optional<Mass> changeover, Mass e) {
  if (!changeover) return indication - load;
  return indication + Mass{e.micro / 2} - *changeover - load;
}

VerificationResult Evaluate(const VerificationSetup& setup, std::span<const StepRecord> records) {
  VerificationResult result;
  result.setup = setup;
  const Instrument& in = setup.instrument;
  int repetition = 0;
  int readings = 0;
  int changeovers = 0;
  for (std::size_t i = 0; i < setup.plan.steps.size(); ++i) {
    const PlanStep& step = setup.plan.steps[i];
    const StepRecord record = i < records.size() ? records[i] : StepRecord{};
    if (step.test == TestKind::kRepeatability) ++repetition;

    ReadingRow row;
    row.step = i;
    row.label = RowLabel(step, repetition);
    row.planned = step;
    row.load = record.conventional.value_or(step.load);
    if (step.test == TestKind::kDiscrimination) {
      row.mpe = DiscriminationWeight(in);
      row.changed = record.changed;
      if (record.changed) row.verdict = *record.changed ? Verdict::kPass : Verdict::kFail;
    } else {
      row.mpe = step.test == TestKind::kReturnToZero ? Mass{in.e.micro / 2}
                                                     : setup.tolerance.Mpe(in, step.load);
      row.changeover = record.changeover;
      if (record.reading) {
        ++readings;
        if (record.changeover) ++changeovers;
        row.indication = record.reading->indication;
        row.typed = record.reading->typed;
        row.error = ReadingError(*row.indication, row.load, row.changeover, in.e);
        row.verdict = Abs(*row.error) <= row.mpe ? Verdict::kPass : Verdict::kFail;
      }
    }

    auto test = std::find_if(result.tests.begin(), result.tests.end(),
                             [&](const TestOutcome& t) { return t.test == step.test; });
    if (test == result.tests.end()) {
      result.tests.push_back({step.test, {}, std::nullopt, Mass{}, Verdict::kPass});
      test = std::prev(result.tests.end());
    }
    test->verdict = test->rows.empty() ? row.verdict : Combine(test->verdict, row.verdict);
    test->rows.push_back(std::move(row));
  }

  for (TestOutcome& test : result.tests) {
    if (test.test != TestKind::kRepeatability) continue;
    test.spreadLimit = test.rows.front().mpe;
    const bool all =
        std::ranges::all_of(test.rows, [](const ReadingRow& r) { return r.error.has_value(); });
    if (!all) continue;
    const auto [low, high] = std::ranges::minmax_element(
        test.rows, [](const ReadingRow& a, const ReadingRow& b) { return *a.error < *b.error; });
    test.spread = *high->error - *low->error;
    if (*test.spread > test.spreadLimit) test.verdict = Verdict::kFail;
  }

  result.readingsAt = changeovers == 0          ? ReadingsAt::kDisplayDivision
                      : changeovers == readings ? ReadingsAt::kRoundingFree
                                                : ReadingsAt::kMixed;
  result.verdict = result.tests.empty() ? Verdict::kIncomplete : Verdict::kPass;
  for (const TestOutcome& test : result.tests)
    result.verdict = Combine(result.verdict, test.verdict);
  return result;
}

std::string VerificationJson(const VerificationResult& result) {
  const VerificationSetup& setup = result.setup;
  const Instrument& in = setup.instrument;
  const int d = in.decimals;

  JsonObject instrument;
  instrument.Number("max", in.max, d)
      .Number("e", in.e, d)
      .Raw("n", std::to_string(in.n))
      .Text("unit", in.UnitName())
      .Text("class", ClassText(setup.accuracyClass))
      .Text("regulation", in.regulationText)
      .Text("version", in.version);

  JsonObject tolerance;
  tolerance.Text("name", setup.tolerance.name);
  if (setup.tolerance.table != nullptr) tolerance.Text("situation", SituationWord(setup.situation));

  JsonObject details;
  const TestDetails& t = setup.details;
  for (const auto& [key, value] :
       {std::pair<std::string_view, const std::string&>{"technician", t.technician},
        {"weightSet", t.weightSet},
        {"weightCertificate", t.weightCertificate},
        {"temperature", t.temperature},
        {"stage", t.stage},
        {"port", t.port},
        {"line", t.line},
        {"when", t.when}}) {
    if (!value.empty()) details.Text(key, value);
  }

  std::vector<std::string> tests;
  for (const TestOutcome& test : result.tests) {
    JsonObject o;
    o.Text("test", TestKey(test.test)).Text("name", TestName(test.test));
    o.Text("result", VerdictText(test.verdict));
    if (test.test == TestKind::kRepeatability) {
      o.Raw("spread", test.spread ? MassText(*test.spread, d) : "null");
      o.Number("spreadLimit", test.spreadLimit, d);
    }
    std::vector<std::string> rows;
    for (const ReadingRow& row : test.rows) rows.push_back(RowJson(row, in));
    o.Raw("readings", JsonArray(rows));
    tests.push_back(o.Done());
  }

  JsonObject top;
  top.Text("result", VerdictText(result.verdict))
      .Raw("instrument", instrument.Done())
      .Raw("tolerance", tolerance.Done())
      .Text("readingsAt", ReadingsAtKey(result.readingsAt))
      .Raw("details", details.Done())
      .Raw("tests", JsonArray(tests));
  return top.Done() + "\n";
}

}  // namespace tamarack
