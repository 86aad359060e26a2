#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/fault_plan.h"
#include "sim/pty_transport.h"
#include "sim/scale_errors.h"
#include "sim/simulator.h"

namespace tamarack::sim {

// A fault as the command line names it: KIND, KIND:COUNT, KIND@REQUEST or KIND@REQUEST:COUNT.
// Without a request kind it spoils the next COUNT replies (default 1); with one, the replies to
// that kind of request, COUNT times or for good.
struct FaultSetting {
  FaultKind fault = FaultKind::kSilence;
  std::optional<RequestKind> request;
  int count = 1;
};

std::optional<FaultSetting> ParseFaultSetting(std::string_view text);
void ApplyFault(Simulator& simulator, const FaultSetting& setting);

// The options of the tamarack-sim program.
struct SimProgramOptions {
  PtyTransport::Options transport;
  bool cajOn = true;
  double loadKg = 0;
  int stepMs = 1000;
  ScaleErrors errors;
  bool dynamics = false;
  bool trace = false;
  bool help = false;
  bool version = false;
  std::vector<FaultSetting> faults;
};

// Nothing, with `error` telling why, when an option is unknown or its value is not allowed.
std::optional<SimProgramOptions> ParseSimOptions(std::span<const std::string_view> args,
                                                 std::string* error);
std::string_view SimUsage();

// One command typed while the program runs ("load 12.5", "motion on", "caj off",
// "fault refuse@write-all", "clear", "tickets", "errors span=+0.03%", "position front left",
// "dynamics on"); gives the answer to print.
std::string RunConsoleCommand(Simulator& simulator, std::string_view line);

// "12:00:01.234 -> 01 31 02 52 03 71  R  (poll)": a trace entry as one readable line.
std::string FormatTraceEntry(const TraceEntry& entry);

}  // namespace tamarack::sim
