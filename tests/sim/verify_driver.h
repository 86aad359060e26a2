#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "indicator/display_decode.h"
#include "indicator/weight_series.h"
#include "setup/param_codec.h"
#include "sim/simulator.h"
#include "support/quick_sim.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"
#include "verify/verification_run.h"

namespace tamarack::sim::simtest {

// The simulated indicator in memory on a clock that only the test moves, in milliseconds.
struct ClockedSim {
  std::int64_t nowMs = 0;
  Simulator sim;

  explicit ClockedSim(const ScaleErrors& errors = {}, bool dynamics = false)
      : sim([this, &errors, dynamics] {
          Simulator::Options options = test::FixedClockSim();
          options.indicator.errors = errors;
          options.indicator.dynamics = dynamics;
          options.indicator.monotonic = [this] {
            return SimulatedIndicator::Monotonic::time_point(std::chrono::milliseconds(nowMs));
          };
          return options;
        }()) {}
  ClockedSim(const ClockedSim&) = delete;
  ClockedSim& operator=(const ClockedSim&) = delete;

  // The current-value texts that a Read All of the indicator would leave, in table order.
  std::array<std::string, kSetupParamCount> SetupRead() {
    return sim.With([](SimulatedIndicator& m) {
      std::array<std::string, kSetupParamCount> values;
      for (std::size_t i = 0; i < kSetupParamCount; ++i) {
        const SetupParam& param = SetupParams()[i];
        if (param.kind == ParamKind::kVersion) values[i] = kSimVersion;
        if (param.kind != ParamKind::kNumber && param.kind != ParamKind::kChoice) continue;
        values[i] = DecodeReadValue(param, m.Value(param.displayNumber)).text;
      }
      return values;
    });
  }
};

// One step of a driven verification, its times on the test's clock.
struct DrivenStep {
  std::size_t step = 0;
  std::int64_t placedMs = 0;
  // The first poll of the unbroken run of lit Stable lamps that ended with the reading.
  std::int64_t stableMs = 0;
  std::int64_t takenMs = 0;
};

struct DrivenRun {
  std::vector<std::string> refused;  // why the test could not start
  std::vector<DrivenStep> steps;
  std::string stopped;  // a reading that stopped or timed out: why (the run ends there)
  std::int64_t startedMs = 0;
  std::int64_t endedMs = 0;
  std::optional<VerificationResult> result;
};

// A verification walked against the simulated indicator as the window walks it, unattended: the
// display polled every `pollMs` through the same poll as the live window, each load placed at its
// position as soon as the reading before it is taken.
inline DrivenRun DriveVerification(ClockedSim& scale, const VerificationRequest& request,
                                   std::int64_t pollMs = 200) {
  DrivenRun driven;
  const PreparedVerification prepared = PrepareVerification(scale.SetupRead(), request);
  if (!prepared.setup) {
    driven.refused = prepared.messages;
    return driven;
  }
  const VerificationSetup& setup = *prepared.setup;
  const double kgPerUnit = setup.instrument.unit == WeightUnit::kLb ? 0.45359237 : 1.0;
  VerificationRun run(setup, [&scale] { return scale.nowMs; });
  test::SimLine line(scale.sim);
  test::RecordingFeedback ui;
  DisplayState state;
  driven.startedMs = scale.nowMs;
  while (const std::optional<std::size_t> current = run.Current()) {
    const PlanStep& step = setup.plan.steps[*current];
    if (run.AsksQuestion()) {
      run.Answer(true);
      continue;
    }
    const double kg = static_cast<double>(step.load.micro) / kMicroPerUnit * kgPerUnit;
    scale.sim.With([&](SimulatedIndicator& m) {
      m.SetPosition(step.position);
      m.SetLoad(kg);
    });
    DrivenStep record{*current, scale.nowMs, -1, -1};
    run.BeginReading();
    std::int64_t litSince = -1;  // none yet
    while (run.Taking()) {
      scale.nowMs += pollMs;
      std::optional<DisplayReading> reading;
      if (PollDisplay(state, line, ui, true)) reading = ReadDisplay(state);
      if (reading && reading->stable) {
        if (litSince < 0) litSince = scale.nowMs;
      } else {
        litSince = -1;
      }
      const RunEvent event = run.Feed(reading);
      if (event.recordedStep) {
        record.stableMs = litSince;
        record.takenMs = scale.nowMs;
        driven.steps.push_back(record);
      } else if (event.state == TakeState::kStopped || event.state == TakeState::kTimedOut) {
        driven.stopped = event.message;
        driven.endedMs = scale.nowMs;
        driven.result = run.Result();
        return driven;
      }
    }
  }
  driven.endedMs = scale.nowMs;
  driven.result = run.Result();
  return driven;
}

}  // namespace tamarack::sim::simtest
