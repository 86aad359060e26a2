#pragma once

#include <QJsonObject>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/console_feedback.h"
#include "link/line_settings.h"
#include "link/serial_link.h"
#include "records/record.h"

namespace tamarack::records {
class RecordCollector;
}

namespace tamarack::sim {
class Simulator;
}

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
  bool allPorts = false;                 // --all-ports
  bool keepGoing = false;                // --keep-going
  std::optional<std::string> logDir;     // --log-dir
  std::string accuracyClass;             // --class: "III", "IIII"; empty: III
  std::string tolerance;                 // --tolerance: "acceptance", "in-service"
  std::string plan;                      // --plan
  std::string pdf;                       // --pdf
  std::optional<std::string> simErrors;  // --sim-errors: the simulated scale's errors
  std::string records;                   // --records: a team store's address
  std::string scale;                     // --scale: SITE/TAG, whose records the command makes
  std::string technician;                // --technician
};

// What a word of a command, or an option's value, is: for the usage line, for matching a command
// to its form and for shell completion.
enum class ValueKind : std::uint8_t {
  kNone,       // a switch: no value
  kChoice,     // one of the words the text names, split at '|' ("G|N", "read")
  kFile,       // a file; the text names the endings it takes ("FILE.stx|FILE.json")
  kFolder,     // a folder
  kPort,       // what --port takes: a port name, a device, a device server's URL, "sim"
  kParameter,  // NUMBER=VALUE, the number one of the parameter table's ("F1.6=2")
  kCommand,    // a command of the table, then that command's own words (fleet's "COMMAND ...")
  kText,       // anything else: an item, a weight, a code
};

enum class Option : std::uint8_t {
  kPort,
  kBaud,
  kData,
  kStop,
  kParity,
  kTrace,
  kJson,
  kOut,
  kVerify,
  kRecord,
  kWatch,
  kCsv,
  kAllPorts,
  kPassword,
  kKeepGoing,
  kLogDir,
  kClass,
  kTolerance,
  kPlan,
  kPdf,
  kSimErrors,
  kRecords,
  kScale,
  kTechnician,
  kHelp,
  kVersion,
};

// One option of the program, in the order --help lists them.
struct OptionInfo {
  Option option;
  std::string_view name;       // "out": given as --out
  std::string_view shortName;  // "h": also -h; empty when it has none
  ValueKind value;             // kNone for a switch
  std::string_view valueName;  // "FILE": how --help names the value
  std::string_view choices;    // for kChoice values: "2400|4800|9600"
  std::string_view defaultValue;
  std::string_view help;
  // Taken by every command (the line's options, --json, --help); otherwise only by the commands
  // whose forms name it.
  bool everyCommand = false;
  // What a command that does not take it is told; empty: that command's usage line.
  std::string_view misplaced;
};
std::span<const OptionInfo> Options();
const OptionInfo& OptionOf(Option option);

// A word of a command's form as its usage shows it.
struct Word {
  Word(ValueKind kind_, std::string_view text_, std::string_view more_ = {})
      : kind(kind_), text(text_), more(more_) {}
  ValueKind kind;
  std::string_view text;  // "read", "G|N", "FILE.stx", "ITEM", "F1.6=2", "COMMAND ..."
  // Set when the word may come again: the example the usage shows for the next ones ("F6.2=100").
  std::string_view more;
};

// An option a form takes.
struct FormOption {
  FormOption(Option option_, std::string_view value_ = {}, bool required_ = false)
      : option(option_), value(value_), required(required_) {}
  Option option;
  std::string_view value;  // its value as this form names it ("FILE.fmt"); empty: the option's own
  bool required;
};

// One way of calling a command: its words in order, then its own options.
struct Form {
  Form(std::vector<Word> words_ = {}, std::vector<FormOption> options_ = {})
      : words(std::move(words_)), options(std::move(options_)) {}
  std::vector<Word> words;
  std::vector<FormOption> options;
};

struct CommandResult {
  int status = kExitOk;
  std::string text;  // for standard output in text mode
  QJsonObject data;  // the same for --json
  // The records the command made (its complete reads and operations, a service record), for the
  // records store.
  std::vector<records::RecordContent> made;
  // The status stands as the run set it: a failure shown on the way or a stop does not turn it
  // into a failure (a watch ends with Ctrl+C, and one failed poll does not fail it).
  bool settled = false;
};

// What a command that talks to the indicator runs with: the line opened for it, with its port and
// settings (the print format's data bits, the service record's port and line), the messages as the
// windows would show them, and the stop (Ctrl+C) that ends a watch or a hundred-item read.
struct Connection {
  SerialLink& link;
  ConsoleFeedback& ui;
  const PortLine& opened;
  const std::atomic<bool>& stop;
  // Told every complete read and operation, for the records; a handler's model takes it as its
  // journal.
  records::RecordCollector& records;
  // The simulated indicator behind the line, when --port sim opened one; null otherwise.
  sim::Simulator* simulator = nullptr;
};

// The whole command line, for a command that runs by itself.
struct Invocation {
  CliCommand command;
  PortLine line;  // --port and the line options
  bool json = false;
  bool trace = false;
  const std::atomic<bool>* stop = nullptr;
};

// Where a command runs.
enum class Reach : std::uint8_t {
  kIndicator,  // over the line the program opens for it: on --port, or on each indicator of a fleet
  kPorts,  // on the ports themselves (lists them, looks for the indicator): once, never in a fleet
  kFleet,  // on every indicator of an inventory, running an indicator command on each
  kStore,  // on the records store, never on an indicator
};

// Checks a command before anything is opened or sent: its words, its values (as the windows
// would accept them) and the files it reads. `dataBits` is the line's, for the print format's
// length rule. Empty, or the message to show.
using Check = std::string (*)(const CliCommand& command, int dataBits);
// A checked indicator command over its line.
using LineRun = CommandResult (*)(const CliCommand& command, Connection& on);
// A checked command that opens what it needs itself; prints as it goes and gives the exit status.
using ProgramRun = int (*)(const Invocation& invocation);

// One command of the program. Adding a command is adding a row to Commands().
struct CommandRow {
  // An indicator command.
  CommandRow(std::string_view name_, std::vector<Form> forms_, std::string_view description_,
             Check check_, LineRun runOnLine_, bool makesRecords_ = false)
      : name(name_),
        forms(std::move(forms_)),
        description(description_),
        check(check_),
        reach(Reach::kIndicator),
        runOnLine(runOnLine_),
        makesRecords(makesRecords_) {}
  // A command that runs by itself.
  CommandRow(std::string_view name_, std::vector<Form> forms_, std::string_view description_,
             Check check_, Reach reach_, ProgramRun run_, bool makesRecords_ = false)
      : name(name_),
        forms(std::move(forms_)),
        description(description_),
        check(check_),
        reach(reach_),
        run(run_),
        makesRecords(makesRecords_) {}

  std::string_view name;
  std::vector<Form> forms;       // the usage line, one form per way of calling it
  std::string_view description;  // one paragraph for --help
  Check check;
  Reach reach;
  LineRun runOnLine = nullptr;  // kIndicator rows
  ProgramRun run = nullptr;     // the others
  // Keeps records of what it does (reads, writes, a fleet's rows), so takes --scale and
  // --technician to say whose they are; its usage line does not repeat them.
  bool makesRecords = false;
};
std::span<const CommandRow> Commands();
const CommandRow* FindCommand(std::string_view name);

// "read [--out FILE.stx|FILE.json]": the forms, joined by "  |  ".
std::string Synopsis(const CommandRow& row);
// "usage: tamarack-cli " and the synopsis of the command's row.
std::string Usage(const CliCommand& command);

// Whether the command line gave the option; the options every command takes are never "given".
bool Given(const CliCommand& command, Option option);
// Whether any of the row's forms names the option, or the row makes records and the option says
// whose they are.
bool Takes(const CommandRow& row, Option option);

// "write setup.stx --verify": the command as a fleet's log and records name it.
std::string CommandText(const CliCommand& command);

// The form the command's words fit (their number, and the choices case-insensitively); nothing
// when none does.
const Form* MatchForm(const CommandRow& row, const CliCommand& command);

// For a command that runs another (fleet), the other as it would be given alone: the words after
// the one that names it, and the same options. Nothing when the command runs no other, or its
// words end before naming one.
std::optional<CliCommand> WrappedCommand(const CliCommand& command);
bool RunsAnother(const CommandRow& row);

// The message for an option given to a command that does not take it, when the option has a
// message of its own (--all-ports outside find, --keep-going outside fleet). For a command that
// runs another, the option may belong to either. Empty when there is none.
std::string MisplacedOption(const CliCommand& command);

// Whether the command takes a file that an inventory row may replace, and which: a file word of
// its form, else the form's file option (--out of read and format read). Nothing when the
// command's words fit no form, or the form has no file.
bool TakesFile(const CommandRow& row);
std::string* CommandFile(CliCommand& command);

// The row's check, after refusing options the command does not take; bad usage and bad files
// alike end with kExitUsage.
std::string CheckCommand(const CliCommand& command, int dataBits);

// Runs a checked indicator command over an open line, `opened` naming its port and settings (the
// print format's data bits, the service record's port and line). Messages go to `ui` as the
// windows would show them; `stop` ends a watch. A failure shown on the way, or the stop, fails a
// command unless its run settled.
CommandResult RunCommand(const CliCommand& command, SerialLink& link, ConsoleFeedback& ui,
                         const PortLine& opened, const std::atomic<bool>& stop,
                         sim::Simulator* simulator = nullptr);

// The JSON document a command prints with --json.
std::string JsonText(const QJsonObject& document);

}  // namespace tamarack::cli
