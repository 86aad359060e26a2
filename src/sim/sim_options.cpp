#include "sim/sim_options.h"

#include <charconv>
#include <cstdio>
#include <sstream>

namespace tamarack::sim {
namespace {

std::optional<int> ToInt(std::string_view text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> ToDouble(std::string_view text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<bool> OnOff(std::string_view text) {
  if (text == "on") return true;
  if (text == "off") return false;
  return std::nullopt;
}

std::string Joined(const std::vector<std::string>& messages) {
  std::string text;
  for (const std::string& m : messages) text += (text.empty() ? "" : "; ") + m;
  return text;
}

// The usage lines of the error list, indented under the option.
std::string ErrorItemsHelp() {
  std::string lines;
  std::string_view help = ScaleErrorsHelp();
  while (!help.empty()) {
    const std::size_t end = help.find('\n');
    lines += "                    " + std::string(help.substr(0, end)) + "\n";
    help.remove_prefix(end == std::string_view::npos ? help.size() : end + 1);
  }
  return lines;
}

}  // namespace

std::optional<FaultSetting> ParseFaultSetting(std::string_view text) {
  FaultSetting setting;
  if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
    const auto count = ToInt(text.substr(colon + 1));
    if (!count || *count < 1) return std::nullopt;
    setting.count = *count;
    text = text.substr(0, colon);
  } else if (text.find('@') != std::string_view::npos) {
    setting.count = FaultPlan::kForever;
  }
  if (const auto at = text.find('@'); at != std::string_view::npos) {
    setting.request = RequestKindFromName(text.substr(at + 1));
    if (!setting.request) return std::nullopt;
    text = text.substr(0, at);
  }
  const auto fault = FaultKindFromName(text);
  if (!fault) return std::nullopt;
  setting.fault = *fault;
  return setting;
}

void ApplyFault(Simulator& simulator, const FaultSetting& setting) {
  if (setting.request) {
    simulator.SetFault(*setting.request, setting.fault, setting.count);
  } else {
    simulator.InjectNext(setting.fault, setting.count);
  }
}

namespace {

constexpr std::string_view kUsageHead =
    "Usage: tamarack-sim [options]\n"
    "Serves a simulated weighing indicator on a pseudo-terminal and prints its device path.\n"
    "Open that path (or choose \"Simulator\" in Tamarack's Comm list). Stop with Ctrl+C.\n"
    "\n"
    "  --link PATH       also make PATH a symlink to the device (removed on exit)\n"
    "  --baud N          2400, 4800 or 9600 (default 9600)\n"
    "  --data N          7 or 8 data bits (default 8)\n"
    "  --parity P        none, even or odd (default none)\n"
    "  --stop N          1 or 2 stop bits (default 1)\n"
    "  --pace            deliver every byte at the wire time of those line settings\n"
    "  --strict-line     ignore requests while the port runs another speed or stop bits\n"
    "  --caj on|off      the calibration switch; Write All is refused while off (default on)\n"
    "  --load KG         the load on the scale in kg (default 0)\n"
    "  --step-ms N       how long zero, span and average-weight steps take (default 1000)\n"
    "  --sim-errors LIST give the scale the errors of a real one, items apart by commas,\n"
    "                    for example span=+0.03%,fl=+0.05%,noise=0.3 (E: scale intervals)\n";

constexpr std::string_view kUsageTail =
    "  --dynamics        loads settle through a damped swing that the sample rate and the\n"
    "                    digital filters (F1.6 to F1.9) shape; the Stable lamp follows the\n"
    "                    motion band (F1.4). Without it a load is shown at once\n"
    "  --fault FAULT     spoil replies; FAULT is KIND[@REQUEST][:COUNT], for example\n"
    "                    silence:3, refuse@write-all, bad-check@poll:2\n"
    "                    KIND: silence bad-check truncated leading-bytes missing-start\n"
    "                          oversize refuse late hang-up\n"
    "                    REQUEST: poll key read write calibration count-step write-all\n"
    "                             send-format read-format weight\n"
    "  --trace           print every request and reply on standard error\n"
    "  --help            this text\n"
    "  --version         the program's version\n"
    "\n"
    "While it runs, type on standard input: load KG, motion on|off, caj on|off,\n"
    "fault FAULT, clear (no faults), tickets (what PRINT printed), errors LIST (none: the\n"
    "ideal scale), position centre|front left|front right|back left|back right,\n"
    "dynamics on|off.\n";

}  // namespace

std::string_view SimUsage() {
  static const std::string usage =
      std::string(kUsageHead) + ErrorItemsHelp() + std::string(kUsageTail);
  return usage;
}

std::optional<SimProgramOptions> ParseSimOptions(std::span<const std::string_view> args,
                                                 std::string* error) {
  SimProgramOptions options;
  auto fail = [&](std::string text) {
    if (error) *error = std::move(text);
    return std::nullopt;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg == "--version") {
      options.version = true;
      continue;
    }
    if (arg == "--pace") {
      options.transport.pacing = true;
      continue;
    }
    if (arg == "--trace") {
      options.trace = true;
      continue;
    }
    if (arg == "--dynamics") {
      options.dynamics = true;
      continue;
    }
    if (arg == "--strict-line") {
      options.transport.strictLine = true;
      continue;
    }
    if (i + 1 >= args.size()) return fail("unknown option or missing value: " + std::string(arg));
    const std::string_view value = args[++i];
    const auto number = ToInt(value);
    if (arg == "--link") {
      options.transport.linkPath = value;
    } else if (arg == "--baud" && number &&
               (*number == 2400 || *number == 4800 || *number == 9600)) {
      options.transport.line.baud = *number;
    } else if (arg == "--data" && number && (*number == 7 || *number == 8)) {
      options.transport.line.dataBits = *number;
    } else if (arg == "--stop" && number && (*number == 1 || *number == 2)) {
      options.transport.line.stopBits = *number;
    } else if (arg == "--parity" && (value == "none" || value == "even" || value == "odd")) {
      options.transport.line.parity = value == "none"   ? Parity::kNone
                                      : value == "even" ? Parity::kEven
                                                        : Parity::kOdd;
    } else if (arg == "--caj" && OnOff(value)) {
      options.cajOn = *OnOff(value);
    } else if (arg == "--load" && ToDouble(value)) {
      options.loadKg = *ToDouble(value);
    } else if (arg == "--step-ms" && number && *number >= 0 && *number < 6000) {
      options.stepMs = *number;
    } else if (arg == "--sim-errors") {
      const ScaleErrorsRead read = ParseScaleErrors(value);
      if (!read.messages.empty()) return fail("--sim-errors: " + Joined(read.messages));
      options.errors = read.errors;
    } else if (arg == "--fault" && ParseFaultSetting(value)) {
      options.faults.push_back(*ParseFaultSetting(value));
    } else {
      return fail("bad option: " + std::string(arg) + " " + std::string(value));
    }
  }
  return options;
}

std::string RunConsoleCommand(Simulator& simulator, std::string_view line) {
  std::istringstream in{std::string(line)};
  std::string command, value;
  in >> command >> value;
  if (command.empty()) return "";
  // The error list and a position may hold blanks: the rest of the line.
  std::string rest;
  std::getline(in, rest);
  const std::string whole = value + rest;
  if (command == "errors") {
    const ScaleErrorsRead read = ParseScaleErrors(whole == "none" ? "" : whole);
    if (!read.messages.empty()) return "errors not changed: " + Joined(read.messages);
    simulator.With([&read](SimulatedIndicator& m) { m.SetErrors(read.errors); });
    const std::string text = ScaleErrorsText(read.errors);
    return "errors " + (text.empty() ? std::string("none (the ideal scale)") : text);
  }
  if (command == "position" && ParsePosition(whole)) {
    const Position position = *ParsePosition(whole);
    simulator.With([position](SimulatedIndicator& m) { m.SetPosition(position); });
    return "load at the " + std::string(PositionText(position));
  }
  if (command == "dynamics" && OnOff(value)) {
    simulator.With([on = *OnOff(value)](SimulatedIndicator& m) { m.SetDynamics(on); });
    return "dynamics " + value;
  }
  if (command == "load" && ToDouble(value)) {
    simulator.With([kg = *ToDouble(value)](SimulatedIndicator& m) { m.SetLoad(kg); });
    return "load " + value + " kg";
  }
  if (command == "motion" && OnOff(value)) {
    simulator.With([on = *OnOff(value)](SimulatedIndicator& m) { m.SetMotion(on); });
    return "motion " + value;
  }
  if (command == "caj" && OnOff(value)) {
    simulator.With([on = *OnOff(value)](SimulatedIndicator& m) { m.SetCaj(on); });
    return "CAJ switch " + value;
  }
  if (command == "fault" && ParseFaultSetting(value)) {
    ApplyFault(simulator, *ParseFaultSetting(value));
    return "fault " + value;
  }
  if (command == "clear") {
    simulator.ClearFaults();
    return "no faults";
  }
  if (command == "tickets") {
    return simulator.With([](SimulatedIndicator& m) {
      std::string text;
      for (const std::string& ticket : m.Tickets()) text += "---- ticket ----\n" + ticket + "\n";
      return text.empty() ? std::string("no tickets") : text;
    });
  }
  return "unknown command; try: load KG, motion on|off, caj on|off, fault FAULT, clear, tickets, "
         "errors LIST, position NAME, dynamics on|off";
}

std::string FormatTraceEntry(const TraceEntry& entry) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(entry.at.time_since_epoch()).count();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%8lld.%03lld ", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  std::string text = stamp;
  text += entry.direction == TraceEntry::Direction::kRequest ? "PC  -> " : "IND <- ";
  for (std::uint8_t b : entry.bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", b);
    text += hex;
  }
  text += " ";
  for (std::uint8_t b : entry.bytes) text += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
  if (!entry.note.empty()) text += "  (" + entry.note + ")";
  return text;
}

}  // namespace tamarack::sim
