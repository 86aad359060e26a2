#include "cli/cli_commands.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <QTime>
#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "cli/fleet.h"
#include "cli/port_commands.h"
#include "cli/records_commands.h"
#include "cli/test_scale_command.h"
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
#include "records/record_collector.h"
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

std::string CheckWeight(const CliCommand& c, int) {
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

std::string CheckWeights(const CliCommand& c, int) {
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

std::string CheckNoWords(const CliCommand& c, int) {
  return c.args.empty() ? "" : Usage(c);
}

std::string CheckKey(const CliCommand& c, int) {
  if (c.args.size() != 1) return Usage(c);
  return KeyCode(c.args[0]) ? "" : "no key " + c.args[0] + "; " + Usage(c);
}

std::string CheckDiff(const CliCommand& c, int) {
  if (c.args.size() != 1) return Usage(c);
  SetupModel model = FreshSetupModel();
  SilentFeedback quiet;
  if (!LoadSetupFile(c.args[0], model, quiet))
    return std::string(kSetupFileError) + " " + c.args[0];
  return {};
}

std::string CheckWrite(const CliCommand& c, int) {
  // The PDF form needs a page layout engine, which this program does without.
  if (!c.record.empty() && !EndsWith(c.record, ".csv")) {
    return "the service record is written as CSV: RECORD.csv";
  }
  if (c.args.size() != 1) return Usage(c);
  SetupModel model = FreshSetupModel();
  return LoadForWrite(c.args[0], model);
}

std::string CheckSet(const CliCommand& c, int) {
  SetupModel model = FreshSetupModel();
  std::vector<const SetupParam*> params;
  return PrepareSet(c.args, model, params);
}

std::string CheckDefault(const CliCommand& c, int) {
  if (!c.args.empty() || !c.password) return Usage(c);
  return *c.password == kAccessCode ? "" : std::string(kPasswordError);
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

CommandResult RunRead(const CliCommand& c, Connection& on) {
  SerialLink& link = on.link;
  ConsoleFeedback& ui = on.ui;
  CommandResult result;
  SetupModel model = FreshSetupModel();
  model.journal = &on.records;
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

CommandResult RunDiff(const CliCommand& c, Connection& on) {
  SerialLink& link = on.link;
  ConsoleFeedback& ui = on.ui;
  CommandResult result;
  SetupModel model = FreshSetupModel();
  model.journal = &on.records;
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

CommandResult RunWrite(const CliCommand& c, Connection& on) {
  SerialLink& link = on.link;
  ConsoleFeedback& ui = on.ui;
  const PortLine& opened = on.opened;
  CommandResult result;
  SetupModel model = FreshSetupModel();
  model.journal = &on.records;
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
    on.records.SetInner(&*session);
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
    const ServiceRecord record = BuildServiceRecord(*session, c.technician, "", session->Now());
    // Without a page layout engine here, the record is kept without its PDF.
    on.records.Add(records::ServiceRecordContent{record, {}});
    if (!ReplaceFile(c.record, ServiceRecordCsv(record)).ok()) {
      ui.Failure(std::string(kRecordNotSaved) + c.record);
      result.status = kExitUsage;
    }
    result.data["record"] = FromUtf8(c.record);
  }
  return result;
}

CommandResult RunSet(const CliCommand& c, Connection& on) {
  SerialLink& link = on.link;
  ConsoleFeedback& ui = on.ui;
  CommandResult result;
  SetupModel model = FreshSetupModel();
  model.journal = &on.records;
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
  // A failed poll shows on the way and the watch goes on; Ctrl+C is how a watch ends.
  result.settled = true;
  return result;
}

CommandResult RunSave(const CliCommand&, Connection& on) {
  SetupModel model = FreshSetupModel();
  model.journal = &on.records;
  const int before = on.ui.Failures();
  SaveParams(model, on.link, on.ui);
  CommandResult result;
  result.status = Failed(on.ui, before);
  return result;
}

CommandResult RunRestore(const CliCommand&, Connection& on) {
  SetupModel model = FreshSetupModel();
  model.journal = &on.records;
  const int before = on.ui.Failures();
  RestoreParams(model, on.link, on.ui);
  CommandResult result;
  result.status = Failed(on.ui, before);
  return result;
}

CommandResult RunDefault(const CliCommand&, Connection& on) {
  SetupModel model = FreshSetupModel();
  model.journal = &on.records;
  const int before = on.ui.Failures();
  // The check has taken the access code already.
  SetFactoryDefaults(model, on.link, on.ui, [] { return PasswordAnswer::kAccepted; });
  CommandResult result;
  result.status = Failed(on.ui, before);
  return result;
}

CommandResult RunKey(const CliCommand& c, Connection& on) {
  CommandResult result;
  if (SendKeyCommand(on.link, on.ui, *KeyCode(c.args[0])) != TransactStatus::kOk) {
    on.ui.Failure("The indicator did not take the key " + c.args[0] + ".");
    result.status = kExitIndicator;
  }
  return result;
}

constexpr std::array<OptionInfo, 26> kOptions{{
    {Option::kPort, "port", "", ValueKind::kPort, "PORT", "", "COM1",
     "COM1..COM6, a device path, socket://HOST:PORT or rfc2217://HOST:PORT for a serial device "
     "server, or sim for the built-in simulated indicator (default COM1).",
     true, ""},
    {Option::kBaud, "baud", "", ValueKind::kChoice, "BAUD", "2400|4800|9600", "9600",
     "2400, 4800 or 9600 (default 9600).", true, ""},
    {Option::kData, "data", "", ValueKind::kChoice, "BITS", "7|8", "8",
     "Data bits, 7 or 8 (default 8).", true, ""},
    {Option::kStop, "stop", "", ValueKind::kChoice, "BITS", "1|2", "1",
     "Stop bits, 1 or 2 (default 1).", true, ""},
    {Option::kParity, "parity", "", ValueKind::kChoice, "PARITY", "NOPARITY|EVENPARITY|ODDPARITY",
     "NOPARITY", "NOPARITY, EVENPARITY or ODDPARITY (default NOPARITY).", true, ""},
    {Option::kTrace, "trace", "", ValueKind::kNone, "", "", "", "Every exchange on standard error.",
     true, ""},
    {Option::kJson, "json", "", ValueKind::kNone, "", "", "",
     "One JSON document on standard output instead of text.", true, ""},
    {Option::kOut, "out", "", ValueKind::kFile, "FILE", "", "",
     "read, format read: the file to store.", false, ""},
    {Option::kVerify, "verify", "", ValueKind::kNone, "", "", "", "write: read back and compare.",
     false, ""},
    {Option::kRecord, "record", "", ValueKind::kFile, "RECORD.csv", "", "",
     "write: the service record (as found, as left).", false, ""},
    {Option::kWatch, "watch", "", ValueKind::kNone, "", "", "",
     "display: poll every 500 ms until Ctrl+C.", false, ""},
    {Option::kCsv, "csv", "", ValueKind::kNone, "", "", "",
     "display: CSV rows, as the Weight Trend window saves them.", false, ""},
    {Option::kAllPorts, "all-ports", "", ValueKind::kNone, "", "", "",
     "find: look on every serial port.", false, "--all-ports belongs to find"},
    {Option::kPassword, "password", "", ValueKind::kText, "CODE", "", "",
     "default: the access code.", false, ""},
    {Option::kKeepGoing, "keep-going", "", ValueKind::kNone, "", "", "",
     "fleet: pass over malformed inventory rows.", false,
     "--keep-going and --log-dir belong to fleet"},
    {Option::kLogDir, "log-dir", "", ValueKind::kFolder, "DIR", "", "",
     "fleet: where the indicators' logs go.", false, "--keep-going and --log-dir belong to fleet"},
    {Option::kClass, "class", "", ValueKind::kChoice, "CLASS", "III|IIII", "",
     "test-scale: the accuracy class (default III).", false, ""},
    {Option::kTolerance, "tolerance", "", ValueKind::kChoice, "SITUATION", "acceptance|in-service",
     "", "test-scale: acceptance or in-service tolerances (default acceptance).", false, ""},
    {Option::kPlan, "plan", "", ValueKind::kFile, "PLAN.csv", "", "",
     "test-scale: the test plan (default: from Max and the tolerance).", false, ""},
    {Option::kPdf, "pdf", "", ValueKind::kFile, "FILE", "", "",
     "test-scale: the certificate as PDF (with --csv FILE, as CSV).", false, ""},
    {Option::kSimErrors, "sim-errors", "", ValueKind::kText, "LIST", "", "",
     "With --port sim: the simulated scale's errors, e.g. span=+0.03%,fl=+0.05%,noise=0.3.", true,
     ""},
    {Option::kRecords, "records", "", ValueKind::kText, "URL", "", "",
     "records: a team's store, postgresql://user@host:port/db (the password from PGPASSFILE or "
     "~/.pgpass), instead of this PC's; sync: the team store to sync with.",
     false, "--records belongs to records"},
    {Option::kScale, "scale", "", ValueKind::kText, "SITE/TAG", "", "",
     "The scale whose records a command makes (read, diff, write, set, save, restore, default, "
     "fleet); a scale not yet known is added. Without it the records are on no scale.",
     false, "--scale and --technician belong to the commands that make records"},
    {Option::kTechnician, "technician", "", ValueKind::kText, "NAME", "", "",
     "Who makes the records of the command.", false,
     "--scale and --technician belong to the commands that make records"},
    {Option::kHelp, "help", "h", ValueKind::kNone, "", "", "",
     "This help, or a command's with the command.", true, ""},
    {Option::kVersion, "version", "v", ValueKind::kNone, "", "", "",
     "Displays version information.", true, ""},
}};

// OptionOf() finds an option by its place.
static_assert([] {
  for (std::size_t i = 0; i < kOptions.size(); ++i) {
    if (kOptions[i].option != static_cast<Option>(i)) return false;
  }
  return true;
}());

Word Choice(std::string_view text) {
  return {ValueKind::kChoice, text, {}};
}
Word File(std::string_view text) {
  return {ValueKind::kFile, text, {}};
}
Word Text(std::string_view text) {
  return {ValueKind::kText, text, {}};
}

// A row's line runs, adapted to the handlers' own parameters.
template <CommandResult (*Run)(const CliCommand&, SerialLink&, ConsoleFeedback&)>
CommandResult OnLink(const CliCommand& c, Connection& on) {
  return Run(c, on.link, on.ui);
}

// The commands, in the order --help lists them.
const std::vector<CommandRow>& Table() {
  static const std::vector<CommandRow> table{
      {"ports",
       {{}},
       "Lists the serial devices with their descriptions.",
       CheckNoWords,
       Reach::kPorts,
       RunPorts},
      {"find",
       {{{}, {{Option::kAllPorts}}}},
       "Looks for the indicator at every line setting on --port (on every port with "
       "--all-ports) and prints the port and the settings where it answered.",
       CheckNoWords,
       Reach::kPorts,
       RunFind},
      {"display",
       {{{}, {{Option::kWatch}, {Option::kCsv}}}},
       "Polls the display once (every 500 ms with --watch, until Ctrl+C) and prints the "
       "characters shown and the lamps lit; with --csv, one row a poll in the form the Weight "
       "Trend window saves (time,seconds,shown,value,unit,stable,gross,net,zero).",
       CheckNoWords,
       [](const CliCommand& c, Connection& on) { return RunDisplay(c, on.link, on.ui, on.stop); }},
      {"key",
       {{{Choice("ZERO|GR/NET|TARE|UNITS|PRINT")}}},
       "Presses a front-panel key.",
       CheckKey,
       RunKey},
      {"read",
       {{{}, {{Option::kOut, "FILE.stx|FILE.json"}}}},
       "Reads all 33 parameters and prints them, or stores them as a setup value file or as "
       "JSON.",
       CheckNoWords,
       RunRead,
       true},
      {"diff",
       {{{File("FILE.stx")}}},
       "Reads the indicator and lists the parameters that differ from the file; exit status 1 "
       "when any does.",
       CheckDiff,
       RunDiff,
       true},
      {"write",
       {{{File("FILE.stx")}, {{Option::kVerify}, {Option::kRecord}}}},
       "Writes the file's values with Write All, after checking every field as the setup window "
       "does; with --verify, reads them back and compares. With --record, reads the indicator "
       "before (as found) and after (as left) and stores the service record as CSV.",
       CheckWrite,
       RunWrite,
       true},
      {"set",
       {{{{ValueKind::kParameter, "F1.6=2", "F6.2=100"}}}},
       "Writes single parameters by number; values as the setup window accepts them (a choice by "
       "its code or its option text, a date as dd-MM-yyyy, a time as HH:mm:ss).",
       CheckSet,
       RunSet,
       true},
      {"save", {{}}, "Has the indicator keep the values written.", CheckNoWords, RunSave, true},
      {"restore",
       {{}},
       "Has the indicator go back to its saved values.",
       CheckNoWords,
       RunRestore,
       true},
      {"default",
       {{{}, {{Option::kPassword, "", true}}}},
       "Returns the indicator to its factory setup.",
       CheckDefault,
       RunDefault,
       true},
      {"format",
       {{{Choice("read"), Choice("G|N")}, {{Option::kOut, "FILE.fmt"}}},
        {{Choice("send"), Choice("G|N"), File("FILE.fmt")}}},
       "Reads the gross (G) or net (N) print format from the indicator, or sends one from a "
       "file.",
       CheckFormat,
       [](const CliCommand& c, Connection& on) {
         return RunFormat(c, on.link, on.ui, on.opened.settings.dataBits);
       }},
      {"weight",
       {{{Choice("get"), Text("ITEM")}}, {{Choice("set"), Text("ITEM"), Text("VALUE")}}},
       "Reads or writes the average piece weight of a count item (0-99, or AA for the current "
       "one).",
       CheckWeight,
       OnLink<RunWeight>},
      {"weights",
       {{{Choice("read"), File("FILE.aws")}}, {{Choice("write"), File("FILE.aws")}}},
       "Reads the average weights of items 0-99 into a file, or writes those the file holds.",
       CheckWeights,
       [](const CliCommand& c, Connection& on) { return RunWeights(c, on.link, on.ui, on.stop); }},
      {"test-scale",
       {{{},
         {{Option::kClass},
          {Option::kTolerance},
          {Option::kPlan},
          {Option::kPdf},
          {Option::kCsv, "FILE"}}}},
       "Tests the scale against the tolerances of its regulation (F6.1): reads its capacity and "
       "division, then walks the plan, asking for each load and waiting for Enter (a typed number "
       "is taken as the reading); with --port sim the simulated indicator places each load "
       "itself. Prints every reading with its error and MPE, and writes the certificate. Exit "
       "status 0 when every test passes, 1 when one fails or the test did not end.",
       CheckTestScale,
       RunTestScaleCommand,
       true},
      {"fleet",
       {{{File("INVENTORY.csv"), {ValueKind::kCommand, "COMMAND ...", {}}},
         {{Option::kKeepGoing}, {Option::kLogDir}}}},
       "Runs COMMAND on every indicator of the inventory at once, one port and one thread each. "
       "The inventory holds one indicator a line: port[,baud[,data[,stop[,parity[,file]]]]]; "
       "empty fields take the line options, and a row's file replaces the command's file. Each "
       "indicator gets a log in DIR (default INVENTORY.csv.logs). Exit status 1 when any "
       "indicator failed.",
       CheckFleet,
       Reach::kFleet,
       RunFleetCommand,
       true},
      {"records",
       {{{Choice("list")}, {{Option::kRecords}}},
        {{Choice("list"), Text("SITE/TAG|unplaced")}, {{Option::kRecords}}},
        {{Choice("show"), Text("ID")}, {{Option::kRecords}}},
        {{Choice("diff"), Text("ID"), Text("ID")}, {{Option::kRecords}}},
        {{Choice("export"), Text("ID"), File("FILE.stx|FILE.pdf|FILE.csv")}, {{Option::kRecords}}},
        {{Choice("sync")}, {{Option::kRecords, "", true}}}},
       "What Tamarack keeps: list the scales with their next verification, or one scale's records "
       "(or those on no scale) newest first; show one record; the parameters that differ between "
       "two reads (exit status 1 when any does); export a record to its setup value file, PDF or "
       "CSV; sync this PC's store with a team's. A record is named by its id or the first letters "
       "of it. Every other command that reads or writes an indicator keeps its records in this "
       "PC's store.",
       CheckRecords,
       Reach::kStore,
       RunRecords},
  };
  return table;
}

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

bool IsChoice(std::string_view choices, std::string_view word) {
  for (std::size_t start = 0;;) {
    const std::size_t bar = choices.find('|', start);
    if (SameWord(choices.substr(start, bar - start), word)) return true;
    if (bar == std::string_view::npos) return false;
    start = bar + 1;
  }
}

std::string FormText(std::string_view name, const Form& form) {
  std::string text(name);
  for (const Word& word : form.words) {
    text += " " + std::string(word.text);
    if (!word.more.empty()) text += " [" + std::string(word.more) + " ...]";
  }
  for (const FormOption& option : form.options) {
    const OptionInfo& info = OptionOf(option.option);
    std::string part = "--" + std::string(info.name);
    const std::string_view value = option.value.empty() ? info.valueName : option.value;
    if (!value.empty()) part += " " + std::string(value);
    text += option.required ? " " + part : " [" + part + "]";
  }
  return text;
}

}  // namespace

std::span<const OptionInfo> Options() {
  return kOptions;
}

const OptionInfo& OptionOf(Option option) {
  return kOptions[static_cast<std::size_t>(option)];
}

std::span<const CommandRow> Commands() {
  return Table();
}

const CommandRow* FindCommand(std::string_view name) {
  for (const CommandRow& row : Table()) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

std::string Synopsis(const CommandRow& row) {
  std::string text;
  for (const Form& form : row.forms) {
    if (!text.empty()) text += "  |  ";
    text += FormText(row.name, form);
  }
  return text;
}

std::string Usage(const CliCommand& command) {
  const CommandRow* row = FindCommand(command.name);
  return "usage: tamarack-cli " + (row ? Synopsis(*row) : command.name);
}

bool Given(const CliCommand& c, Option option) {
  switch (option) {
    case Option::kOut:
      return !c.out.empty();
    case Option::kVerify:
      return c.verify;
    case Option::kRecord:
      return !c.record.empty();
    case Option::kWatch:
      return c.watch;
    case Option::kCsv:
      return c.csv;
    case Option::kAllPorts:
      return c.allPorts;
    case Option::kPassword:
      return c.password.has_value();
    case Option::kKeepGoing:
      return c.keepGoing;
    case Option::kLogDir:
      return c.logDir.has_value();
    case Option::kClass:
      return !c.accuracyClass.empty();
    case Option::kTolerance:
      return !c.tolerance.empty();
    case Option::kPlan:
      return !c.plan.empty();
    case Option::kPdf:
      return !c.pdf.empty();
    case Option::kRecords:
      return !c.records.empty();
    case Option::kScale:
      return !c.scale.empty();
    case Option::kTechnician:
      return !c.technician.empty();
    case Option::kSimErrors:
    case Option::kPort:
    case Option::kBaud:
    case Option::kData:
    case Option::kStop:
    case Option::kParity:
    case Option::kTrace:
    case Option::kJson:
    case Option::kHelp:
    case Option::kVersion:
      break;
  }
  return false;
}

bool Takes(const CommandRow& row, Option option) {
  if (row.makesRecords && (option == Option::kScale || option == Option::kTechnician)) return true;
  return std::any_of(row.forms.begin(), row.forms.end(), [&](const Form& form) {
    return std::any_of(form.options.begin(), form.options.end(),
                       [&](const FormOption& o) { return o.option == option; });
  });
}

const Form* MatchForm(const CommandRow& row, const CliCommand& c) {
  for (const Form& form : row.forms) {
    const bool repeats = !form.words.empty() && !form.words.back().more.empty();
    if (repeats ? c.args.size() < form.words.size() : c.args.size() != form.words.size()) continue;
    bool fits = true;
    for (std::size_t i = 0; i < form.words.size() && fits; ++i) {
      fits = form.words[i].kind != ValueKind::kChoice || IsChoice(form.words[i].text, c.args[i]);
    }
    if (fits) return &form;
  }
  return nullptr;
}

bool RunsAnother(const CommandRow& row) {
  return std::any_of(row.forms.begin(), row.forms.end(), [](const Form& form) {
    return std::any_of(form.words.begin(), form.words.end(),
                       [](const Word& w) { return w.kind == ValueKind::kCommand; });
  });
}

std::optional<CliCommand> WrappedCommand(const CliCommand& c) {
  const CommandRow* row = FindCommand(c.name);
  if (!row) return std::nullopt;
  for (const Form& form : row->forms) {
    for (std::size_t i = 0; i < form.words.size(); ++i) {
      if (form.words[i].kind != ValueKind::kCommand || c.args.size() <= i) continue;
      CliCommand inner = c;
      inner.name = c.args[i];
      inner.args.assign(c.args.begin() + static_cast<std::ptrdiff_t>(i) + 1, c.args.end());
      return inner;
    }
  }
  return std::nullopt;
}

std::string MisplacedOption(const CliCommand& c) {
  const CommandRow* outer = FindCommand(c.name);
  const std::optional<CliCommand> wrapped = WrappedCommand(c);
  const CommandRow* inner = wrapped ? FindCommand(wrapped->name) : nullptr;
  for (const OptionInfo& info : kOptions) {
    if (info.misplaced.empty() || !Given(c, info.option)) continue;
    if ((outer && Takes(*outer, info.option)) || (inner && Takes(*inner, info.option))) continue;
    return std::string(info.misplaced);
  }
  return {};
}

bool TakesFile(const CommandRow& row) {
  return std::any_of(row.forms.begin(), row.forms.end(), [](const Form& form) {
    return std::any_of(form.words.begin(), form.words.end(),
                       [](const Word& w) { return w.kind == ValueKind::kFile; }) ||
           std::any_of(form.options.begin(), form.options.end(), [](const FormOption& o) {
             return OptionOf(o.option).value == ValueKind::kFile;
           });
  });
}

std::string* CommandFile(CliCommand& c) {
  const CommandRow* row = FindCommand(c.name);
  const Form* form = row ? MatchForm(*row, c) : nullptr;
  if (!form) return nullptr;
  for (std::size_t i = 0; i < form->words.size(); ++i) {
    if (form->words[i].kind == ValueKind::kFile) return &c.args[i];
  }
  for (const FormOption& option : form->options) {
    // The one file option an inventory row replaces; --record is named per row instead.
    if (option.option == Option::kOut) return &c.out;
  }
  return nullptr;
}

std::string CheckCommand(const CliCommand& c, int dataBits) {
  const CommandRow* row = FindCommand(c.name);
  if (!row) return "unknown command \"" + c.name + "\"";
  for (const OptionInfo& info : kOptions) {
    if (info.everyCommand || !info.misplaced.empty()) continue;
    if (Given(c, info.option) && !Takes(*row, info.option)) return Usage(c);
  }
  return row->check(c, dataBits);
}

CommandResult RunCommand(const CliCommand& c, SerialLink& link, ConsoleFeedback& ui,
                         const PortLine& opened, const std::atomic<bool>& stop,
                         sim::Simulator* simulator) {
  const std::size_t first = ui.Messages().size();
  const CommandRow* row = FindCommand(c.name);
  if (!row || !row->runOnLine) {
    ui.Failure("unknown command \"" + c.name + "\"");
    CommandResult result;
    result.status = kExitUsage;
    return result;
  }
  records::RecordCollector made(opened);
  Connection on{link, ui, opened, stop, made, simulator};
  CommandResult result = row->runOnLine(c, on);
  result.made = made.Made();
  // A failure shown on the way (Write All goes on past a failed date write, as the window does)
  // must not end as a success for the script.
  const bool failureShown = std::any_of(ui.Messages().begin() + static_cast<std::ptrdiff_t>(first),
                                        ui.Messages().end(), [](const ConsoleFeedback::Message& m) {
                                          return m.kind != ConsoleFeedback::Kind::kSuccess &&
                                                 m.kind != ConsoleFeedback::Kind::kQuestion;
                                        });
  if (result.status == kExitOk && !result.settled && (failureShown || stop)) {
    result.status = kExitIndicator;
  }
  result.data["messages"] = MessagesSince(ui, first);
  return result;
}

std::string CommandText(const CliCommand& c) {
  std::string text = c.name;
  for (const std::string& arg : c.args) text += " " + arg;
  if (!c.out.empty()) text += " --out " + c.out;
  if (c.verify) text += " --verify";
  if (!c.record.empty()) text += " --record " + c.record;
  return text;
}

std::string JsonText(const QJsonObject& document) {
  return QJsonDocument(document).toJson().toStdString();
}

}  // namespace tamarack::cli
