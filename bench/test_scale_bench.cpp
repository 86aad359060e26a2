// test-scale's walk through the port, as the command line runs it: the built-in simulated
// indicator opened through OpenLink ("sim", on its paced pseudo-terminal at 9600 8N1), each load
// placed by the simulator, the display polled every 200 ms. Wall time, on this machine:
// - from the first poll of the run of lit Stable lamps that ends with a reading to the poll that
//   took it (target: within 0.5 s);
// - the whole default test of the factory setup, unattended (target: within 30 s).
// Once with loads shown at once, once with the simulated scale's settling (F1.6-F1.9 as set).
//
//   test_scale_bench

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/test_scale_command.h"
#include "feedback/user_feedback.h"
#include "link/open_link.h"
#include "sim/simulator.h"

namespace {

using namespace tamarack;

class Quiet : public UserFeedback {
 public:
  void Success(std::string_view) override {}
  void Failure(std::string_view text) override {
    std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
  }
  void PortError(std::string_view text) override { Failure(text); }
  void SystemError(std::string_view text) override { Failure(text); }
  bool AskYesNo(std::string_view) override { return false; }
  bool AskRetryCancel(std::string_view) override { return false; }
  void ShortWait(std::uint32_t) override {}
  void LongWait(std::uint32_t, std::string_view) override {}
};

int Run(bool dynamics) {
  Quiet ui;
  std::unique_ptr<PortLink> link = OpenLink({"sim", {}}, ui);
  if (!link) return 1;
  sim::Simulator* simulator = SimulatorOf(*link);
  simulator->With([dynamics](sim::SimulatedIndicator& m) {
    m.SetLoad(0);
    m.SetDynamics(dynamics);
  });
  cli::TestScaleSetup setup;
  setup.simulator = simulator;
  const cli::TestScaleOutcome outcome = cli::WalkTestScale(*link, ui, setup);
  if (!outcome.result || !outcome.stopped.empty()) {
    std::fprintf(stderr, "the test did not end: %s\n", outcome.stopped.c_str());
    return 1;
  }
  std::vector<double> waits;
  for (const cli::TakenStep& step : outcome.taken) {
    waits.push_back(static_cast<double>(step.takenMs - step.stableMs));
  }
  std::sort(waits.begin(), waits.end());
  std::printf(
      "%-22s %2zu readings  stable to taken: median %4.0f ms, worst %4.0f ms (<= 500)  "
      "whole test %5.1f s (<= 30)  %s\n",
      dynamics ? "with settling" : "loads shown at once", waits.size(), waits[waits.size() / 2],
      waits.back(), outcome.elapsedMs / 1000.0,
      std::string(VerdictText(outcome.result->verdict)).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return Run(false) + Run(true);
}
