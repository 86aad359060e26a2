// tamarack-cli: the operations of the windows from a script, on one indicator or on a fleet.

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <iostream>

#include "cli/cli_commands.h"
#include "cli/fleet.h"
#include "cli/inventory.h"
#include "link/line_finder.h"
#include "link/open_link.h"
#include "link/port_list.h"
#include "link/port_names.h"
#include "link/tracing_link.h"
#include "net/net_address.h"
#include "sim/builtin_simulator.h"
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

constexpr std::string_view kFleetSynopsis =
    "fleet INVENTORY.csv COMMAND ... [--keep-going] [--log-dir DIR]";
constexpr std::string_view kFleetDescription =
    "Runs COMMAND on every indicator of the inventory at once, one port and one thread each. "
    "The inventory holds one indicator a line: port[,baud[,data[,stop[,parity[,file]]]]]; empty "
    "fields take the line options, and a row's file replaces the command's file. Each indicator "
    "gets a log in DIR (default INVENTORY.csv.logs). Exit status 1 when any indicator failed.";

void PrintJson(const QJsonObject& doc) {
  std::cout << QJsonDocument(doc).toJson().toStdString();
}

std::string CommandHelp(std::string_view name, const QCommandLineParser& parser) {
  std::string synopsis, description;
  if (name == "fleet") {
    synopsis = kFleetSynopsis;
    description = kFleetDescription;
  } else if (const CommandInfo* info = FindCommand(name)) {
    synopsis = info->synopsis;
    description = info->description;
  } else {
    return "unknown command \"" + std::string(name) + "\"\n";
  }
  std::string help = "usage: tamarack-cli [options] " + synopsis + "\n\n" + description + "\n\n";
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
  for (const CommandInfo& info : Commands()) help += "  " + std::string(info.synopsis) + "\n";
  help += "  " + std::string(kFleetSynopsis) + "\n";
  help +=
      "\n'tamarack-cli COMMAND --help' tells more of one command.\n"
      "Exit status: 0 success, 1 the indicator refused or did not answer, 2 bad usage or a "
      "bad file, 3 the port could not be opened.\n";
  return help;
}

int Ports(bool json) {
  QJsonArray list;
  for (const SerialDevice& device : SerialDevices()) {
    const std::string line = device.location + "  " + device.description;
    if (!json) std::cout << line << "\n";
    list.append(QJsonObject{{"device", FromUtf8(device.location)},
                            {"name", FromUtf8(device.name)},
                            {"description", FromUtf8(device.description)},
                            {"manufacturer", FromUtf8(device.manufacturer)}});
  }
  if (json) PrintJson({{"command", "ports"}, {"status", kExitOk}, {"ports", list}});
  return kExitOk;
}

int Find(const PortLine& line, bool allPorts, bool json) {
  std::vector<FinderPort> ports;
  sim::BuiltInSimulator simulator;
  if (line.port == kSimPortName) {
    std::string error;
    const auto device = simulator.Start(&error);
    if (!device) {
      std::cerr << "The simulated indicator could not start: " << error << "\n";
      return kExitPort;
    }
    ports.push_back({std::string(kSimPortName), *device});
  } else {
    ports.push_back({line.port, DeviceFor(line.port)});
  }
  if (allPorts) {
    for (const PortEntry& entry : PortEntries()) {
      const std::string device = DeviceFor(entry.port);
      const bool known = std::any_of(ports.begin(), ports.end(),
                                     [&](const FinderPort& p) { return p.device == device; });
      if (entry.port != kSimulatorPort && !known) ports.push_back({entry.port, device});
    }
  }
  const FinderResult result =
      FindIndicator(ports, PortFinderFactory(), [](const FinderTry&) { return !gStop.load(); });
  const bool found = result.outcome == FinderResult::Outcome::kFound;
  if (json) {
    QJsonObject doc{{"command", "find"},
                    {"status", found ? kExitOk : kExitIndicator},
                    {"found", found},
                    {"tries", result.tries}};
    if (found) {
      doc["port"] = FromUtf8(result.port.name);
      doc["device"] = FromUtf8(result.port.device);
      doc["baud"] = result.setting.baud;
      doc["data"] = result.setting.dataBits;
      doc["stop"] = result.setting.stopBits;
      doc["parity"] = FromUtf8(ParityName(result.setting.parity));
    }
    PrintJson(doc);
  } else {
    for (const auto& [port, message] : result.openFailures) {
      std::cerr << port << ": " << message << "\n";
    }
    if (found) {
      std::cout << FoundText(result) << "\n";
    } else {
      std::cerr << NotFoundText(ports) << "\n";
    }
  }
  return found ? kExitOk : kExitIndicator;
}

int RunOne(const CliCommand& command, const PortLine& line, bool trace, bool json) {
  if (std::string error = CheckCommand(command, line.settings.dataBits); !error.empty()) {
    std::cerr << error << "\n";
    if (json)
      PrintJson({{"command", FromUtf8(command.name)},
                 {"status", kExitUsage},
                 {"error", FromUtf8(error)}});
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
  StoppableLink stoppable(*link, gStop);
  TracingLink tracing(stoppable, 16);
  tracing.SetDescriber(DescribeExchange);
  tracing.MarkOpened();
  if (trace) {
    tracing.AddListener([](const TracedExchange& e) {
      const auto cells = TrafficCells(e);
      std::cerr << cells[0] << " ms  " << cells[1] << "  [" << cells[2] << ", " << cells[3]
                << " ms]  " << cells[4] << "  ->  " << cells[5] << std::endl;
    });
  }
  CommandResult result = RunCommand(command, tracing, ui, link->Opened(), gStop);
  if (json) {
    QJsonObject doc = result.data;
    doc["command"] = FromUtf8(command.name);
    doc["port"] = FromUtf8(line.port);
    doc["status"] = result.status;
    PrintJson(doc);
  } else {
    std::cout << result.text;
  }
  return result.status;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("tamarack-cli");
  QCoreApplication::setApplicationVersion(tamarack::kVersion);
  CatchStopSignals();

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Reads, writes and checks the setup of a weighing indicator from scripts, on one port or "
      "on a fleet of indicators at once.");
  const QCommandLineOption port("port",
                                "COM1..COM6, a device path, socket://HOST:PORT or "
                                "rfc2217://HOST:PORT for a serial device server, or sim for the "
                                "built-in simulated indicator (default COM1).",
                                "PORT", "COM1");
  const QCommandLineOption baud("baud", "2400, 4800 or 9600 (default 9600).", "BAUD", "9600");
  const QCommandLineOption data("data", "Data bits, 7 or 8 (default 8).", "BITS", "8");
  const QCommandLineOption stop("stop", "Stop bits, 1 or 2 (default 1).", "BITS", "1");
  const QCommandLineOption parity("parity", "NOPARITY, EVENPARITY or ODDPARITY (default NOPARITY).",
                                  "PARITY", "NOPARITY");
  const QCommandLineOption trace("trace", "Every exchange on standard error.");
  const QCommandLineOption json("json", "One JSON document on standard output instead of text.");
  const QCommandLineOption out("out", "read, format read: the file to store.", "FILE");
  const QCommandLineOption verify("verify", "write: read back and compare.");
  const QCommandLineOption record("record", "write: the service record (as found, as left).",
                                  "RECORD.csv");
  const QCommandLineOption watch("watch", "display: poll every 500 ms until Ctrl+C.");
  const QCommandLineOption csv("csv", "display: CSV rows, as the Weight Trend window saves them.");
  const QCommandLineOption allPorts("all-ports", "find: look on every serial port.");
  const QCommandLineOption password("password", "default: the access code.", "CODE");
  const QCommandLineOption keepGoing("keep-going", "fleet: pass over malformed inventory rows.");
  const QCommandLineOption logDir("log-dir", "fleet: where the indicators' logs go.", "DIR");
  const QCommandLineOption help({"h", "help"}, "This help, or a command's with the command.");
  for (const auto& option : {port, baud, data, stop, parity, trace, json, out, verify, record,
                             watch, csv, allPorts, password, keepGoing, logDir, help}) {
    parser.addOption(option);
  }
  parser.addVersionOption();
  parser.addPositionalArgument("command", "What to do; see Commands below.", "COMMAND [ARGS...]");
  if (!parser.parse(QCoreApplication::arguments())) {
    std::cerr << ToUtf8(parser.errorText()) << "\n\n" << GeneralHelp(parser);
    return kExitUsage;
  }
  if (parser.isSet("version")) {
    std::cout << "tamarack-cli " << tamarack::kVersion << "\n";
    return kExitOk;
  }
  const QStringList words = parser.positionalArguments();
  if (parser.isSet(help)) {
    if (words.isEmpty()) {
      std::cout << GeneralHelp(parser);
    } else {
      const std::string name =
          ToUtf8(words.size() > 2 && words[0] == "fleet" ? words[0] : words[0]);
      std::cout << CommandHelp(name, parser);
    }
    return kExitOk;
  }
  if (words.isEmpty()) {
    std::cerr << GeneralHelp(parser);
    return kExitUsage;
  }

  PortLine chosen;
  chosen.port = ToUtf8(parser.value(port));
  LineSettings& line = chosen.settings;
  for (const std::string& error :
       {CheckPortName(chosen.port), ParseBaud(ToUtf8(parser.value(baud)), line.baud),
        ParseDataBits(ToUtf8(parser.value(data)), line.dataBits),
        ParseStopBits(ToUtf8(parser.value(stop)), line.stopBits),
        ParseParity(ToUtf8(parser.value(parity)), line.parity)}) {
    if (!error.empty()) {
      std::cerr << error << "\n";
      return kExitUsage;
    }
  }

  // A word that names no command is most likely a mistyped one: the usage lists them all.
  if (words[0] != "fleet" && !FindCommand(ToUtf8(words[0]))) {
    std::cerr << "unknown command \"" << ToUtf8(words[0]) << "\"\n\n" << GeneralHelp(parser);
    return kExitUsage;
  }
  const bool inFleet = words[0] == "fleet";
  const int first = inFleet ? 2 : 0;
  if (words.size() <= first) {
    std::cerr << "usage: tamarack-cli " << kFleetSynopsis << "\n";
    return kExitUsage;
  }
  CliCommand command;
  command.name = ToUtf8(words[first]);
  for (int i = first + 1; i < words.size(); ++i) command.args.push_back(ToUtf8(words[i]));
  command.out = ToUtf8(parser.value(out));
  command.verify = parser.isSet(verify);
  command.record = ToUtf8(parser.value(record));
  command.watch = parser.isSet(watch);
  command.csv = parser.isSet(csv);
  if (command.csv && parser.isSet(json)) {
    std::cerr << "--csv and --json do not go together\n";
    return kExitUsage;
  }
  if (parser.isSet(password)) command.password = ToUtf8(parser.value(password));
  if ((parser.isSet(keepGoing) || parser.isSet(logDir)) && !inFleet) {
    std::cerr << "--keep-going and --log-dir belong to fleet\n";
    return kExitUsage;
  }
  if (parser.isSet(allPorts) && command.name != "find") {
    std::cerr << "--all-ports belongs to find\n";
    return kExitUsage;
  }

  if (inFleet) {
    if (command.name == "ports" || command.name == "find" || command.watch) {
      std::cerr << "fleet runs the commands that work on one indicator each, not " << command.name
                << (command.watch ? " --watch" : "") << "\n";
      return kExitUsage;
    }
    if (!FindCommand(command.name)) {
      std::cerr << "unknown command \"" << command.name << "\"\n";
      return kExitUsage;
    }
    FleetOptions options;
    options.inventoryPath = ToUtf8(words[1]);
    options.defaults = line;
    options.command = command;
    options.keepGoing = parser.isSet(keepGoing);
    options.json = parser.isSet(json);
    options.logDir = ToUtf8(parser.value(logDir));
    options.live = ::isatty(STDOUT_FILENO) == 1;
    options.stop = &gStop;
    return RunFleet(options, std::cout, std::cerr).status;
  }
  if (command.name == "ports") {
    if (!command.args.empty()) {
      std::cerr << "usage: tamarack-cli ports\n";
      return kExitUsage;
    }
    return Ports(parser.isSet(json));
  }
  if (command.name == "find") {
    if (!command.args.empty()) {
      std::cerr << "usage: tamarack-cli find [--all-ports]\n";
      return kExitUsage;
    }
    return Find(chosen, parser.isSet(allPorts), parser.isSet(json));
  }
  return RunOne(command, chosen, parser.isSet(trace), parser.isSet(json));
}
