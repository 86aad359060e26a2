#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "verify/instrument.h"
#include "verify/mass.h"
#include "verify/test_plan.h"
#include "verify/tolerance_table.h"

namespace tamarack {

enum class Verdict { kPass, kFail, kIncomplete };

// "PASS", "FAIL", "INCOMPLETE".
std::string_view VerdictText(Verdict verdict);

// Asked once per test; empty fields are left out of the report.
struct TestDetails {
  std::string technician;
  std::string weightSet;          // the test weights' set
  std::string weightCertificate;  // its certificate number
  std::string temperature;        // as the technician gives it ("21 °C")
  std::string stage;              // "As found", "As left" or empty
  std::string port;               // the port the indicator was read on
  std::string line;               // the line settings it was opened at
  std::string when;               // date and time, as the caller shows them
};

// Everything a verification is run against, checked before anything is sent.
struct VerificationSetup {
  Instrument instrument;
  AccuracyClass accuracyClass = AccuracyClass::kIII;
  Situation situation = Situation::kAcceptance;
  Tolerance tolerance;
  TestPlan plan;
  TestDetails details;
};

struct Reading {
  Mass indication;
  bool typed = false;  // read by eye and typed in
};

// What the technician gave for one step of the plan.
struct StepRecord {
  std::optional<Reading> reading;    // none yet
  std::optional<bool> changed;       // discrimination: did the indication change
  std::optional<Mass> conventional;  // the mass actually put on; none: the nominal load
  std::optional<Mass> changeover;    // ΔL; none: the reading is at the display division
};

// The error of an indication I of a load L: I − L; with the changeover weight ΔL that just made
// the indication step up, I + ½e − ΔL − L, which takes the display's rounding out.
Mass ReadingError(Mass indication, Mass load, std::optional<Mass> changeover, Mass e);

// One row of a test's table.
struct ReadingRow {
  std::size_t step = 0;  // in the plan, from 0
  std::string label;     // "Increasing", "Front left", "Reading 2", "After unloading", "Added"
  PlanStep planned;
  Mass load;  // the conventional mass: the nominal unless the technician gave one
  std::optional<Mass> changeover;
  std::optional<Mass> indication;
  std::optional<Mass> error;
  Mass mpe;  // ± this; for the discrimination row the weight added
  std::optional<bool> changed;
  bool typed = false;
  Verdict verdict = Verdict::kIncomplete;
};

struct TestOutcome {
  TestKind test = TestKind::kWeighing;
  std::vector<ReadingRow> rows;
  // Repeatability: the spread of the errors once every reading is in, within the MPE's size.
  std::optional<Mass> spread;
  Mass spreadLimit;
  Verdict verdict = Verdict::kIncomplete;
};

enum class ReadingsAt {
  kDisplayDivision,  // no reading has a changeover weight
  kRoundingFree,     // every reading has one
  kMixed,
};

struct VerificationResult {
  VerificationSetup setup;
  std::vector<TestOutcome> tests;  // in the order the plan first reaches each
  ReadingsAt readingsAt = ReadingsAt::kDisplayDivision;
  // Fail once any row or test fails, pass when every one passes, incomplete otherwise.
  Verdict verdict = Verdict::kIncomplete;
};

// Judges the records (one per plan step, in plan order) against the setup's tolerance. The band
// is chosen by the nominal load, so that a step planned at a band edge keeps that band's error
// whatever the weights' certificate says; the error is taken from the conventional mass. Every
// reading must be within its MPE; a return to zero within ±½ e; repeatability also within its
// spread; discrimination passes on "yes".
VerificationResult Evaluate(const VerificationSetup& setup, std::span<const StepRecord> records);

// The finished (or unfinished) test as JSON: the instrument, the table applied, every reading with
// its load, indication, error, MPE and result, each test's result and the overall one. Masses are
// numbers in the display's unit, written exactly.
std::string VerificationJson(const VerificationResult& result);

}  // namespace tamarack
