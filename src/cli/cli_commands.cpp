#include "cli/cli_commands.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <QTime>
#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "count/aws_file.h"
#include "count/count_setup.h"
#include "count/count_wire.h"
#include "files/replace_file.h"
#include "indicator/display_decode.h"
#include "indicator/weight_series.h"
#include "link/commands.h"
#include "link/key_command.h"
#include "printfmt/print_format_file.h"
#include "printfmt/print_format_model.h"
#include "records/service_record.h"
#include "setup/access_code.h"
#include "setup/bulk_ops.h"
#include "setup/param_codec.h"
#include "setup/param_table.h"
#include "setup/setup_diff.h"
#include "setup/setup_handlers.h"
#include "setup/setup_model.h"
#include "setup/setup_value_file.h"
#include "ui/text.h"

namespace tamarack::cli {
namespace {

constexpr std::array<CommandInfo, 14> kCommands{{
    {"ports", "ports", "Lists the serial devices with their descriptions."},
    {"find", "find [--all-ports]",
     "Looks for the indicator at every line setting on --port (on every port with --all-ports) "
     "and prints the port and the settings where it answered."},
    {"display", "display [--watch] [--csv]",
     "Polls the display once (every 500 ms with --watch, until Ctrl+C) and prints the characters "
     "shown and the lamps lit; with --csv, one row a poll in the form the Weight Trend window "
     "saves (time,seconds,shown,value,unit,stable,gross,net,zero)."},
    {"key", "key ZERO|GR/NET|TARE|UNITS|PRINT", "Presses a front-panel key."},
    {"read", "read [--out FILE.stx|FILE.json]",
     "Reads all 33 parameters and prints them, or stores them as a setup value file or as JSON."},
    {"diff", "diff FILE.stx",
     "Reads the indicator and lists the parameters that differ from the file; exit status 1 "
     "when any does."},
    {"write", "write FILE.stx [--verify] [--record RECORD.csv]",
     "Writes the file's values with Write All, after checking every field as the setup window "
     "does; with --verify, reads them back and compares. With --record, reads the indicator "
     "before (as found) and after (as left) and stores the service record as CSV."},
    {"set", "set F1.6=2 [F6.2=100 ...]",
     "Writes single parameters by number; values as the setup window accepts them (a choice by "
     "its code or its option text, a date as dd-MM-yyyy, a time as HH:mm:ss)."},
    {"save", "save", "Has the indicator keep the values written."},
    {"restore", "restore", "Has the indicator go back to its saved values."},
    {"default", "default --password CODE", "Returns the indicator to its factory setup."},
    {"format", "format read G|N [--out FILE.fmt]  |  format send G|N FILE.fmt",
     "Reads the gross (G) or net (N) print format from the indicator, or sends one from a file."},
    {"weight", "weight get ITEM  |  weight set ITEM VALUE",
     "Reads or writes the average piece weight of a count item (0-99, or AA for the current one)."},
    {"weights", "weights read FILE.aws  |  weights write FILE.aws",
     "Reads the average weights of items 0-99 into a file, or writes those the file holds."},
}};

std::string Usage(const CliCommand& command) {
  const CommandInfo* info = FindCommand(command.name);
  return "usage: tamarack-cli " + std::string(info ? info->synopsis : command.name);
}

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The model of a setup window that has just opened, with the PC's date and time in its pickers.
SetupModel FreshSetupModel() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16] = {}, time[16] = {};
  std::strftime(date, sizeof date, "%d-%m-%Y", &local);
  std::strftime(time, sizeof time, "%H:%M:%S", &local);
  return OpeningModel(date, time);
}

// Fills the editable column from a setup value file and checks it as Write All does.
std::string LoadForWrite(const std::string& path, SetupModel& model) {
  SilentFeedback quiet;
  if (!LoadSetupFile(path, model, quiet)) {
    // A missing or empty file would write nothing the user meant.
    return quiet.Last().empty() ? std::string(kSetupFileError) + " " + path : quiet.Last();
  }
  return FirstUnwritableField(model);
}

// "F1.6=2" into the editable column; the parameters in the order given.
std::string PrepareSet(const std::vector<std::string>& args, SetupModel& model,
                       std::vector<const SetupParam*>& params) {
  if (args.empty()) return "nothing to set";
  for (const std::string& arg : args) {
    const std::size_t eq = arg.find('=');
    if (eq == std::string::npos) return "\"" + arg + "\" is not NUMBER=VALUE";
    std::string number = arg.substr(0, eq);
    std::transform(number.begin(), number.end(), number.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const std::string value = arg.substr(eq + 1);
    const SetupParam* param = FindParam(number);
    if (!param) return "no parameter " + arg.substr(0, eq);
    const std::size_t row = RowIndex(*param);
    switch (param->kind) {
      case ParamKind::kNumber: {
        const NumberCheck check = CheckNumber(*param, value);
        if (!check.ok) return check.message;
        model.newValue[static_cast<std::size_t>(NewValueSlot(*param))] = value;
        break;
      }
      case ParamKind::kChoice: {
        int code = -1;
        if (value.size() == 1 && value[0] >= '0' && value[0] <= '9' &&
            static_cast<std::size_t>(value[0] - '0') < param->options.size()) {
          code = value[0] - '0';
        } else {
          code = ChoiceItemPosition(*param, value);
        }
        if (code < 0) return ParamMessage(*param, kValueErr);
        model.choice[row] = code;
        break;
      }
      case ParamKind::kDate:
        if (!QDate::fromString(FromUtf8(value), "dd-MM-yyyy").isValid()) {
          return ParamMessage(*param, kValueErr) + " (a date as dd-MM-yyyy)";
        }
        model.dateText = value;
        break;
      case ParamKind::kTime:
        if (!QTime::fromString(FromUtf8(value), "HH:mm:ss").isValid()) {
          return ParamMessage(*param, kValueErr) + " (a time as HH:mm:ss)";
        }
        model.timeText = value;
        break;
      case ParamKind::kVersion:
        return std::string(param->displayNumber) + " is the indicator's version and cannot be set";
    }
    params.push_back(param);
  }
  return {};
}

std::optional<FormatMode> ModeOf(const std::string& text) {
  if (text == "G" || text == "g") return FormatMode::GFMT;
  if (text == "N" || text == "n") return FormatMode::NFMT;
  return std::nullopt;
}

std::optional<int> ItemPosition(const std::string& text) {
  if (text == kCurrentItemText || text == "aa") return kCurrentItemPosition;
  if (text.empty() || text.size() > 2 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::stoi(text);
}

std::optional<std::string_view> KeyCode(const std::string& name) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kKeys{{
      {"ZERO", key::kZero},
      {"GR/NET", key::kGrossNet},
      {"TARE", key::kTare},
      {"UNITS", key::kUnits},
      {"PRINT", key::kPrint},
  }};
  for (const auto& [keyName, code] : kKeys) {
    if (name == keyName) return code;
  }
  return std::nullopt;
}

// The format file's lines, as Load File puts them into the window.
std::string LoadFormat(const std::string& path, PrintFormatModel& model) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    return std::string(kPrintFormatFileErrorText) + " " + path;
  }
  SilentFeedback quiet;
  LoadPrintFormatFile(model, path, quiet);
  return quiet.Last();
}

std::string CheckFormat(const CliCommand& c, int dataBits) {
  if (c.args.size() < 2 || !ModeOf(c.args[1])) return Usage(c);
  if (c.args[0] == "read") {
    if (c.args.size() != 2) return Usage(c);
    return {};
  }
  if (c.args[0] != "send" || c.args.size() != 3) return Usage(c);
  PrintFormatModel model;
  if (std::string error = LoadFormat(c.args[2], model); !error.empty()) return error;
  // The length rules of Send, so that a text the indicator cannot take is refused here.
  const std::optional<std::string> text = JoinLines(model.format.lines, false);
  if (!text) return std::string(kTooManyCharactersText);
  if (const auto refusal = CheckDataBits(text->size(), dataBits)) return std::string(*refusal);
  return {};
}

std::string CheckWeights(const CliCommand& c) {
  if (c.name == "weight") {
    if (c.args.size() >= 2 && c.args[0] == "get" && c.args.size() == 2) {
      return ItemPosition(c.args[1]) ? "" : "no count item " + c.args[1];
    }
    if (c.args.size() == 3 && c.args[0] == "set") {
      if (!ItemPosition(c.args[1])) return "no count item " + c.args[1];
      if (!AverageWeightValue(c.args[2])) return std::string(count_text::kRange);
      return {};
    }
    return Usage(c);
  }
  if (c.args.size() != 2 || (c.args[0] != "read" && c.args[0] != "write")) return Usage(c);
  if (c.args[0] == "read") return {};
  std::error_code ec;
  const auto table = ReadAverageWeightFile(c.args[1]);
  if (!std::filesystem::exists(c.args[1], ec) || !table) {
    return std::string(count_text::kFileError) + " " + c.args[1];
  }
  for (int item = 0; item < kCountItemCount; ++item) {
    const std::string_view record = table->Record(item);
    if (!IsNoAverageWeight(record) && !AverageWeightValue(record)) {
      return "item " + std::to_string(item) + ": " + std::string(count_text::kRange);
    }
  }
  return {};
}

QJsonArray MessagesSince(const ConsoleFeedback& ui, std::size_t first) {
  QJsonArray list;
  for (std::size_t i = first; i < ui.Messages().size(); ++i)
    list.append(FromUtf8(ui.Messages()[i].text));
  return list;
}

// The number, the value as the setup window shows it and the name on one line each.
void ParameterTable(const SetupModel& model, CommandResult& result) {
  QJsonArray rows;
  for (const SetupParam& param : SetupParams()) {
    std::string name(param.name);
    std::replace(name.begin(), name.end(), '\r', ' ');
    const std::string& value = model.currentValue[RowIndex(param)];
    std::string number(param.displayNumber);
    number.resize(std::max<std::size_t>(number.size(), 6), ' ');
    std::string shown = value;
    shown.resize(std::max<std::size_t>(shown.size(), 16), ' ');
    result.text += number + " " + shown + " " + name + "\n";
    rows.append(QJsonObject{{"number", FromSingleByte(param.displayNumber)},
                            {"value", FromSingleByte(value)},
                            {"name", FromSingleByte(name)}});
  }
  result.data["parameters"] = rows;
}

int Failed(const ConsoleFeedback& ui, int before) {
  return ui.Failures() > before ? kExitIndicator : kExitOk;
}

CommandResult RunRead(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui) {
  CommandResult result;
  SetupModel model = FreshSetupModel();
  if (!ReadAllParams(model, link, ui)) {
    result.status = kExitIndicator;
    return result;
  }
  if (c.out.empty()) {
    ParameterTable(model, result);
  } else if (EndsWith(c.out, ".json")) {
    CommandResult table;
    ParameterTable(model, table);
    const QByteArray json = QJsonDocument(table.data).toJson();
    if (!ReplaceFile(c.out, std::string_view(json.constData(), json.size())).ok()) {
      ui.Failure(std::string(kSetupFileError) + " " + c.out);
      result.status = kExitUsage;
      return result;
    }
    result.data = table.data;
  } else {
    if (!SaveSetupFile(c.out, model, ui)) {
      result.status = kExitUsage;
      return result;
    }
    ParameterTable(model, result);
    result.text.clear();
  }
  result.data["file"] = FromUtf8(c.out);
  return result;
}

CommandResult RunDiff(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui) {
  CommandResult result;
  SetupModel model = FreshSetupModel();
  if (!LoadSetupFile(c.args[0], model, ui)) {
    result.status = kExitUsage;
    return result;
  }
  if (!ReadAllParams(model, link, ui)) {
    result.status = kExitIndicator;
    return result;
  }
  QJsonArray differences;
  for (const SetupParam* param : Differences(model)) {
    result.text += MismatchLine(model, *param) + "\n";
    differences.append(QJsonObject{{"number", FromSingleByte(param->displayNumber)},
                                   {"file", FromSingleByte(EditableValueText(model, *param))},
                                   {"indicator", FromSingleByte(IndicatorText(model, *param))}});
  }
  result.text += DifferenceCountText(differences.size()) + "\n";
  result.data["differences"] = differences;
  result.status = differences.isEmpty() ? kExitOk : kExitIndicator;
  return result;
}

CommandResult RunWrite(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui,
                       const PortLine& opened) {
  CommandResult result;
  SetupModel model = FreshSetupModel();
  if (std::string error = LoadForWrite(c.args[0], model); !error.empty()) {
    ui.Failure(error);
    result.status = kExitUsage;
    return result;
  }
  // The service record keeps what the setup window's session keeps: the reads and operations.
  std::optional<SetupSession> session;
  if (!c.record.empty()) {
    SetupSession::Options options;
    options.line = opened;
    session.emplace(std::move(options));
    model.journal = &*session;
    if (!ReadAllParams(model, link, ui)) {
      result.status = kExitIndicator;
      return result;
    }
  }
  if (!WriteAllParams(model, link, ui)) {
    result.status = kExitIndicator;
    return result;
  }
  if (c.verify) {
    const bool match = VerifyParams(model, link, ui);
    result.data["verified"] = match;
    if (!match) result.status = kExitIndicator;
  } else if (session && !ReadAllParams(model, link, ui)) {
    result.status = kExitIndicator;
  }
  if (session && session->LatestRead()) {
    const ServiceRecord record = BuildServiceRecord(*session, "", "", session->Now());
    if (!ReplaceFile(c.record, ServiceRecordCsv(record)).ok()) {
      ui.Failure(std::string(kRecordNotSaved) + c.record);
      result.status = kExitUsage;
    }
    result.data["record"] = FromUtf8(c.record);
  }
  return result;
}

CommandResult RunSet(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui) {
  CommandResult result;
  SetupModel model = FreshSetupModel();
  std::vector<const SetupParam*> params;
  PrepareSet(c.args, model, params);
  for (const SetupParam* param : params) {
    if (!WriteParamHandler(model, link, ui, *param)) {
      result.status = kExitIndicator;
      return result;
    }
  }
  return result;
}

CommandResult RunFormat(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui, int dataBits) {
  CommandResult result;
  PrintFormatModel model;
  model.dataBits = dataBits;
  SelectMode(model, *ModeOf(c.args[1]));
  const int before = ui.Failures();
  if (c.args[0] == "send") {
    LoadFormat(c.args[2], model);
    SendPrintFormat(model, link, ui);
    result.status = Failed(ui, before);
    return result;
  }
  ReadPrintFormat(model, link, ui);
  if (ui.Failures() > before) {
    result.status = kExitIndicator;
    return result;
  }
  QJsonArray lines;
  for (int n = 1; n <= kFormatLineCount; ++n) {
    const std::string& line = Line(model, n);
    lines.append(FromSingleByte(line));
    if (c.out.empty()) result.text += line + "\n";
  }
  result.data["lines"] = lines;
  if (!c.out.empty()) {
    SavePrintFormatFile(model, c.out, ui);
    if (ui.Failures() > before) result.status = kExitUsage;
  }
  return result;
}

CommandResult RunWeight(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui) {
  CommandResult result;
  CountSetupModel model;
  model.itemPosition = *ItemPosition(c.args[1]);
  const int before = ui.Failures();
  if (c.args[0] == "set") {
    model.weightText = c.args[2];
    CountWrite(model, link, ui);
  } else {
    CountRead(model, link, ui);
    if (ui.Failures() == before) {
      result.text = CountItemText(model) + " " + model.weightText + "\n";
      result.data["item"] = FromSingleByte(CountItemText(model));
      result.data["weight"] = FromSingleByte(model.weightText);
    }
  }
  result.status = Failed(ui, before);
  return result;
}

CommandResult RunWeights(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui,
                         const std::atomic<bool>& stop) {
  CommandResult result;
  const std::string& path = c.args[1];
  const int before = ui.Failures();
  if (c.args[0] == "read") {
    AverageWeightTable table;
    for (int item = 0; item < kCountItemCount && !stop; ++item) {
      CountSetupModel model;
      model.itemPosition = item;
      // Items never set up answer with the no-weight mark, which the window shows as an
      // information box; the file keeps that mark, so it is not repeated a hundred times here.
      SilentFeedback quiet;
      CountRead(model, link, quiet);
      if (!quiet.Last().empty()) {
        ui.Failure("item " + std::to_string(item) + ": " + quiet.Last());
        result.status = kExitIndicator;
        return result;
      }
      table.SetRecord(item, AverageWeightRecord(model.weightText));
    }
    if (stop) {
      result.status = kExitIndicator;
      return result;
    }
    if (!WriteAverageWeightFile(path, table)) {
      ui.Failure(std::string(count_text::kFileError) + " " + path);
      result.status = kExitUsage;
    }
    return result;
  }
  const AverageWeightTable table = *ReadAverageWeightFile(path);
  int written = 0;
  for (int item = 0; item < kCountItemCount && !stop; ++item) {
    if (IsNoAverageWeight(table.Record(item))) continue;
    CountSetupModel model;
    model.itemPosition = item;
    model.weightText = std::string(table.Record(item));
    CountWrite(model, link, ui);
    if (ui.Failures() > before) {
      result.status = kExitIndicator;
      return result;
    }
    ++written;
  }
  result.data["written"] = written;
  result.text = std::to_string(written) + " average weights written\n";
  if (stop) result.status = kExitIndicator;
  return result;
}

CommandResult RunDisplay(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui,
                         const std::atomic<bool>& stop) {
  using Clock = std::chrono::steady_clock;
  CommandResult result;
  DisplayState state;
  QJsonArray polls;
  // The CSV rows count their seconds from the first poll, on the monotonic clock.
  const Clock::time_point first = Clock::now();
  if (c.csv && c.watch) {
    std::fputs((TrendCsvHeader() + "\r\n").c_str(), stdout);
    std::fflush(stdout);
  }
  do {
    const Clock::time_point began = Clock::now();
    const bool good = PollDisplay(state, link, ui, true);
    std::string line = ShownCharacters(state.displayText);
    QJsonArray lamps;
    for (const LampInfo& lamp : kLamps) {
      if (good && state.Lit(lamp.lamp)) {
        line += " " + std::string(lamp.label);
        lamps.append(FromSingleByte(lamp.label));
      }
    }
    if (c.csv) {
      WeightSample sample;
      sample.seconds = std::chrono::duration<double>(began - first).count();
      sample.wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
      if (good) sample.reading = ReadDisplay(state);
      // Rows end as in the saved file, so that the two can be compared byte for byte.
      line = TrendCsvRow(sample) + "\r";
    }
    const QJsonObject poll{{"display", FromSingleByte(ShownCharacters(state.displayText))},
                           {"lamps", lamps},
                           {"ok", good}};
    if (c.watch) {
      // Each poll is printed as it comes, so that a pipe sees it at once.
      if (!ui.Stopped()) {
        std::fputs((line + "\n").c_str(), stdout);
        std::fflush(stdout);
      }
      polls.append(poll);
    } else {
      result.text = (c.csv ? TrendCsvHeader() + "\r\n" : std::string()) + line + "\n";
      result.data = poll;
      result.status = good ? kExitOk : kExitIndicator;
    }
    while (c.watch && !stop && Clock::now() - began < std::chrono::milliseconds(500)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  } while (c.watch && !stop);
  if (c.watch) result.data["polls"] = polls;
  return result;
}

}  // namespace

std::span<const CommandInfo> Commands() {
  return kCommands;
}

const CommandInfo* FindCommand(std::string_view name) {
  for (const CommandInfo& info : kCommands) {
    if (info.name == name) return &info;
  }
  return nullptr;
}

std::string* CommandFile(CliCommand& c) {
  if ((c.name == "diff" || c.name == "write") && !c.args.empty()) return &c.args[0];
  if (c.name == "read") return &c.out;
  if (c.name == "format" && !c.args.empty()) {
    if (c.args[0] == "read") return &c.out;
    if (c.args.size() == 3) return &c.args[2];
  }
  if (c.name == "weights" && c.args.size() == 2) return &c.args[1];
  return nullptr;
}

std::string CheckCommand(const CliCommand& c, int dataBits) {
  if (!FindCommand(c.name)) return "unknown command \"" + c.name + "\"";
  const bool noArgs = c.args.empty();
  if (!c.record.empty()) {
    if (c.name != "write") return Usage(c);
    // The PDF form needs a page layout engine, which this program does without.
    if (!EndsWith(c.record, ".csv")) return "the service record is written as CSV: RECORD.csv";
  }
  if ((c.verify && c.name != "write") || (c.watch && c.name != "display") ||
      (c.csv && c.name != "display") ||
      (!c.out.empty() && c.name != "read" && c.name != "format") ||
      (c.password && c.name != "default")) {
    return Usage(c);
  }
  if (c.name == "ports" || c.name == "find" || c.name == "display" || c.name == "save" ||
      c.name == "restore" || c.name == "read") {
    return noArgs ? "" : Usage(c);
  }
  if (c.name == "key") {
    if (c.args.size() != 1) return Usage(c);
    return KeyCode(c.args[0]) ? "" : "no key " + c.args[0] + "; " + Usage(c);
  }
  if (c.name == "diff" || c.name == "write") {
    if (c.args.size() != 1) return Usage(c);
    SetupModel model = FreshSetupModel();
    if (c.name == "write") return LoadForWrite(c.args[0], model);
    SilentFeedback quiet;
    if (!LoadSetupFile(c.args[0], model, quiet))
      return std::string(kSetupFileError) + " " + c.args[0];
    return {};
  }
  if (c.name == "set") {
    SetupModel model = FreshSetupModel();
    std::vector<const SetupParam*> params;
    return PrepareSet(c.args, model, params);
  }
  if (c.name == "default") {
    if (!noArgs || !c.password) return Usage(c);
    return *c.password == kAccessCode ? "" : std::string(kPasswordError);
  }
  if (c.name == "format") return CheckFormat(c, dataBits);
  return CheckWeights(c);
}

CommandResult RunCommand(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui,
                         const PortLine& opened, const std::atomic<bool>& stop) {
  const std::size_t first = ui.Messages().size();
  CommandResult result;
  if (c.name == "read") {
    result = RunRead(c, link, ui);
  } else if (c.name == "diff") {
    result = RunDiff(c, link, ui);
  } else if (c.name == "write") {
    result = RunWrite(c, link, ui, opened);
  } else if (c.name == "set") {
    result = RunSet(c, link, ui);
  } else if (c.name == "save" || c.name == "restore") {
    SetupModel model = FreshSetupModel();
    const int before = ui.Failures();
    if (c.name == "save") {
      SaveParams(model, link, ui);
    } else {
      RestoreParams(model, link, ui);
    }
    result.status = Failed(ui, before);
  } else if (c.name == "default") {
    SetupModel model = FreshSetupModel();
    const int before = ui.Failures();
    SetFactoryDefaults(model, link, ui, [] { return PasswordAnswer::kAccepted; });
    result.status = Failed(ui, before);
  } else if (c.name == "key") {
    if (SendKeyCommand(link, ui, *KeyCode(c.args[0])) != TransactStatus::kOk) {
      ui.Failure("The indicator did not take the key " + c.args[0] + ".");
      result.status = kExitIndicator;
    }
  } else if (c.name == "display") {
    result = RunDisplay(c, link, ui, stop);
  } else if (c.name == "format") {
    result = RunFormat(c, link, ui, opened.settings.dataBits);
  } else if (c.name == "weight") {
    result = RunWeight(c, link, ui);
  } else if (c.name == "weights") {
    result = RunWeights(c, link, ui, stop);
  }
  // A failure shown on the way (Write All goes on past a failed date write, as the window does)
  // must not end as a success for the script.
  const bool failureShown = std::any_of(ui.Messages().begin() + static_cast<std::ptrdiff_t>(first),
                                        ui.Messages().end(), [](const ConsoleFeedback::Message& m) {
                                          return m.kind != ConsoleFeedback::Kind::kSuccess &&
                                                 m.kind != ConsoleFeedback::Kind::kQuestion;
                                        });
  if (result.status == kExitOk && failureShown && c.name != "display") {
    result.status = kExitIndicator;
  }
  if (stop && result.status == kExitOk && c.name != "display") result.status = kExitIndicator;
  result.data["messages"] = MessagesSince(ui, first);
  return result;
}

}  // namespace tamarack::cli
