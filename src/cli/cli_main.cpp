// tamarack-cli: the operations of the windows from a script, on one indicator or on a fleet.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonObject>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>

#include "cli/cli_commands.h"
#include "cli/completion.h"
#include "cli/inventory.h"
#include "cli/records_commands.h"
#include "cli/test_scale_command.h"
#include "link/open_link.h"
#include "link/port_names.h"
#include "link/tracing_link.h"
#include "sim/scale_errors.h"
#include "sim/simulator.h"
#include "traffic/exchange_meaning.h"
#include "traffic/traffic_text.h"
#include "ui/text.h"
#include "version.h"

namespace {

using namespace tamarack;
using namespace tamarack::cli;

std::atomic<bool> gStop{false};

extern "C" void OnStopSignal(int) {
  gStop = true;
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void PrintJson(const QJsonObject& doc) {
  std::cout << JsonText(doc);
}

// The words of the command line as the command they give.
CliCommand CommandOf(const QStringList& words) {
  CliCommand command;
  command.name = ToUtf8(words[0]);
  for (qsizetype i = 1; i < words.size(); ++i) command.args.push_back(ToUtf8(words[i]));
  return command;
}

std::string CommandHelp(CliCommand command, const QCommandLineParser& parser) {
  // Under a command that runs another, the help is the other's.
  if (std::optional<CliCommand> wrapped = WrappedCommand(command)) command = *std::move(wrapped);
  const CommandRow* row = FindCommand(command.name);
  if (!row) return "unknown command \"" + command.name + "\"\n";
  std::string help = "usage: tamarack-cli [options] " + Synopsis(*row) + "\n\n" +
                     std::string(row->description) + "\n\n";
  // The options part of the parser's own help.
  const std::string all = ToUtf8(parser.helpText());
  const std::size_t options = all.find("Options:");
  const std::size_t arguments = all.find("Arguments:");
  if (options != std::string::npos) help += all.substr(options, arguments - options);
  return help;
}

std::string GeneralHelp(const QCommandLineParser& parser) {
  std::string help = ToUtf8(parser.helpText());
  help += "\nCommands:\n";
  for (const CommandRow& row : Commands()) help += "  " + Synopsis(row) + "\n";
  help +=
      "\n'tamarack-cli COMMAND --help' tells more of one command.\n"
      "Exit status: 0 success, 1 the indicator refused or did not answer, 2 bad usage or a "
      "bad file, 3 the port could not be opened.\n";
  return help;
}

// An indicator command on the port the line options name.
int RunOne(const Invocation& invocation) {
  const CliCommand& command = invocation.command;
  const PortLine& line = invocation.line;
  const bool json = invocation.json;
  if (std::string error = CheckCommand(command, line.settings.dataBits); !error.empty()) {
    std::cerr << error << "\n";
    if (json) {
      PrintJson({{"command", FromUtf8(command.name)},
                 {"status", kExitUsage},
                 {"error", FromUtf8(error)}});
    }
    return kExitUsage;
  }
  ConsoleFeedback ui(&gStop);
  ui.SetEcho([json](const ConsoleFeedback::Message& m) {
    if (m.kind == ConsoleFeedback::Kind::kSuccess) {
      if (!json) std::cout << m.text << std::endl;
    } else {
      std::cerr << m.text << std::endl;
    }
  });
  std::unique_ptr<PortLink> link = OpenLink(line, ui);
  if (!link) {
    if (json) {
      PrintJson({{"command", FromUtf8(command.name)},
                 {"port", FromUtf8(line.port)},
                 {"status", kExitPort},
                 {"error", FromUtf8(ui.LastFailure())}});
    }
    return kExitPort;
  }
  sim::Simulator* simulator = SimulatorOf(*link);
  if (command.simErrors && simulator != nullptr) {
    const sim::ScaleErrors errors = sim::ParseScaleErrors(*command.simErrors).errors;
    simulator->With([&errors](sim::SimulatedIndicator& m) { m.SetErrors(errors); });
  }
  StoppableLink stoppable(*link, gStop);
  TracingLink tracing(stoppable, 16);
  tracing.SetDescriber(DescribeExchange);
  tracing.MarkOpened();
  if (invocation.trace) {
    tracing.AddListener([](const TracedExchange& e) {
      const auto cells = TrafficCells(e);
      std::cerr << cells[0] << " ms  " << cells[1] << "  [" << cells[2] << ", " << cells[3]
                << " ms]  " << cells[4] << "  ->  " << cells[5] << std::endl;
    });
  }
  CommandResult result = RunCommand(command, tracing, ui, link->Opened(), gStop, simulator);
  // The records are kept whatever came of the command: a failed write is a record too.
  const KeptRecords kept = KeepMade({{command.scale, result.made}}, command.technician);
  for (const std::string& note : kept.notes) std::cerr << note << "\n";
  if (!kept.error.empty()) std::cerr << kept.error << "\n";
  if (json) {
    QJsonObject doc = result.data;
    if (!result.made.empty()) {
      QJsonObject records{{"kept", static_cast<qint64>(kept.kept)}};
      if (!command.scale.empty()) records["scale"] = FromUtf8(command.scale);
      if (!kept.error.empty()) records["error"] = FromUtf8(kept.error);
      doc["records"] = records;
    }
    doc["command"] = FromUtf8(command.name);
    doc["port"] = FromUtf8(line.port);
    doc["status"] = result.status;
    PrintJson(doc);
  } else {
    std::cout << result.text;
  }
  return result.status;
}

// Whether the command the words name lays out a PDF, which needs a QGuiApplication: the first
// word that is neither an option nor an option's value.
bool WantsGui(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word.starts_with("--")) {
      const std::string_view name = word.substr(2, word.find('=') - 2);
      const bool takesValue = std::any_of(Options().begin(), Options().end(), [&](const auto& o) {
        return o.name == name && o.value != ValueKind::kNone;
      });
      if (takesValue && word.find('=') == std::string_view::npos) ++i;
      continue;
    }
    if (word.starts_with("-")) continue;
    return NeedsGuiApplication(word);
  }
  return false;
}

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) {
  if (!WantsGui(argc, argv)) return std::make_unique<QCoreApplication>(argc, argv);
  // Fonts need a platform; this one needs no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv);
  QCoreApplication::setApplicationName("tamarack-cli");
  QCoreApplication::setApplicationVersion(tamarack::kVersion);
  CatchStopSignals();

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Reads, writes and checks the setup of a weighing indicator from scripts, on one port or "
      "on a fleet of indicators at once.");
  for (const OptionInfo& info : Options()) {
    QStringList names{FromUtf8(info.name)};
    if (!info.shortName.empty()) names.prepend(FromUtf8(info.shortName));
    parser.addOption(QCommandLineOption(names, FromUtf8(info.help), FromUtf8(info.valueName),
                                        FromUtf8(info.defaultValue)));
  }
  // Not for people: what the build installs for bash and zsh to complete the program's command
  // lines.
  QCommandLineOption completion("completion", "The completion script for SHELL (bash or zsh).",
                                "SHELL");
  completion.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(completion);
  parser.addPositionalArgument("command", "What to do; see Commands below.", "COMMAND [ARGS...]");
  const auto value = [&parser](Option option) {
    return ToUtf8(parser.value(FromUtf8(OptionOf(option).name)));
  };
  const auto isSet = [&parser](Option option) {
    return parser.isSet(FromUtf8(OptionOf(option).name));
  };
  if (!parser.parse(QCoreApplication::arguments())) {
    std::cerr << ToUtf8(parser.errorText()) << "\n\n" << GeneralHelp(parser);
    return kExitUsage;
  }
  if (parser.isSet(completion)) {
    const QString shell = parser.value(completion);
    if (shell != "bash" && shell != "zsh") {
      std::cerr << "--completion makes the script for bash or zsh\n";
      return kExitUsage;
    }
    std::cout << (shell == "bash" ? BashCompletion() : ZshCompletion());
    return kExitOk;
  }
  if (isSet(Option::kVersion)) {
    std::cout << "tamarack-cli " << tamarack::kVersion << "\n";
    return kExitOk;
  }
  const QStringList words = parser.positionalArguments();
  if (isSet(Option::kHelp)) {
    if (words.isEmpty()) {
      std::cout << GeneralHelp(parser);
    } else {
      std::cout << CommandHelp(CommandOf(words), parser);
    }
    return kExitOk;
  }
  if (words.isEmpty()) {
    std::cerr << GeneralHelp(parser);
    return kExitUsage;
  }

  Invocation invocation;
  PortLine& chosen = invocation.line;
  chosen.port = value(Option::kPort);
  LineSettings& line = chosen.settings;
  for (const std::string& error :
       {CheckPortName(chosen.port), ParseBaud(value(Option::kBaud), line.baud),
        ParseDataBits(value(Option::kData), line.dataBits),
        ParseStopBits(value(Option::kStop), line.stopBits),
        ParseParity(value(Option::kParity), line.parity)}) {
    if (!error.empty()) {
      std::cerr << error << "\n";
      return kExitUsage;
    }
  }

  // A word that names no command is most likely a mistyped one: the usage lists them all.
  const CommandRow* row = FindCommand(ToUtf8(words[0]));
  if (!row) {
    std::cerr << "unknown command \"" << ToUtf8(words[0]) << "\"\n\n" << GeneralHelp(parser);
    return kExitUsage;
  }
  CliCommand& command = invocation.command;
  command = CommandOf(words);
  if (RunsAnother(*row) && !WrappedCommand(command)) {
    std::cerr << Usage(command) << "\n";
    return kExitUsage;
  }
  command.out = value(Option::kOut);
  command.verify = isSet(Option::kVerify);
  command.record = value(Option::kRecord);
  command.watch = isSet(Option::kWatch);
  command.csv = isSet(Option::kCsv);
  if (isSet(Option::kPassword)) command.password = value(Option::kPassword);
  command.allPorts = isSet(Option::kAllPorts);
  command.keepGoing = isSet(Option::kKeepGoing);
  if (isSet(Option::kLogDir)) command.logDir = value(Option::kLogDir);
  command.accuracyClass = value(Option::kClass);
  command.tolerance = value(Option::kTolerance);
  command.plan = value(Option::kPlan);
  command.pdf = value(Option::kPdf);
  if (isSet(Option::kSimErrors)) {
    command.simErrors = value(Option::kSimErrors);
    if (chosen.port != kSimPortName && chosen.port != kSimulatorPort) {
      std::cerr << "--sim-errors needs --port sim\n";
      return kExitUsage;
    }
    if (const sim::ScaleErrorsRead read = sim::ParseScaleErrors(*command.simErrors);
        !read.messages.empty()) {
      for (const std::string& message : read.messages) std::cerr << message << "\n";
      return kExitUsage;
    }
  }
  command.records = value(Option::kRecords);
  command.scale = value(Option::kScale);
  command.technician = value(Option::kTechnician);
  if (!command.scale.empty()) {
    if (const std::string error = CheckScaleName(command.scale); !error.empty()) {
      std::cerr << "--scale: " << error << "\n";
      return kExitUsage;
    }
  }
  invocation.json = isSet(Option::kJson);
  invocation.trace = isSet(Option::kTrace);
  invocation.stop = &gStop;
  // test-scale's --csv names a file, which goes with its JSON.
  if (command.csv && invocation.json && command.name != "test-scale") {
    std::cerr << "--csv and --json do not go together\n";
    return kExitUsage;
  }
  if (const std::string error = MisplacedOption(command); !error.empty()) {
    std::cerr << error << "\n";
    return kExitUsage;
  }

  if (row->reach == Reach::kIndicator) return RunOne(invocation);
  if (const std::string error = row->check(command, line.dataBits); !error.empty()) {
    std::cerr << error << "\n";
    return kExitUsage;
  }
  return row->run(invocation);
}
