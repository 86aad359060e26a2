#include "traffic/exchange_meaning.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "count/count_wire.h"
#include "indicator/display_decode.h"
#include "link/commands.h"
#include "link/transact.h"
#include "printfmt/print_format.h"
#include "setup/param_codec.h"
#include "setup/param_table.h"

namespace tamarack {
namespace {

// The request's payload: for the long form the letter after "F" and what follows the count byte.
struct Payload {
  bool longForm = false;
  std::string text;
};

std::optional<Payload> RequestPayload(const Frame& request) {
  if (request.size() < 5 || request[0] != kSoh || request[1] != kAddress || request[2] != kStx) {
    return std::nullopt;
  }
  if (request[3] == 'F' && request.size() >= 6) {
    const std::size_t count = request[4];
    if (request.size() != count + 6) return std::nullopt;
    return Payload{true, std::string(request.begin() + 5, request.end() - 1)};
  }
  return Payload{false, std::string(request.begin() + 3, request.end() - 2)};
}

std::string Printable(std::string_view text) {
  std::string shown;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    shown += byte >= 0x20 && byte < 0x7F ? c : '.';
  }
  return shown;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// "Pgg.nn=" at the start of a payload.
std::optional<ParamAddress> AddressOf(std::string_view payload) {
  if (payload.size() < 7 || payload[0] != 'P' || !IsDigit(payload[1]) || !IsDigit(payload[2]) ||
      payload[3] != '.' || !IsDigit(payload[4]) || !IsDigit(payload[5]) || payload[6] != '=') {
    return std::nullopt;
  }
  return ParamAddress{(payload[1] - '0') * 10 + (payload[2] - '0'),
                      (payload[4] - '0') * 10 + (payload[5] - '0')};
}

std::string ParamName(ParamAddress address) {
  if (const SetupParam* param = FindParam(address)) return std::string(param->displayNumber);
  return "P" + address.Text();
}

// The steps that share the write form at addresses outside the parameter table, or at its
// addresses with a step's long wait.
std::optional<std::string> StepName(ParamAddress address, std::uint32_t waitMs) {
  const bool longWait = waitMs >= kLongWaitMs;
  if (address == ParamAddress{3, 1} && longWait) return "calibration WZERO";
  if (address == ParamAddress{3, 3} && longWait) return "calibration WSPAN";
  if (address == ParamAddress{3, 4}) return "calibration REZERO";
  if (address == ParamAddress{5, 2}) return "average weight wizard: count item";
  if (address == ParamAddress{5, 3}) return "average weight wizard: zero";
  if (address == ParamAddress{5, 4}) return "average weight wizard: sample quantity";
  if (address == ParamAddress{5, 5}) return "average weight wizard: confirm";
  return std::nullopt;
}

std::string WrittenValue(ParamAddress address, std::string_view value) {
  const SetupParam* param = FindParam(address);
  if (param != nullptr && param->kind == ParamKind::kChoice && value.size() == 6) {
    const std::string shown = ChoiceShownText(*param, ChoiceCode(value.substr(4)));
    if (!shown.empty()) return shown;
  }
  return Printable(value);
}

std::string_view KeyName(std::string_view code) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kNames{{
      {key::kZero, "ZERO"},
      {key::kGrossNet, "GR/NET"},
      {key::kTare, "TARE"},
      {key::kUnits, "UNITS"},
      {key::kPrint, "PRINT"},
      {key::kEndSetup, "end of setup"},
      {key::kFactoryDefault, "factory default"},
      {key::kSave, "save"},
      {key::kRestore, "restore"},
  }};
  for (const auto& [keyCode, name] : kNames) {
    if (keyCode == code) return name;
  }
  return {};
}

enum class Kind {
  kPoll,
  kKey,
  kReadParam,
  kWriteParam,
  kWriteAll,
  kSendFormat,
  kReadFormat,
  kWeightRead,
  kWeightWrite,
  kUnknown
};

struct Request {
  Kind kind = Kind::kUnknown;
  std::string text;
  ParamAddress address;
};

Request Classify(const Frame& request, std::uint32_t waitMs) {
  const std::optional<Payload> payload = RequestPayload(request);
  if (!payload) return {Kind::kUnknown, "not a request frame", {}};
  const std::string& p = payload->text;
  if (payload->longForm) {
    if (!p.empty() && p[0] == 'T' && p.size() == kWriteAllBlockSize + 1) {
      return {Kind::kWriteAll, "write all (47-byte block)", {}};
    }
    for (FormatMode mode : {FormatMode::GFMT, FormatMode::NFMT}) {
      if (!p.empty() && p[0] == SendModeLetter(mode)) {
        return {Kind::kSendFormat,
                std::string("send ") + (mode == FormatMode::GFMT ? "gross" : "net") +
                    " print format (" + std::to_string(p.size() - 1) + "-byte text)",
                {}};
      }
    }
    return {Kind::kUnknown, "unknown long request \"" + Printable(p) + "\"", {}};
  }
  if (p == "R") return {Kind::kPoll, "poll", {}};
  if (p.size() == 4 && p[0] == 'K' && p[3] == 'E') {
    const std::string_view name = KeyName(std::string_view(p).substr(1, 2));
    return {Kind::kKey, "key " + (name.empty() ? p.substr(1, 2) : std::string(name)), {}};
  }
  if (const auto address = AddressOf(p)) {
    if (p.size() == 9 && p.substr(7) == "RE") {
      return {Kind::kReadParam, "read " + ParamName(*address), *address};
    }
    if (p.size() == 14 && p.back() == 'E') {
      const std::string value = p.substr(7, 6);
      if (const auto step = StepName(*address, waitMs)) {
        return {Kind::kWriteParam, *step + " = " + Printable(value), *address};
      }
      return {Kind::kWriteParam,
              "write " + ParamName(*address) + " = " + WrittenValue(*address, value), *address};
    }
  }
  for (FormatMode mode : {FormatMode::GFMT, FormatMode::NFMT}) {
    if (p.size() == 2 && p[0] == 'A' && p[1] == ReadModeLetter(mode)) {
      return {Kind::kReadFormat,
              std::string("read ") + (mode == FormatMode::GFMT ? "gross" : "net") + " print format",
              {}};
    }
  }
  if (p.size() == 2 + kAverageWeightDigits + 2 && p[0] == 'W' && p.back() == 'E') {
    const std::string item = p.substr(1, 2);
    const std::string digits = p.substr(3, kAverageWeightDigits);
    if (digits == std::string(kAverageWeightDigits, '0')) {
      return {Kind::kWeightRead, "read average weight of item " + Printable(item), {}};
    }
    return {Kind::kWeightWrite,
            "write average weight of item " + Printable(item) + " = " + Printable(digits),
            {}};
  }
  return {Kind::kUnknown, "unknown request \"" + Printable(p) + "\"", {}};
}

// "25.0 kg Stable Gross": the shown characters, the unit lamps, then the other lit lamps.
std::string Reading(std::span<const std::uint8_t> payload) {
  if (payload.size() < kDisplayReplySize) {
    return "display reply of " + std::to_string(payload.size()) + " bytes";
  }
  DisplayState state;
  DecodeDisplay(payload.first<kDisplayReplySize>(), true, state);
  std::string shown = ShownCharacters(state.displayText);
  const auto first = shown.find_first_not_of(' ');
  shown = first == std::string::npos ? std::string() : shown.substr(first);
  shown.erase(shown.find_last_not_of(' ') + 1);
  std::string text = shown.empty() ? std::string("(blank)") : shown;
  for (bool units : {true, false}) {
    for (const LampInfo& lamp : kLamps) {
      const bool unit = lamp.lamp == Lamp::kKg || lamp.lamp == Lamp::kLb;
      if (unit == units && state.Lit(lamp.lamp)) text += " " + std::string(lamp.label);
    }
  }
  return text;
}

std::string OkOrRefused(std::string_view payload) {
  if (payload.starts_with("OK")) return "OK";
  if (payload.starts_with("NOCAJ")) return "NOCAJ";
  if (payload.empty()) return "refused (empty reply)";
  return "refused: \"" + Printable(payload) + "\"";
}

std::string ReplyMeaning(const Request& request, std::span<const std::uint8_t> payload) {
  const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
  switch (request.kind) {
    case Kind::kPoll:
      return Reading(payload);
    case Kind::kReadParam: {
      const std::string name = ParamName(request.address);
      const std::string echo = "P" + request.address.Text() + "=";
      const auto end = text.find('E', echo.size());
      if (!text.starts_with(echo) || end == std::string_view::npos) {
        return "reply " + name + " unexpected: \"" + Printable(text) + "\"";
      }
      const std::string_view value = text.substr(echo.size(), end - echo.size());
      const SetupParam* param = FindParam(request.address);
      if (param != nullptr && value.size() == static_cast<std::size_t>(param->readLength)) {
        const DecodedValue decoded = DecodeReadValue(*param, value);
        if (decoded.ok) return "reply " + name + " = " + decoded.text;
        return "reply " + name + " = \"" + Printable(value) + "\" (not an option)";
      }
      return "reply " + name + " = \"" + Printable(value) + "\"";
    }
    case Kind::kReadFormat:
      return "format text (" + std::to_string(text.size()) + " bytes)";
    case Kind::kWeightRead: {
      ReplyArea area;
      std::copy_n(payload.begin(), std::min(payload.size(), area.bytes.size()), area.bytes.begin());
      const auto reading = ReadWeightReply(TransactStatus::kOk, area);
      if (!reading) return "unexpected: \"" + Printable(text) + "\"";
      if (IsNoAverageWeight(reading->weight)) {
        return "item " + Printable(reading->item) + " has no average weight";
      }
      return "item " + Printable(reading->item) + " = " + Printable(reading->weight);
    }
    case Kind::kKey:
    case Kind::kWriteParam:
    case Kind::kWriteAll:
    case Kind::kSendFormat:
    case Kind::kWeightWrite:
      return OkOrRefused(text);
    case Kind::kUnknown:
      break;
  }
  return "reply \"" + Printable(text) + "\"";
}

}  // namespace

std::string DescribeRequest(const Frame& request, std::uint32_t waitMs) {
  return Classify(request, waitMs).text;
}

std::string DescribeExchange(const TracedExchange& exchange) {
  const Request request = Classify(exchange.request, exchange.waitMs);
  std::string reply;
  if (exchange.shape == ReplyShape::kGood) {
    // 01 31 02, the payload, 03, the check character.
    const std::span<const std::uint8_t> payload(exchange.reply.data() + 3,
                                                exchange.reply.size() - 5);
    reply = ReplyMeaning(request, payload);
  } else {
    reply = ShapeText(exchange.shape);
  }
  if (exchange.status == static_cast<int>(TransactStatus::kPurgeFailed)) {
    reply = "transmit purge failed, " + reply;
  }
  return request.text + ": " + reply;
}

}  // namespace tamarack
