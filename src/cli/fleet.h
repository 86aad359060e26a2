#pragma once

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/fleet_view.h"
#include "link/line_settings.h"

namespace tamarack::cli {

struct FleetOptions {
  std::string inventoryPath;
  LineSettings defaults;  // for the fields a row leaves empty
  CliCommand command;
  bool keepGoing = false;  // pass over malformed rows instead of refusing the run
  bool json = false;
  // Where each indicator's log goes; empty: "<inventory>.logs" beside the inventory.
  std::string logDir;
  // On a terminal: the running indicators that fit its window, redrawn in place, and a summary
  // that ends with the failed ones; otherwise a plain line as each indicator ends.
  bool live = false;
  // The window of the live view, asked before each frame.
  std::function<TerminalSize()> terminalSize = [] { return TerminalSizeOf(1); };
  const std::atomic<bool>* stop = nullptr;
};

// How one indicator's run ended.
struct FleetIndicator {
  int line = 0;
  std::string port;
  int status = kExitOk;
  bool interrupted = false;
  std::string message;  // the last failure, or the last success message
  int exchanges = 0;
  double seconds = 0;
  std::string log;                           // the log file, empty when it could not be written
  std::string command;                       // as CommandText gives it
  std::string scale;                         // the row's scale; empty: the command line's
  std::vector<records::RecordContent> made;  // the records its command made
};

struct FleetOutcome {
  int status = kExitOk;  // 2 when the inventory was refused, 1 when any indicator failed
  std::vector<FleetIndicator> indicators;
};

// Runs the command on every indicator of the inventory at once, one thread and one port each.
// Malformed rows and rows whose command would be refused are named by line, and nothing starts
// unless `keepGoing`; two rows naming one port stop the run before anything starts. A failing
// indicator never stops the others; `stop` ends every exchange under way.
FleetOutcome RunFleet(const FleetOptions& options, std::ostream& out, std::ostream& err);

// The fleet's row of the command table. The check refuses what cannot run on each indicator (a
// command that looks at the ports itself, a watch that never ends) before the inventory is read;
// the run reads it and runs the command with the invocation's options and line settings as the
// rows' defaults, on a live display when standard output is a terminal.
std::string CheckFleet(const CliCommand& fleet, int dataBits);
int RunFleetCommand(const Invocation& invocation);

}  // namespace tamarack::cli
