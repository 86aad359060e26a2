// The simulated scale's dynamics against a verification: the default test of the factory setup
// (F6.1 NTEP, Max 1000.0 kg, e 0.1 kg, acceptance) walked unattended in memory with 200 ms polls,
// for a few sets of errors, and how long a 500 kg step takes to show steady under the sample rates
// and filters. Every time here is simulated (the test's own clock), so the figures are exact and
// the same on any machine; only the last line is wall time.
//
//   sim_verify_bench

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/verify_driver.h"
#include "timing.h"

namespace {

using namespace tamarack;
using sim::simtest::ClockedSim;

struct Figures {
  double medianMs = 0;
  double worstMs = 0;
  double totalS = 0;
  std::string verdict;
  std::string stopped;
};

Figures RunDefaultTest(const char* errors, int regulation) {
  const sim::ScaleErrorsRead read = sim::ParseScaleErrors(errors);
  ClockedSim scale(read.errors, true);
  scale.sim.With([regulation](sim::SimulatedIndicator& m) {
    m.SetValue("F6.1", "0" + std::to_string(regulation));
  });
  const sim::simtest::DrivenRun run = sim::simtest::DriveVerification(scale, {});
  Figures f;
  std::vector<double> waits;
  for (const sim::simtest::DrivenStep& step : run.steps) {
    waits.push_back(static_cast<double>(step.takenMs - step.stableMs));
  }
  if (!waits.empty()) {
    f.medianMs = bench::Median(waits);
    f.worstMs = *std::max_element(waits.begin(), waits.end());
  }
  f.totalS = static_cast<double>(run.endedMs - run.startedMs) / 1000;
  f.verdict = run.result ? std::string(VerdictText(run.result->verdict)) : "-";
  f.stopped = run.stopped;
  return f;
}

// From placing 500 kg on the empty scale (dynamics on) to the last change of the display and to
// the Stable lamp lit for good, polled every 10 ms; and the highest reading on the way.
struct Settle {
  double steadyS = -1;
  double litS = -1;
  double overshootKg = 0;
};

Settle StepResponse(int rateCode, int l1, int l2, int l3) {
  ClockedSim scale({}, true);
  scale.sim.With([&](sim::SimulatedIndicator& m) {
    m.SetValue("F1.6", "0" + std::to_string(rateCode));
    m.SetValue("F1.7", "0" + std::to_string(l1));
    m.SetValue("F1.8", "0" + std::to_string(l2));
    m.SetValue("F1.9", "0" + std::to_string(l3));
    m.SetLoad(500);
  });
  Settle s;
  std::string last;
  for (int ms = 0; ms <= 30000; ms += 10) {
    scale.nowMs = ms;
    const auto [text, lit, kg] = scale.sim.With([](sim::SimulatedIndicator& m) {
      return std::tuple(m.DisplayText(), !m.Moving(), m.ReadingKg());
    });
    if (text != last) s.steadyS = ms / 1000.0;
    last = text;
    if (!lit) s.litS = (ms + 10) / 1000.0;
    s.overshootKg = std::max(s.overshootKg, kg - 500);
  }
  return s;
}

}  // namespace

int main() {
  const auto started = bench::Clock::now();
  std::printf("Default test, factory setup, dynamics on, polls every 200 ms (simulated time)\n");
  std::printf("%-28s %8s %12s %12s %10s\n", "errors", "verdict", "lit->taken", "worst", "whole");
  const struct {
    const char* errors;
    int regulation;
  } runs[] = {
      {"", 0},          {"span=+0.03%", 0}, {"span=+0.02%", 1}, {"fl=+0.05%", 0},
      {"noise=0.3", 0}, {"hyst=1", 0},      {"vibration=1", 0}, {"noise=0.3,vibration=1", 0}};
  double worstTotal = 0;
  for (const auto& r : runs) {
    const Figures f = RunDefaultTest(r.errors, r.regulation);
    const std::string name =
        std::string(*r.errors ? r.errors : "(ideal)") + (r.regulation == 1 ? " OIML" : "");
    std::printf("%-28s %8s %9.0f ms %9.0f ms %8.1f s%s%s\n", name.c_str(), f.verdict.c_str(),
                f.medianMs, f.worstMs, f.totalS,
                f.stopped.empty() ? "" : "  stopped: ", f.stopped.c_str());
    worstTotal = std::max(worstTotal, f.totalS);
  }
  std::printf("longest whole test: %.1f s (target 30 s)\n\n", worstTotal);

  std::printf("A 500 kg step: display steady, Stable lamp lit for good, overshoot\n");
  std::printf("%-10s %-8s %9s %9s %12s\n", "rate", "filters", "steady", "lit", "overshoot");
  const struct {
    const char* rate;
    int code, l1, l2, l3;
  } steps[] = {{"960Hz", 7, 0, 0, 0}, {"960Hz", 7, 1, 2, 2}, {"60Hz", 3, 1, 2, 2},
               {"15Hz", 1, 0, 0, 0},  {"15Hz", 1, 1, 1, 1},  {"15Hz", 1, 1, 2, 2},
               {"15Hz", 1, 3, 3, 3},  {"15Hz", 1, 5, 5, 5},  {"7.5Hz", 0, 1, 2, 2},
               {"7.5Hz", 0, 5, 5, 5}};
  for (const auto& s : steps) {
    const Settle settle = StepResponse(s.code, s.l1, s.l2, s.l3);
    char filters[16];
    std::snprintf(filters, sizeof filters, "%d,%d,%d", s.l1, s.l2, s.l3);
    std::printf("%-10s %-8s %7.2f s %7.2f s %9.2f kg\n", s.rate, filters, settle.steadyS,
                settle.litS, settle.overshootKg);
  }
  std::printf("\nwall time of this benchmark: %.0f ms\n", bench::Ms(bench::Clock::now() - started));
  return 0;
}
