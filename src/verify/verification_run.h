#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "indicator/weight_series.h"
#include "setup/param_table.h"
#include "verify/reading_taker.h"
#include "verify/verification_result.h"

namespace tamarack {

// What the technician (or the command line) asks for.
struct VerificationRequest {
  AccuracyClass accuracyClass = AccuracyClass::kIII;
  Situation situation = Situation::kAcceptance;
  std::string customerTolerance;  // with F6.1 NONE: "1.5 e" or "0.2 kg"
  std::optional<TestPlan> plan;   // an edited plan; else the plan file; else the default
  std::string planPath;
  bool discrimination = false;  // the default plan's optional test
  TestDetails details;
};

struct PreparedVerification {
  std::optional<VerificationSetup> setup;
  std::vector<std::string> messages;  // everything that keeps the test from starting
};

// Everything a test needs from the indicator's values (current-value texts in table order, as
// InstrumentFromSetup takes them) and the request, checked before anything is sent: the setup
// read, the class against n, the tolerance, and the plan (a file's faults with its line numbers).
PreparedVerification PrepareVerification(std::span<const std::string, kSetupParamCount> values,
                                         const VerificationRequest& request);

// What a poll or a clock check did to the run.
struct RunEvent {
  TakeState state = TakeState::kIdle;
  std::string message;                      // a stop or time-out: why
  std::optional<std::size_t> recordedStep;  // a reading was taken for this step
};

// One verification as the window and the command line walk it: the plan's steps one at a time,
// the prompt of each, readings taken off the display (fed poll by poll, never waiting), typed
// readings, the discrimination answers, retakes and the masses actually put on. The results are
// worked out afresh from what was given whenever they are asked for.
class VerificationRun {
 public:
  VerificationRun(VerificationSetup setup, MonotonicMs clock);

  const VerificationSetup& Setup() const { return setup_; }
  const std::vector<StepRecord>& Records() const { return records_; }

  // The first step still without its reading (or answer); none once every step has one.
  std::optional<std::size_t> Current() const;
  bool Finished() const { return !Current(); }
  // "Put 500.0 kg at the centre of the platform"; empty once finished.
  std::string Prompt() const;
  // The current step is a question (discrimination), answered with Answer().
  bool AsksQuestion() const;

  // The technician says the load is on: the current step's reading is taken from the next polls
  // (nothing happens at a question). Again after a stop or a time-out, it tries once more.
  void BeginReading();
  bool Taking() const { return taker_.State() == TakeState::kWaiting; }
  // One poll (none: the poll failed) while a reading is under way; a settled reading is recorded
  // for the current step.
  RunEvent Feed(const std::optional<DisplayReading>& poll);
  // Ends a reading that has waited too long even when no poll comes.
  RunEvent CheckTime();

  // A reading taken by eye for the current step, at the display's decimals ("500.2"). Empty, or
  // why it was refused; a reading under way is dropped either way.
  std::string TypeReading(std::string_view text);
  // The discrimination answer for the current step. Empty, or why not.
  std::string Answer(bool changed);
  // Forgets the reading (or answer) of a step, which becomes the current one again if no earlier
  // step is without one. Empty, or why not.
  std::string Retake(std::size_t step);

  // The mass actually put on for a step ("" for the nominal load; within e of it), and the
  // changeover weight ΔL ("" for none; at most e). Empty, or why the text was refused (the step
  // keeps what it had).
  std::string SetConventionalMass(std::size_t step, std::string_view text);
  std::string SetChangeover(std::size_t step, std::string_view text);

  VerificationResult Result() const { return Evaluate(setup_, records_); }

 private:
  RunEvent Event(TakeState state);

  VerificationSetup setup_;
  std::vector<StepRecord> records_;
  ReadingTaker taker_;
  std::optional<std::size_t> readingStep_;
};

}  // namespace tamarack
