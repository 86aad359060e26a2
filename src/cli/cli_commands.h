#pragma once

#include <QJsonObject>
#include <atomic>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/console_feedback.h"
#include "link/line_settings.h"
#include "link/serial_link.h"

namespace tamarack::cli {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitIndicator = 1;  // the indicator refused or did not answer
inline constexpr int kExitUsage = 2;      // bad usage or a bad file
inline constexpr int kExitPort = 3;       // the port could not be opened

// One command as the command line gave it.
struct CliCommand {
  std::string name;               // "read", "format", "weight" ...
  std::vector<std::string> args;  // the words after the name
  std::string out;                // --out
  bool verify = false;            // --verify
  std::string record;             // --record: the service record of a write (CSV)
  bool watch = false;             // --watch
  bool csv = false;               // --csv: display as the Weight Trend's CSV rows
  std::optional<std::string> password;
};

// The commands that talk to the indicator over an opened port, with a line each for --help.
struct CommandInfo {
  std::string_view name;
  std::string_view synopsis;     // "read [--out FILE]"
  std::string_view description;  // one paragraph
};
std::span<const CommandInfo> Commands();
const CommandInfo* FindCommand(std::string_view name);

// The file that a command reads or writes, for the inventory's per-row file: the one file
// argument, or --out of read and format read. Nothing when the command takes no file.
std::string* CommandFile(CliCommand& command);

// Checks the command before anything is opened or sent: its words, its values (as the windows
// would accept them) and the files it reads. `dataBits` is the line's, for the print format's
// length rule. Empty, or the message to show; bad usage and bad files alike end with kExitUsage.
std::string CheckCommand(const CliCommand& command, int dataBits);

struct CommandResult {
  int status = kExitOk;
  std::string text;  // for standard output in text mode
  QJsonObject data;  // the same for --json
};

// Runs a checked command over an open line, `opened` naming its port and settings (the print
// format's data bits, the service record's port and line). Messages go to `ui` as the windows
// would show them; `stop` ends a watch.
CommandResult RunCommand(const CliCommand& command, SerialLink& link, ConsoleFeedback& ui,
                         const PortLine& opened, const std::atomic<bool>& stop);

}  // namespace tamarack::cli
