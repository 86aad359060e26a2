#include "cli/test_scale_command.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "files/replace_file.h"
#include "files/small_file.h"
#include "files/text_fields.h"
#include "indicator/display_decode.h"
#include "indicator/weight_series.h"
#include "records/record_collector.h"
#include "records/report_pdf.h"
#include "sim/simulator.h"
#include "ui/text.h"
#include "verify/finished_certificate.h"

namespace tamarack::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double kKgPerLb = 0.45359237;
constexpr std::size_t kMaxPlanBytes = 64 * 1024;

// The row of the result for a step of the plan.
const ReadingRow* RowOf(const VerificationResult& result, std::size_t step) {
  for (const TestOutcome& test : result.tests) {
    for (const ReadingRow& row : test.rows) {
      if (row.step == step) return &row;
    }
  }
  return nullptr;
}

std::string RowLine(const VerificationResult& result, std::size_t step) {
  const ReadingRow* row = RowOf(result, step);
  if (row == nullptr) return {};
  const Instrument& in = result.setup.instrument;
  const std::string head = "Step " + std::to_string(step + 1) + " of " +
                           std::to_string(result.setup.plan.steps.size()) + ": ";
  if (row->planned.test == TestKind::kDiscrimination) {
    return head + "adding " + in.Text(row->mpe) + " at " + in.Text(row->load) +
           (row->changed && *row->changed ? " changed" : " did not change") +
           " the indication: " + std::string(VerdictText(row->verdict));
  }
  std::string line = head + row->label + " " + in.Text(row->load) + ", indication " +
                     (row->indication ? in.Text(*row->indication) : "-");
  if (row->error) line += ", error " + SignedMassText(*row->error, in.decimals);
  line += ", MPE ±" + MassText(row->mpe, in.decimals) + (row->typed ? " (typed)" : "") + ": " +
          std::string(VerdictText(row->verdict));
  return line;
}

class Walk {
 public:
  Walk(SerialLink& link, UserFeedback& ui, const TestScaleSetup& setup)
      : link_(link), ui_(ui), setup_(setup), start_(Clock::now()) {}

  std::int64_t Ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  }
  bool Stopped() const { return setup_.stop && setup_.stop->load(); }

  void Tell(const std::string& line) const {
    if (setup_.tell) setup_.tell(line);
  }

  void Place(const Instrument& in, Position position, Mass load) const {
    const double kg = static_cast<double>(load.micro) / static_cast<double>(kMicroPerUnit) *
                      (in.unit == WeightUnit::kLb ? kKgPerLb : 1.0);
    setup_.simulator->With([&](sim::SimulatedIndicator& m) {
      m.SetPosition(position);
      m.SetLoad(kg);
    });
  }

  // Polls every 200 ms, feeding `feed`, until it no longer waits. `lit` gets the first poll of the
  // unbroken run of lit Stable lamps at the end.
  TakeState Settle(const std::function<TakeState(const std::optional<DisplayReading>&)>& feed,
                   std::int64_t& lit) {
    lit = -1;
    while (!Stopped()) {
      const Clock::time_point began = Clock::now();
      std::optional<DisplayReading> reading;
      if (PollDisplay(state_, link_, ui_, true)) reading = ReadDisplay(state_);
      if (reading && reading->stable) {
        if (lit < 0) lit = Ms();
      } else {
        lit = -1;
      }
      const TakeState state = feed(reading);
      if (state != TakeState::kWaiting) return state;
      std::this_thread::sleep_until(began + std::chrono::milliseconds(kTestScalePollMs));
    }
    return TakeState::kStopped;
  }

  // A discrimination step on the simulated scale: the reading at the load, then with 1.4 e more.
  std::optional<bool> Discriminate(const Instrument& in, const PlanStep& step) {
    std::optional<Mass> readings[2];
    for (int i = 0; i < 2; ++i) {
      Place(in, step.position, i == 0 ? step.load : step.load + DiscriminationWeight(in));
      ReadingTaker taker(in, [this] { return Ms(); });
      taker.Start();
      std::int64_t lit = -1;
      if (Settle([&](const auto& r) { return taker.Feed(r); }, lit) != TakeState::kTaken) {
        Tell(taker.Message());
        return std::nullopt;
      }
      readings[i] = taker.Taken();
    }
    return *readings[0] != *readings[1];
  }

  TestScaleOutcome Run() {
    TestScaleOutcome out;
    const std::optional<std::array<std::string, kSetupParamCount>> values =
        ReadInstrumentValues(link_, ui_);
    if (!values) {
      out.readFailed = true;
      return out;
    }
    PreparedVerification prepared = PrepareVerification(*values, setup_.request);
    if (!prepared.setup) {
      out.refused = std::move(prepared.messages);
      return out;
    }
    VerificationRun run(*prepared.setup, [this] { return Ms(); });
    const Instrument& in = run.Setup().instrument;
    const std::size_t count = run.Setup().plan.steps.size();
    Tell("Max " + in.Text(in.max) + ", e = " + in.Text(in.e) + ", n = " + std::to_string(in.n) +
         "; " + run.Setup().tolerance.name + "; " + std::to_string(count) + " steps");
    while (const std::optional<std::size_t> current = run.Current()) {
      if (Stopped()) {
        out.stopped = "The test was stopped";
        break;
      }
      const PlanStep& step = run.Setup().plan.steps[*current];
      const std::string prompt = "Step " + std::to_string(*current + 1) + " of " +
                                 std::to_string(count) + ": " + run.Prompt();
      if (run.AsksQuestion()) {
        std::optional<bool> changed;
        if (setup_.simulator != nullptr) {
          changed = Discriminate(in, step);
          if (!changed) {
            out.stopped = "The discrimination step could not be read";
            break;
          }
        } else {
          const std::optional<std::string> answer = Ask(prompt + " [y/n] ");
          if (!answer) {
            out.stopped = "No answer: the test ended";
            break;
          }
          const std::string word = AsciiLower(TrimBlanks(*answer));
          if (word == "y" || word == "yes") changed = true;
          if (word == "n" || word == "no") changed = false;
          if (!changed) continue;  // asked again
        }
        run.Answer(*changed);
        Tell(RowLine(run.Result(), *current));
        continue;
      }
      if (setup_.simulator != nullptr) {
        // Each repeated reading is a fresh loading.
        if (step.test == TestKind::kRepeatability) Place(in, Position::kCentre, Mass{});
        Place(in, step.position, step.load);
        Tell(prompt);
      } else {
        const std::optional<std::string> answer =
            Ask(prompt + ", then press Enter (or type the reading you read): ");
        if (!answer) {
          out.stopped = "No answer: the test ended";
          break;
        }
        if (const std::string typed = std::string(TrimBlanks(*answer)); !typed.empty()) {
          if (const std::string error = run.TypeReading(typed); !error.empty()) {
            Tell(error);
          } else {
            Tell(RowLine(run.Result(), *current));
          }
          continue;
        }
      }
      run.BeginReading();
      TakenStep timing{*current, -1, -1};
      std::optional<std::size_t> recorded;
      std::string why;
      Settle(
          [&](const std::optional<DisplayReading>& reading) {
            const RunEvent event = run.Feed(reading);
            if (event.recordedStep) recorded = event.recordedStep;
            if (!event.message.empty()) why = event.message;
            return event.state == TakeState::kWaiting ? TakeState::kWaiting : TakeState::kTaken;
          },
          timing.stableMs);
      if (recorded) {
        timing.takenMs = Ms();
        out.taken.push_back(timing);
        Tell(RowLine(run.Result(), *recorded));
        continue;
      }
      if (Stopped()) continue;
      Tell(why);
      if (setup_.simulator != nullptr) {
        out.stopped = "Step " + std::to_string(*current + 1) + ": " + why;
        break;
      }
      // A person tries again: the prompt comes back.
    }
    out.result = run.Result();
    out.elapsedMs = Ms();
    return out;
  }

 private:
  std::optional<std::string> Ask(const std::string& prompt) const {
    if (!setup_.ask) return std::nullopt;
    return setup_.ask(prompt);
  }

  SerialLink& link_;
  UserFeedback& ui_;
  const TestScaleSetup& setup_;
  Clock::time_point start_;
  DisplayState state_;
};

std::string WriteCertificate(const Certificate& certificate, const std::string& pdf,
                             const std::string& pdfPath, const std::string& csvPath) {
  std::string errors;
  if (!pdfPath.empty()) {
    const FileResult written =
        pdf.empty() ? WriteReportPdf(certificate.report, pdfPath) : ReplaceFile(pdfPath, pdf);
    if (!written.ok()) errors += "Certificate not saved: " + FailureText(written) + "\n";
  }
  if (!csvPath.empty()) {
    const FileResult written = WriteReportCsv(certificate.report, csvPath);
    if (!written.ok()) errors += "Certificate not saved: " + FailureText(written) + "\n";
  }
  return errors;
}

}  // namespace

TestScaleOutcome WalkTestScale(SerialLink& link, UserFeedback& ui, const TestScaleSetup& setup) {
  return Walk(link, ui, setup).Run();
}

bool NeedsGuiApplication(std::string_view command) {
  return command == "test-scale";
}

std::string CheckTestScale(const CliCommand& c, int /*dataBits*/) {
  const std::size_t words = c.csv ? 1 : 0;
  if (c.args.size() != words) {
    return c.csv && c.args.empty() ? "--csv needs the certificate's file name" : Usage(c);
  }
  if (!c.accuracyClass.empty() && !ParseClass(c.accuracyClass)) {
    return "--class must be III or IIII, not \"" + c.accuracyClass + "\"";
  }
  if (!c.tolerance.empty() && !ParseSituation(c.tolerance)) {
    return "--tolerance must be acceptance or in-service, not \"" + c.tolerance + "\"";
  }
  if (!c.plan.empty()) {
    const SmallFile plan = ReadSmallFile(c.plan, kMaxPlanBytes);
    if (!plan.result.ok())
      return "The plan " + c.plan + " cannot be read: " + FailureText(plan.result);
  }
  return {};
}

CommandResult RunTestScaleCommand(const CliCommand& c, Connection& on) {
  TestScaleSetup setup;
  VerificationRequest& request = setup.request;
  if (!c.accuracyClass.empty()) request.accuracyClass = *ParseClass(c.accuracyClass);
  if (!c.tolerance.empty()) request.situation = *ParseSituation(c.tolerance);
  request.planPath = c.plan;
  request.details.port = on.opened.port;
  request.details.line = on.opened.settings.Description();
  request.details.when = ToUtf8(QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm"));
  setup.simulator = on.simulator;
  setup.stop = &on.stop;
  setup.tell = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
  setup.ask = [](const std::string& prompt) -> std::optional<std::string> {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    return line;
  };

  const TestScaleOutcome outcome = WalkTestScale(on.link, on.ui, setup);
  CommandResult result;
  result.settled = true;
  if (outcome.readFailed) {
    result.status = kExitIndicator;
    return result;
  }
  if (!outcome.refused.empty()) {
    for (const std::string& message : outcome.refused) on.ui.Failure(message);
    result.status = kExitUsage;
    return result;
  }
  const VerificationResult& verification = *outcome.result;
  result.data =
      QJsonDocument::fromJson(QByteArray::fromStdString(VerificationJson(verification))).object();
  if (!outcome.stopped.empty()) result.data["stopped"] = FromUtf8(outcome.stopped);

  // Only a test that ended is handed on; an unfinished one may still be written.
  FinishedCertificate finished{MakeCertificate({verification}), {}};
  if (verification.verdict != Verdict::kIncomplete) {
    finished = FinishCertificate(std::move(finished.certificate));
    on.records.Add(CertificateRecord(finished));
  }
  const std::string csvPath = c.csv ? c.args[0] : std::string();
  if (const std::string errors =
          WriteCertificate(finished.certificate, finished.pdf, c.pdf, csvPath);
      !errors.empty()) {
    on.ui.Failure(std::string(TrimBlanks(errors)));
    result.status = kExitUsage;
  } else {
    result.status = verification.verdict == Verdict::kPass ? kExitOk : kExitIndicator;
  }

  for (const TestOutcome& test : verification.tests) {
    result.text +=
        std::string(TestName(test.test)) + ": " + std::string(VerdictText(test.verdict)) + "\n";
  }
  result.text += "Result: " + std::string(VerdictText(verification.verdict)) + "\n";
  if (!outcome.stopped.empty()) result.text += outcome.stopped + "\n";
  return result;
}

}  // namespace tamarack::cli
