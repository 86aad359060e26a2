#include "verify/verification_run.h"

namespace tamarack {
namespace {

bool IsQuestion(const PlanStep& step) {
  return step.test == TestKind::kDiscrimination;
}

bool Done(const PlanStep& step, const StepRecord& record) {
  return IsQuestion(step) ? record.changed.has_value() : record.reading.has_value();
}

std::string NoSuchStep(std::size_t step) {
  return "The plan has no step " + std::to_string(step + 1);
}

}  // namespace

PreparedVerification PrepareVerification(std::span<const std::string, kSetupParamCount> values,
                                         const VerificationRequest& request) {
  PreparedVerification prepared;
  const InstrumentRead read = InstrumentFromSetup(values);
  if (!read.instrument) {
    prepared.messages.push_back(read.message);
    return prepared;
  }
  const Instrument& instrument = *read.instrument;
  if (std::string refused = CheckClass(instrument, request.accuracyClass); !refused.empty()) {
    prepared.messages.push_back(std::move(refused));
  }
  const ToleranceChoice tolerance = ChooseTolerance(instrument, request.accuracyClass,
                                                    request.situation, request.customerTolerance);
  if (!tolerance.tolerance) prepared.messages.push_back(tolerance.message);

  TestPlan plan;
  if (request.plan) {
    plan = *request.plan;
    for (std::string& message : CheckPlan(plan, instrument)) {
      prepared.messages.push_back(std::move(message));
    }
  } else if (!request.planPath.empty()) {
    PlanRead file = LoadPlanFile(request.planPath, instrument);
    for (std::string& message : file.errors) {
      prepared.messages.push_back(request.planPath + ": " + message);
    }
    plan = std::move(file.plan);
  } else if (tolerance.tolerance) {
    plan = DefaultPlan(instrument, request.accuracyClass, *tolerance.tolerance,
                       request.discrimination);
  }
  if (!prepared.messages.empty()) return prepared;

  prepared.setup = VerificationSetup{instrument,           request.accuracyClass, request.situation,
                                     *tolerance.tolerance, std::move(plan),       request.details};
  return prepared;
}

VerificationRun::VerificationRun(VerificationSetup setup, MonotonicMs clock)
    : setup_(std::move(setup)),
      records_(setup_.plan.steps.size()),
      taker_(setup_.instrument, std::move(clock)) {}

std::optional<std::size_t> VerificationRun::Current() const {
  for (std::size_t i = 0; i < records_.size(); ++i) {
    if (!Done(setup_.plan.steps[i], records_[i])) return i;
  }
  return std::nullopt;
}

std::string VerificationRun::Prompt() const {
  const std::optional<std::size_t> current = Current();
  return current ? StepPrompt(setup_.plan, *current, setup_.instrument) : std::string();
}

bool VerificationRun::AsksQuestion() const {
  const std::optional<std::size_t> current = Current();
  return current && IsQuestion(setup_.plan.steps[*current]);
}

void VerificationRun::BeginReading() {
  const std::optional<std::size_t> current = Current();
  if (!current || IsQuestion(setup_.plan.steps[*current])) return;
  readingStep_ = current;
  taker_.Start();
}

RunEvent VerificationRun::Event(TakeState state) {
  RunEvent event;
  event.state = state;
  if (state == TakeState::kTaken && readingStep_) {
    records_[*readingStep_].reading = Reading{*taker_.Taken(), false};
    event.recordedStep = readingStep_;
    readingStep_.reset();
    taker_.Cancel();
  } else if (state == TakeState::kStopped || state == TakeState::kTimedOut) {
    event.message = taker_.Message();
    readingStep_.reset();
  }
  return event;
}

RunEvent VerificationRun::Feed(const std::optional<DisplayReading>& poll) {
  if (!Taking()) return {taker_.State(), {}, std::nullopt};
  return Event(taker_.Feed(poll));
}

RunEvent VerificationRun::CheckTime() {
  if (!Taking()) return {taker_.State(), {}, std::nullopt};
  return Event(taker_.CheckTime());
}

std::string VerificationRun::TypeReading(std::string_view text) {
  const std::optional<std::size_t> current = Current();
  if (!current) return "Every step has its reading";
  if (IsQuestion(setup_.plan.steps[*current])) return "This step is answered yes or no";
  const MassParse parsed = ParseMass(text, setup_.instrument.decimals, true);
  if (!parsed.mass) return "The reading: " + parsed.message;
  taker_.Cancel();
  readingStep_.reset();
  records_[*current].reading = Reading{*parsed.mass, true};
  return {};
}

std::string VerificationRun::Answer(bool changed) {
  const std::optional<std::size_t> current = Current();
  if (!current) return "Every step has its reading";
  if (!IsQuestion(setup_.plan.steps[*current])) return "This step takes a reading";
  records_[*current].changed = changed;
  return {};
}

std::string VerificationRun::Retake(std::size_t step) {
  if (step >= records_.size()) return NoSuchStep(step);
  taker_.Cancel();
  readingStep_.reset();
  records_[step].reading.reset();
  records_[step].changed.reset();
  return {};
}

std::string VerificationRun::SetConventionalMass(std::size_t step, std::string_view text) {
  if (step >= records_.size()) return NoSuchStep(step);
  const PlanStep& planned = setup_.plan.steps[step];
  if (text.find_first_not_of(' ') == std::string_view::npos) {
    records_[step].conventional.reset();
    return {};
  }
  if (planned.test == TestKind::kReturnToZero) return "A return to zero has no load";
  const MassParse parsed = ParseMass(text, setup_.instrument.MassDecimals(), false);
  if (!parsed.mass) return "The mass put on: " + parsed.message;
  // A certificate's correction is a fraction of e; more is another load, whose band the plan
  // must say.
  const Instrument& in = setup_.instrument;
  if (Abs(*parsed.mass - planned.load) > in.e) {
    return "The mass put on, " + in.Text(*parsed.mass) + ", is more than e from the planned " +
           in.Text(planned.load) + ": change the plan's load instead";
  }
  records_[step].conventional = parsed.mass;
  return {};
}

std::string VerificationRun::SetChangeover(std::size_t step, std::string_view text) {
  if (step >= records_.size()) return NoSuchStep(step);
  if (text.find_first_not_of(' ') == std::string_view::npos) {
    records_[step].changeover.reset();
    return {};
  }
  if (IsQuestion(setup_.plan.steps[step])) return "A discrimination step has no changeover weight";
  const MassParse parsed = ParseMass(text, setup_.instrument.MassDecimals(), false);
  if (!parsed.mass) return "The changeover weight: " + parsed.message;
  if (*parsed.mass > setup_.instrument.e) {
    return "The changeover weight " + setup_.instrument.Text(*parsed.mass) + " is more than e (" +
           setup_.instrument.Text(setup_.instrument.e) + ")";
  }
  records_[step].changeover = parsed.mass;
  return {};
}

}  // namespace tamarack
