// A verification judged and walked: the rounding-free error, the simulated scale's expected
// outcomes with hand-made readings, the run's steps, and what the certificate and the JSON hold.

#include <gtest/gtest.h>

#include <cmath>

#include "verify/certificate.h"
#include "verify/verification_run.h"
#include "verify_test_util.h"

namespace tamarack {
namespace {

using test::M;
using test::Shows;

VerificationSetup Prepared(int regulation = 0, Situation situation = Situation::kAcceptance,
                           bool discrimination = false) {
  VerificationRequest request;
  request.situation = situation;
  request.discrimination = discrimination;
  request.details.technician = "A. Tech";
  const PreparedVerification prepared =
      PrepareVerification(test::SetupValues(10000, 1, 0, regulation), request);
  EXPECT_TRUE(prepared.setup) << prepared.messages.front();
  return *prepared.setup;
}

// What the scale shows for each step when its errors are a span error (parts per million of the
// load), one eccentric quarter's error and a hysteresis on decreasing loads (in e), rounded to e
// half up as the display does.
std::vector<StepRecord> Readings(const VerificationSetup& setup, int spanPpm,
                                 Position eccentric = Position::kCentre, int eccentricPpm = 0,
                                 int hysteresisE = 0) {
  std::vector<StepRecord> records;
  const std::int64_t e = setup.instrument.e.micro;
  for (const PlanStep& step : setup.plan.steps) {
    StepRecord record;
    if (step.test == TestKind::kDiscrimination) {
      record.changed = true;
    } else {
      const std::int64_t loadE = step.load.micro / e;
      std::int64_t ppm = spanPpm;
      if (step.test == TestKind::kEccentricity && step.position == eccentric) ppm += eccentricPpm;
      // loadE × (1 + ppm / 10^6), rounded half up, in whole e.
      std::int64_t shownE = (loadE * (1'000'000 + ppm) + 500'000) / 1'000'000;
      if (step.test == TestKind::kWeighing && step.direction == Direction::kDecreasing) {
        shownE += hysteresisE;
      }
      record.reading = Reading{Mass{shownE * e}, false};
    }
    records.push_back(record);
  }
  return records;
}

// The failing rows as "Weighing test +1000.0", "Eccentricity front left 333.3" ...
std::vector<std::string> Failing(const VerificationResult& result) {
  std::vector<std::string> out;
  for (const TestOutcome& test : result.tests) {
    for (const ReadingRow& row : test.rows) {
      if (row.verdict != Verdict::kFail) continue;
      std::string what = std::string(TestName(test.test)) + " ";
      if (test.test == TestKind::kWeighing) {
        what += row.planned.direction == Direction::kIncreasing ? "+" : "-";
      }
      if (test.test == TestKind::kEccentricity) {
        what += std::string(PositionText(row.planned.position)) + " ";
      }
      out.push_back(what + MassText(row.load, 1));
    }
  }
  return out;
}

const ReadingRow& RowAt(const VerificationResult& result, std::size_t step) {
  for (const TestOutcome& test : result.tests) {
    for (const ReadingRow& row : test.rows) {
      if (row.step == step) return row;
    }
  }
  throw std::out_of_range("no such step");
}

TEST(Verification, RoundingFreeError) {
  const struct {
    const char* indication;
    const char* load;
    const char* changeover;  // "" none
    const char* e;
    const char* error;
  } rows[] = {
      {"500.1", "500", "", "0.1", "0.1"},     {"500.1", "500", "0.03", "0.1", "0.12"},
      {"500.0", "500", "0.05", "0.1", "0"},   {"1000.3", "1000", "0.01", "0.1", "0.34"},
      {"100.5", "100", "0.2", "0.5", "0.55"}, {"1.0001", "1", "0.00003", "0.0001", "0.00012"},
      {"0", "0", "0.1", "0.1", "-0.05"},      {"9999", "10000", "", "1", "-1"},
  };
  for (const auto& row : rows) {
    const std::optional<Mass> changeover =
        *row.changeover ? std::optional<Mass>(M(row.changeover)) : std::nullopt;
    EXPECT_EQ(ReadingError(M(row.indication), M(row.load), changeover, M(row.e)), M(row.error))
        << row.indication << " for " << row.load << ", ΔL " << row.changeover;
  }
}

TEST(Verification, TheSimulatedScalesExpectedOutcomes) {
  const struct {
    const char* name;
    int regulation;
    int spanPpm;
    Position eccentric;
    int eccentricPpm;
    int hysteresisE;
    Verdict verdict;
    std::vector<std::string> failing;
  } rows[] = {
      {"ideal", 0, 0, Position::kCentre, 0, 0, Verdict::kPass, {}},
      {"NTEP span +0.03%",
       0,
       300,
       Position::kCentre,
       0,
       0,
       Verdict::kFail,
       {"Weighing test +1000.0"}},
      {"OIML span +0.02%",
       1,
       200,
       Position::kCentre,
       0,
       0,
       Verdict::kFail,
       {"Weighing test +1000.0"}},
      {"NTEP front left +0.05%",
       0,
       0,
       Position::kFrontLeft,
       500,
       0,
       Verdict::kFail,
       {"Eccentricity front left 333.3"}},
      {"NTEP hysteresis 1 e",
       0,
       0,
       Position::kCentre,
       0,
       1,
       Verdict::kFail,
       {"Weighing test -50.0"}},
  };
  for (const auto& row : rows) {
    const VerificationSetup setup = Prepared(row.regulation);
    const VerificationResult result = Evaluate(
        setup, Readings(setup, row.spanPpm, row.eccentric, row.eccentricPpm, row.hysteresisE));
    EXPECT_EQ(result.verdict, row.verdict) << row.name;
    EXPECT_EQ(Failing(result), row.failing) << row.name;
  }

  // The figures behind the first two: 3 e over 2.5 e fails while 500 kg passes; 2 e over 1.5 e.
  const VerificationSetup ntep = Prepared(0);
  const VerificationResult span = Evaluate(ntep, Readings(ntep, 300));
  const ReadingRow& max = RowAt(span, 4);
  EXPECT_EQ(max.error, M("0.3"));
  EXPECT_EQ(max.mpe, M("0.25"));
  const ReadingRow& half = RowAt(span, 3);
  EXPECT_EQ(half.load, M("500.0"));
  EXPECT_EQ(half.verdict, Verdict::kPass);
  EXPECT_LE(*half.error, M("0.2"));
  const VerificationSetup oiml = Prepared(1);
  const VerificationResult oimlSpan = Evaluate(oiml, Readings(oiml, 200));
  const ReadingRow& oimlMax = RowAt(oimlSpan, 3);
  EXPECT_EQ(oimlMax.error, M("0.2"));
  EXPECT_EQ(oimlMax.mpe, M("0.15"));
  EXPECT_EQ(oimlMax.verdict, Verdict::kFail);
}

TEST(Verification, RepeatabilityZeroAndDiscriminationRules) {
  const VerificationSetup setup = Prepared(0, Situation::kAcceptance, true);
  std::vector<StepRecord> records = Readings(setup, 0);
  // Repeatability at 500.0 kg (MPE 0.25): readings 500.1, 500.0, 499.9 spread 0.2: within.
  records[15].reading->indication = M("500.1");
  records[17].reading->indication = M("499.9");
  VerificationResult result = Evaluate(setup, records);
  EXPECT_EQ(result.tests[3].test, TestKind::kRepeatability);
  EXPECT_EQ(result.tests[3].spread, M("0.2"));
  EXPECT_EQ(result.tests[3].verdict, Verdict::kPass);
  // The same spread with the changeover method: 500.1 + ΔL 0.01 → +0.14, 499.9 + ΔL 0.09 → -0.14.
  records[15].changeover = M("0.01");
  records[17].changeover = M("0.09");
  result = Evaluate(setup, records);
  EXPECT_EQ(result.tests[3].spread, M("0.28"));
  EXPECT_EQ(result.tests[3].verdict, Verdict::kFail) << "0.28 is beyond 0.25";
  EXPECT_EQ(result.readingsAt, ReadingsAt::kMixed);

  records = Readings(setup, 0);
  records[9].reading->indication = M("0.1");  // the return to zero, ±0.05 kg
  records[18].changed = false;
  result = Evaluate(setup, records);
  EXPECT_EQ(Failing(result),
            (std::vector<std::string>{"Return to zero 0.0", "Discrimination 500.0"}));
  records.resize(10);
  EXPECT_EQ(Evaluate(setup, records).verdict, Verdict::kFail) << "a failure outweighs gaps";
  EXPECT_EQ(Evaluate(setup, Readings(setup, 0)).verdict, Verdict::kPass);
  EXPECT_EQ(Evaluate(setup, {}).verdict, Verdict::kIncomplete);
}

TEST(Verification, PreparedOrRefusedBeforeAnythingIsSent) {
  const struct {
    long long n;
    int regulation;
    AccuracyClass accuracyClass;
    const char* customer;
    std::optional<TestPlan> plan;
    std::vector<std::string> messages;
  } rows[] = {
      {10000, 0, AccuracyClass::kIII, "", std::nullopt, {}},
      {10000,
       1,
       AccuracyClass::kIIII,
       "",
       std::nullopt,
       {"Class IIII allows at most 1000 scale intervals; F1.1 gives this scale 10000"}},
      {20000,
       3,
       AccuracyClass::kIII,
       "",
       std::nullopt,
       {"Class III allows at most 10000 scale intervals; F1.1 gives this scale 20000",
        "F6.1 is 3 (NONE): state the customer's tolerance, in e (\"1.5 e\") or in kg"}},
      {10000, 0, AccuracyClass::kIII, "", TestPlan{}, {"The plan has no step"}},
      {10000,
       0,
       AccuracyClass::kIII,
       "",
       TestPlan{{{TestKind::kWeighing, M("1000.1")}, {TestKind::kWeighing, M("-1")}}},
       {"Step 1: 1000.1 kg is beyond Max 1000.0 kg",
        "Step 2: a load cannot be negative (-1.0 kg)"}},
  };
  for (const auto& row : rows) {
    VerificationRequest request;
    request.accuracyClass = row.accuracyClass;
    request.customerTolerance = row.customer;
    request.plan = row.plan;
    const PreparedVerification prepared =
        PrepareVerification(test::SetupValues(row.n, 1, 0, row.regulation), request);
    EXPECT_EQ(prepared.messages, row.messages);
    EXPECT_EQ(prepared.setup.has_value(), row.messages.empty());
  }
  VerificationRequest fromFile;
  fromFile.planPath = "/nonexistent/plan.csv";
  const PreparedVerification missing =
      PrepareVerification(test::SetupValues(10000, 1, 0), fromFile);
  ASSERT_EQ(missing.messages.size(), 1u);
  EXPECT_EQ(missing.messages[0].rfind("/nonexistent/plan.csv: The plan ", 0), 0u);
}

TEST(VerificationRun, WalksThePlan) {
  std::int64_t now = 0;
  VerificationRun run(Prepared(0, Situation::kAcceptance, true), [&now] { return now; });
  const auto settle = [&](const char* shown) {
    RunEvent event;
    run.BeginReading();
    for (int i = 0; i < kSteadyPolls; ++i) {
      now += 200;
      event = run.Feed(Shows(shown));
    }
    return event;
  };
  EXPECT_EQ(run.Prompt(), "Put 50.0 kg at the centre of the platform");
  EXPECT_EQ(run.Feed(Shows("  50.0")).state, TakeState::kIdle) << "not before the load is on";
  const RunEvent first = settle("  50.0");
  EXPECT_EQ(first.state, TakeState::kTaken);
  EXPECT_EQ(first.recordedStep, 0u);
  EXPECT_EQ(run.Current(), 1u);

  // A stop keeps the step; it is read again.
  run.BeginReading();
  EXPECT_EQ(run.Feed(Shows(" 200.0", true, WeightUnit::kLb)).message,
            "The display changed to lb; the test is in kg");
  EXPECT_EQ(run.Current(), 1u);
  EXPECT_FALSE(run.Taking());
  EXPECT_EQ(settle(" 200.0").recordedStep, 1u);
  // A time-out records nothing.
  run.BeginReading();
  now += kSettleLimitMs;
  EXPECT_EQ(run.CheckTime().message, kNotSettled);
  EXPECT_FALSE(run.Records()[2].reading);

  // Typed values: at the display's decimals only, and marked.
  EXPECT_EQ(run.TypeReading("400.05"), "The reading: \"400.05\" has more than 1 decimal");
  EXPECT_EQ(run.TypeReading("400.1"), "");
  EXPECT_TRUE(run.Records()[2].reading->typed);
  EXPECT_EQ(run.SetChangeover(2, "0.2"), "The changeover weight 0.2 kg is more than e (0.1 kg)");
  EXPECT_EQ(run.SetChangeover(2, "0.07"), "");
  EXPECT_EQ(run.SetConventionalMass(2, "400.002"), "");
  EXPECT_EQ(RowAt(run.Result(), 2).error, M("400.1") + M("0.05") - M("0.07") - M("400.002"));
  EXPECT_EQ(run.SetConventionalMass(9, "1"), "A return to zero has no load");
  EXPECT_EQ(run.SetConventionalMass(2, "400.2"),
            "The mass put on, 400.2 kg, is more than e from the planned 400.0 kg: change the "
            "plan's load instead");

  for (std::size_t step = *run.Current(); step < 18; step = *run.Current()) {
    EXPECT_FALSE(run.AsksQuestion());
    ASSERT_EQ(run.TypeReading(MassText(run.Setup().plan.steps[step].load, 1)), "");
  }
  EXPECT_TRUE(run.AsksQuestion());
  EXPECT_EQ(run.TypeReading("500.0"), "This step is answered yes or no");
  EXPECT_EQ(run.Answer(true), "");
  EXPECT_TRUE(run.Finished());
  EXPECT_EQ(run.Prompt(), "");
  EXPECT_EQ(run.Result().verdict, Verdict::kPass);

  EXPECT_EQ(run.Retake(4), "");
  EXPECT_EQ(run.Current(), 4u);
  EXPECT_EQ(run.Prompt(), "Put 1000.0 kg at the centre of the platform");
  EXPECT_EQ(run.Result().verdict, Verdict::kIncomplete);
  EXPECT_EQ(settle("1000.3").recordedStep, 4u);
  EXPECT_EQ(run.Result().verdict, Verdict::kFail);
  EXPECT_EQ(run.Retake(40), "The plan has no step 41");
}

// A report's grid by the heading before it.
const ReportGrid* GridAfter(const Report& report, std::string_view heading) {
  for (std::size_t i = 0; i + 1 < report.blocks.size(); ++i) {
    const auto* h = std::get_if<ReportHeading>(&report.blocks[i].content);
    if (h && h->text == heading) return std::get_if<ReportGrid>(&report.blocks[i + 1].content);
  }
  return nullptr;
}

TEST(Certificate, TheInstrumentTheTableAppliedAndEachTestWithItsFailingRowsMarked) {
  VerificationSetup setup = Prepared(0);
  setup.details.stage = kAsFound;
  setup.details.port = "Simulator";
  setup.details.line = "9600 baud, 8 data bits, parity none, 1 stop bit";
  std::vector<StepRecord> records = Readings(setup, 300);
  records[0].reading->typed = true;
  const Certificate certificate = MakeCertificate({Evaluate(setup, records)});
  EXPECT_FALSE(certificate.Passed());
  const Report& report = certificate.report;
  EXPECT_EQ(report.title.title, "Scale verification");
  EXPECT_EQ(report.title.lines, std::vector<std::string>{kAsFound});

  const std::string csv = ReportCsv(report);
  for (const char* line :
       {"Result,FAIL\r\n", "Max,1000.0 kg\r\n", "Scale intervals n,10000\r\n",
        "Accuracy class,III\r\n", "Regulation (F6.1),0 (NTEP)\r\n",
        "Tolerances applied,\"NIST Handbook 44, class III, acceptance "
        "tolerances\"\r\n",
        "Software version (F7.3),1.07\r\n", "Port,Simulator\r\n", "Technician,A. Tech\r\n",
        "Readings are at the display division: error = I - L.\r\n",
        "\"Spread of the errors 0.0 kg, within 0.25 kg\"\r\n"}) {
    EXPECT_NE(csv.find(line), std::string::npos) << line << "\nin\n" << csv;
  }
  EXPECT_EQ(csv.find("Temperature"), std::string::npos) << "empty details are left out";

  const ReportGrid* weighing = GridAfter(report, "Weighing test: FAIL");
  ASSERT_NE(weighing, nullptr);
  EXPECT_EQ(weighing->header,
            (std::vector<std::string>{"Step", "Direction", "Load (kg)", "Indication (kg)",
                                      "Error (kg)", "MPE (kg)", "Reading", "Result"}));
  EXPECT_EQ(weighing->rows[0].cells,
            (std::vector<std::string>{"1", "Increasing", "50.0", "50.0", "0.0", "±0.05",
                                      "typed by hand", "PASS"}));
  EXPECT_EQ(weighing->rows[4].cells,
            (std::vector<std::string>{"5", "Increasing", "1000.0", "1000.3", "+0.3", "±0.25",
                                      "display", "FAIL"}));
  for (std::size_t i = 0; i < weighing->rows.size(); ++i) {
    EXPECT_EQ(weighing->rows[i].mark == ReportMark::kFailed,
              weighing->rows[i].cells.back() == "FAIL")
        << "row " << i;
  }
  ASSERT_NE(GridAfter(report, "Eccentricity: PASS"), nullptr);
  EXPECT_TRUE(std::holds_alternative<ReportSignatures>(report.blocks.back().content));
  EXPECT_EQ(report.blocks.back().forms, ReportForms::kPdfOnly);
}

TEST(Certificate, AsFoundAndAsLeftTogetherTheAsLeftDecides) {
  VerificationSetup found = Prepared(0);
  found.details.stage = kAsFound;
  found.details.when = "2026-03-24 10:00";
  VerificationSetup left = found;
  left.details.stage = kAsLeft;
  left.details.when = "2026-03-24 11:00";
  const std::vector<VerificationResult> run{Evaluate(found, Readings(found, 300)),
                                            Evaluate(left, Readings(left, 0))};
  const Certificate certificate = MakeCertificate(CertifiedTests(run));
  ASSERT_EQ(certificate.tests.size(), 2u);
  EXPECT_TRUE(certificate.Passed());
  EXPECT_EQ(certificate.report.title.lines, std::vector<std::string>{"As found and as left"});
  const std::string csv = ReportCsv(certificate.report);
  for (const char* part : {"Result,PASS\r\n", "As found,FAIL (2026-03-24 10:00)\r\n",
                           "As left,PASS (2026-03-24 11:00)\r\n"}) {
    EXPECT_NE(csv.find(part), std::string::npos) << part << "\nin\n" << csv;
  }
  EXPECT_LT(csv.find("As found: FAIL (2026-03-24 10:00)"),
            csv.find("As left: PASS (2026-03-24 11:00)"));
}

TEST(Certificate, WhichTestsOfAVisitItCertifies) {
  const struct {
    std::vector<std::string> stages;  // the tests run, oldest first
    std::vector<std::size_t> certified;
  } cases[] = {
      {{}, {}},
      {{""}, {0}},
      {{kAsFound}, {0}},
      {{kAsLeft}, {0}},
      {{kAsFound, kAsLeft}, {0, 1}},
      {{kAsFound, kAsFound, kAsLeft}, {1, 2}},
      {{kAsFound, "", kAsLeft}, {0, 2}},
      {{kAsLeft, kAsFound}, {1}},
      {{kAsFound, kAsLeft, ""}, {2}},
  };
  const VerificationSetup setup = Prepared(0);
  for (const auto& c : cases) {
    std::vector<VerificationResult> run;
    for (std::size_t i = 0; i < c.stages.size(); ++i) {
      VerificationSetup staged = setup;
      staged.details.stage = c.stages[i];
      staged.details.when = std::to_string(i);
      run.push_back(Evaluate(staged, {}));
    }
    std::vector<std::size_t> certified;
    for (const VerificationResult& r : CertifiedTests(run)) {
      certified.push_back(std::stoul(r.setup.details.when));
    }
    EXPECT_EQ(certified, c.certified) << ::testing::PrintToString(c.stages);
  }
}

TEST(VerificationJson, EveryReadingWithItsFigures) {
  VerificationSetup setup = Prepared(0, Situation::kAcceptance, true);
  setup.details.technician = "A. \"Tech\"\n";
  std::vector<StepRecord> records = Readings(setup, 300);
  records[1].changeover = M("0.03");
  records.resize(19);
  records[18].changed.reset();
  const std::string json = VerificationJson(Evaluate(setup, records));
  for (const char* part : {
           R"j({"result":"FAIL","instrument":{"max":1000.0,"e":0.1,"n":10000,"unit":"kg",)j",
           R"j("class":"III","regulation":"0 (NTEP)","version":"1.07"},)j",
           R"j("tolerance":{"name":"NIST Handbook 44, class III, acceptance tolerances",)j",
           R"j("situation":"acceptance"},"readingsAt":"mixed",)j",
           R"j("details":{"technician":"A. \"Tech\"\n"},)j",
           R"j({"step":5,"label":"Increasing","direction":"increasing","position":"centre",)j",
           R"j("nominal":1000.0,"load":1000.0,"indication":1000.3,"error":0.3,"mpe":0.25,)j",
           R"j("typed":false,"result":"FAIL"})j",
           R"j("load":200.0,"changeover":0.03,"indication":200.1,"error":0.12,"mpe":0.1,)j",
           R"j({"test":"repeatability","name":"Repeatability","result":"PASS","spread":0.0,)j",
           R"j("spreadLimit":0.25,)j",
           R"j("added":0.14,"changed":null,"result":"INCOMPLETE"})j",
       }) {
    EXPECT_NE(json.find(part), std::string::npos) << part << "\nin\n" << json;
  }
}

}  // namespace
}  // namespace tamarack
