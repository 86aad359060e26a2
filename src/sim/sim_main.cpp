// tamarack-sim: a simulated weighing indicator on a pseudo-terminal.

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "sim/pty_transport.h"
#include "sim/sim_options.h"
#include "sim/simulator.h"
#include "version.h"

using namespace tamarack::sim;

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  std::string error;
  const auto options = ParseSimOptions(args, &error);
  if (!options) {
    std::cerr << "tamarack-sim: " << error << "\n\n" << SimUsage();
    return 2;
  }
  if (options->help) {
    std::cout << SimUsage();
    return 0;
  }
  if (options->version) {
    std::cout << "tamarack-sim " << tamarack::kVersion << "\n";
    return 0;
  }

  // SIGINT and SIGTERM are taken by sigwait below; every thread started from here inherits the
  // blocked mask, so none of them is interrupted.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  Simulator::Options simOptions;
  simOptions.indicator.cajOn = options->cajOn;
  simOptions.indicator.stepTime = std::chrono::milliseconds(options->stepMs);
  simOptions.indicator.errors = options->errors;
  simOptions.indicator.dynamics = options->dynamics;
  if (options->trace) {
    simOptions.onTrace = [](const TraceEntry& entry) {
      std::fprintf(stderr, "%s\n", FormatTraceEntry(entry).c_str());
    };
  }
  Simulator simulator(simOptions);
  simulator.With([&](SimulatedIndicator& m) { m.SetLoad(options->loadKg); });
  for (const FaultSetting& fault : options->faults) ApplyFault(simulator, fault);

  PtyTransport transport(simulator, options->transport);
  if (!transport.Start(&error)) {
    std::cerr << "tamarack-sim: " << error << "\n";
    return 1;
  }
  std::cout << transport.DevicePath() << std::endl;

  // Console commands; the thread is left behind at exit, blocked in its read.
  std::thread([&simulator] {
    std::string line;
    while (std::getline(std::cin, line)) {
      const std::string answer = RunConsoleCommand(simulator, line);
      if (!answer.empty()) std::cerr << answer << "\n";
    }
  }).detach();

  int signal = 0;
  sigwait(&stopSignals, &signal);
  transport.Stop();
  std::cerr << "tamarack-sim: stopped\n";
  return 0;
}
