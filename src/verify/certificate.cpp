#include "verify/certificate.h"

#include <algorithm>

namespace tamarack {
namespace {

void Put(ReportKeyValues& facts, std::string key, const std::string& value) {
  if (!value.empty()) facts.entries.push_back({std::move(key), value});
}

std::string AnswerText(const std::optional<bool>& changed) {
  return changed ? (*changed ? "yes" : "no") : "";
}

ReportMark MarkOf(Verdict verdict) {
  return verdict == Verdict::kFail ? ReportMark::kFailed : ReportMark::kNone;
}

std::string_view ReadingsNote(ReadingsAt at) {
  switch (at) {
    case ReadingsAt::kDisplayDivision:
      break;
    case ReadingsAt::kRoundingFree:
      return "Readings are rounding-free, with changeover weights: error = I + e/2 - ΔL - L.";
    case ReadingsAt::kMixed:
      return "Readings with a changeover weight ΔL are rounding-free (error = I + e/2 - ΔL - L); "
             "the others are at the display division (error = I - L).";
  }
  return "Readings are at the display division: error = I - L.";
}

ReportGrid GridOf(const TestOutcome& test, const Instrument& in, bool withChangeover) {
  const std::string unit = " (" + std::string(in.UnitName()) + ")";
  const int d = in.decimals;
  ReportGrid grid;
  if (test.test == TestKind::kDiscrimination) {
    grid.header = {"Step", "Load" + unit, "Added" + unit, "Indication changed", "Result"};
    for (const ReadingRow& row : test.rows) {
      grid.rows.push_back(
          {{std::to_string(row.step + 1), MassText(row.load, d), MassText(row.mpe, d),
            AnswerText(row.changed), std::string(VerdictText(row.verdict))},
           MarkOf(row.verdict)});
    }
    return grid;
  }
  const std::string labels = test.test == TestKind::kWeighing       ? "Direction"
                             : test.test == TestKind::kEccentricity ? "Position"
                                                                    : "";
  grid.header = {"Step", labels, "Load" + unit};
  if (withChangeover) grid.header.push_back("ΔL" + unit);
  for (const char* column : {"Indication", "Error", "MPE"}) grid.header.push_back(column + unit);
  grid.header.push_back("Reading");
  grid.header.push_back("Result");
  for (const ReadingRow& row : test.rows) {
    std::vector<std::string> cells{std::to_string(row.step + 1), row.label, MassText(row.load, d)};
    if (withChangeover) cells.push_back(row.changeover ? MassText(*row.changeover, d) : "");
    cells.push_back(row.indication ? MassText(*row.indication, d) : "");
    cells.push_back(row.error ? SignedMassText(*row.error, d) : "");
    cells.push_back("±" + MassText(row.mpe, d));
    cells.push_back(!row.indication ? "" : row.typed ? "typed by hand" : "display");
    cells.push_back(std::string(VerdictText(row.verdict)));
    grid.rows.push_back({std::move(cells), MarkOf(row.verdict)});
  }
  return grid;
}

// One test's tables, each under its heading.
void AddTests(Report& report, const VerificationResult& result) {
  const Instrument& in = result.setup.instrument;
  const bool withChangeover = result.readingsAt != ReadingsAt::kDisplayDivision;
  report.Add(ReportParagraph{std::string(ReadingsNote(result.readingsAt))});
  for (const TestOutcome& test : result.tests) {
    report.Add(ReportHeading{std::string(TestName(test.test)) + ": " +
                             std::string(VerdictText(test.verdict))});
    report.Add(GridOf(test, in, withChangeover));
    if (test.spread) {
      report.Add(ReportParagraph{"Spread of the errors " + in.Text(*test.spread) +
                                 (*test.spread <= test.spreadLimit ? ", within " : ", beyond ") +
                                 in.Text(test.spreadLimit)});
    }
  }
}

std::string StageResult(const VerificationResult& result) {
  std::string text(VerdictText(result.verdict));
  if (!result.setup.details.when.empty()) text += " (" + result.setup.details.when + ")";
  return text;
}

}  // namespace

std::vector<VerificationResult> CertifiedTests(std::span<const VerificationResult> run) {
  if (run.empty()) return {};
  std::vector<VerificationResult> tests;
  if (run.back().setup.details.stage == kAsLeft) {
    const auto found = std::find_if(run.rbegin() + 1, run.rend(), [](const VerificationResult& r) {
      return r.setup.details.stage == kAsFound;
    });
    if (found != run.rend()) tests.push_back(*found);
  }
  tests.push_back(run.back());
  return tests;
}

Certificate MakeCertificate(std::vector<VerificationResult> tests) {
  Certificate certificate;
  certificate.tests = std::move(tests);
  if (certificate.tests.empty()) return certificate;
  const VerificationResult& last = certificate.tests.back();
  certificate.verdict = last.verdict;
  const bool staged = certificate.tests.size() > 1;
  const VerificationSetup& setup = last.setup;
  const Instrument& in = setup.instrument;
  const TestDetails& t = setup.details;

  Report& report = certificate.report;
  report.title.title = "Scale verification";
  if (staged) {
    report.title.lines.push_back("As found and as left");
  } else if (!t.stage.empty()) {
    report.title.lines.push_back(t.stage);
  }

  ReportKeyValues facts;
  Put(facts, "Result", std::string(VerdictText(certificate.verdict)));
  if (staged) {
    for (const VerificationResult& test : certificate.tests) {
      Put(facts, test.setup.details.stage, StageResult(test));
    }
  }
  Put(facts, "Max", in.Text(in.max));
  Put(facts, "Scale interval e = d", in.Text(in.e));
  Put(facts, "Scale intervals n", std::to_string(in.n));
  Put(facts, "Accuracy class", std::string(ClassText(setup.accuracyClass)));
  Put(facts, "Regulation (F6.1)", in.regulationText);
  Put(facts, "Tolerances applied", setup.tolerance.name);
  Put(facts, "Software version (F7.3)", in.version);
  Put(facts, "Port", t.port);
  Put(facts, "Line", t.line);
  Put(facts, "Test weights", t.weightSet);
  Put(facts, "Weights' certificate", t.weightCertificate);
  Put(facts, "Temperature", t.temperature);
  Put(facts, "Technician", t.technician);
  Put(facts, "Date and time", t.when);
  report.Add(std::move(facts));

  for (const VerificationResult& test : certificate.tests) {
    if (staged) {
      report.Add(ReportHeading{test.setup.details.stage + ": " + StageResult(test)});
    }
    AddTests(report, test);
  }
  report.Add(ReportSignatures{{"Technician"}}, ReportForms::kPdfOnly);
  return certificate;
}

}  // namespace tamarack
