// The fleet of tamarack-cli against simulated indicators on pseudo-terminals.
//
//   fleet_bench                  Write All with read-back on 8 indicators paced at 9600 8N1
//                                against the same on one: the eight should take at most 1.25
//                                times as long, as each has its own port and thread.
//   fleet_bench --soak SECONDS   Eight unpaced indicators with random faults from the
//                                simulator's list; the fleet writes, verifies and reads them in a
//                                loop. Reports the operations done, the failures (each must
//                                follow a fault that was injected) and the memory at start and end.

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/fleet.h"
#include "files/replace_file.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"
#include "timing.h"

namespace {

using namespace tamarack;
using bench::Clock;

// The simulator keeps no trace here: its ring of 10000 entries per indicator would fill over
// the first minutes and hide the fleet's own memory.
sim::Simulator::Options Untraced() {
  sim::Simulator::Options options;
  options.traceLimit = 0;
  return options;
}

struct Served {
  sim::Simulator sim{Untraced()};
  std::unique_ptr<sim::PtyTransport> transport;
  explicit Served(bool pacing) {
    sim::PtyTransport::Options options;
    options.pacing = pacing;
    transport = std::make_unique<sim::PtyTransport>(sim, options);
  }
};

// The process's resident memory in kB.
long ResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

std::string Inventory(const std::vector<std::unique_ptr<Served>>& served, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += served[i]->transport->DevicePath() + "\n";
  return text;
}

cli::FleetOutcome RunOn(const std::string& inventoryPath, const std::string& inventory,
                        cli::CliCommand command, const std::string& logDir) {
  ReplaceFile(inventoryPath, inventory);
  cli::FleetOptions options;
  options.inventoryPath = inventoryPath;
  options.command = std::move(command);
  options.logDir = logDir;
  std::ostringstream out, err;
  return cli::RunFleet(options, out, err);
}

cli::CliCommand Command(std::string name, std::vector<std::string> args, bool verify = false,
                        std::string out = {}) {
  cli::CliCommand c;
  c.name = std::move(name);
  c.args = std::move(args);
  c.verify = verify;
  c.out = std::move(out);
  return c;
}

std::string Folder() {
  const std::string dir = "/tmp/tamarack-fleet-bench-" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  return dir;
}

int Figure() {
  const std::string dir = Folder();
  std::vector<std::unique_ptr<Served>> served;
  for (int i = 0; i < 8; ++i) {
    served.push_back(std::make_unique<Served>(true));
    if (!served.back()->transport->Start(nullptr)) return 1;
    // A setup other than the factory's, so that Write All changes something.
    served.back()->sim.With([](sim::SimulatedIndicator& m) { m.SetValue("F1.6", "01"); });
  }
  served[0]->sim.With([](sim::SimulatedIndicator& m) { m.SetValue("F1.6", "03"); });
  const std::string setup = dir + "/setup.stx";
  if (RunOn(dir + "/one.csv", Inventory(served, 1), Command("read", {}, false, setup),
            dir + "/logs")
          .status != 0) {
    std::fprintf(stderr, "the first read failed\n");
    return 1;
  }
  const auto timed = [&](std::size_t count) {
    std::vector<double> ms;
    for (int round = 0; round < 3; ++round) {
      const Clock::time_point t0 = Clock::now();
      const cli::FleetOutcome outcome = RunOn(dir + "/fleet.csv", Inventory(served, count),
                                              Command("write", {setup}, true), dir + "/logs");
      ms.push_back(bench::Ms(Clock::now() - t0));
      if (outcome.status != 0) std::fprintf(stderr, "a write failed on %zu\n", count);
    }
    return bench::Median(ms);
  };
  const double one = timed(1);
  const double eight = timed(8);
  std::printf(
      "fleet write --verify, 9600 8N1 paced: 1 indicator %.0f ms, 8 indicators %.0f ms, "
      "ratio %.2f (target <= 1.25)\n",
      one, eight, eight / one);
  for (auto& s : served) s->transport->Stop();
  std::filesystem::remove_all(dir);
  return eight / one <= 1.25 ? 0 : 2;
}

int Soak(double seconds) {
  const std::string dir = Folder();
  std::vector<std::unique_ptr<Served>> served;
  for (int i = 0; i < 8; ++i) {
    served.push_back(std::make_unique<Served>(false));
    if (!served.back()->transport->Start(nullptr)) return 1;
  }
  const std::string setup = dir + "/setup.stx";
  if (RunOn(dir + "/fleet.csv", Inventory(served, 1), Command("read", {}, false, setup),
            dir + "/logs")
          .status != 0) {
    return 1;
  }
  const std::vector<cli::CliCommand> stages = {Command("write", {setup}, true),
                                               Command("read", {}, false, dir + "/read.stx")};
  std::mt19937 random(20260324);
  std::uniform_real_distribution<double> chance(0, 1);
  std::uniform_int_distribution<int> pickFault(0, sim::kFaultKindCount - 1);

  long operations = 0, failures = 0, injected = 0, unexplained = 0, tolerated = 0, spilled = 0;
  std::vector<int> injectedBy(sim::kFaultKindCount), failedBy(sim::kFaultKindCount);
  long memoryStart = -1;
  // Faults injected in the stage before, per indicator: a late reply can spill into the next.
  std::vector<int> previous(served.size(), -1);
  const Clock::time_point began = Clock::now();
  long cycle = 0;
  while (bench::Ms(Clock::now() - began) < seconds * 1000) {
    for (const cli::CliCommand& stage : stages) {
      std::vector<int> fault(served.size(), -1);
      for (std::size_t i = 0; i < served.size(); ++i) {
        if (chance(random) < 0.25) {
          fault[i] = pickFault(random);
          served[i]->sim.InjectNext(static_cast<sim::FaultKind>(fault[i]));
          ++injected;
          ++injectedBy[fault[i]];
        }
      }
      const cli::FleetOutcome outcome =
          RunOn(dir + "/fleet.csv", Inventory(served, served.size()), stage, dir + "/logs");
      for (std::size_t i = 0; i < outcome.indicators.size(); ++i) {
        ++operations;
        const bool failed = outcome.indicators[i].status != 0;
        if (failed) {
          ++failures;
          if (fault[i] >= 0) {
            ++failedBy[fault[i]];
          } else if (previous[i] >= 0) {
            ++spilled;
          } else {
            ++unexplained;
            std::printf("unexplained failure on indicator %zu: %s\n", i,
                        outcome.indicators[i].message.c_str());
          }
        } else if (fault[i] >= 0) {
          ++tolerated;
        }
      }
      for (auto& s : served) s->sim.ClearFaults();
      previous = fault;
    }
    if (++cycle == 1) memoryStart = ResidentKb();
  }
  const long memoryEnd = ResidentKb();
  std::printf(
      "soak %.0f s: %ld cycles, %ld indicator operations, %ld faults injected, %ld "
      "failures reported (%ld right after a fault of the stage before, %ld unexplained), "
      "%ld faults the exchange rode out\n",
      seconds, cycle, operations, injected, failures, spilled, unexplained, tolerated);
  for (int k = 0; k < sim::kFaultKindCount; ++k) {
    std::printf("  %-14s injected %4d  failed %4d\n",
                std::string(sim::FaultKindName(static_cast<sim::FaultKind>(k))).c_str(),
                injectedBy[k], failedBy[k]);
  }
  std::printf("resident memory after the first cycle %ld kB, at the end %ld kB\n", memoryStart,
              memoryEnd);
  for (auto& s : served) s->transport->Stop();
  std::filesystem::remove_all(dir);
  return unexplained == 0 ? 0 : 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "--soak") == 0) return Soak(std::atof(argv[2]));
  if (argc == 1) return Figure();
  std::fprintf(stderr, "usage: fleet_bench [--soak SECONDS]\n");
  return 1;
}
