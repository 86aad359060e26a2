#include "setup/param_codec.h"

#include <cstdio>

namespace tamarack {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Characters as the user sees them: UTF-8 continuation bytes do not start a character.
std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string TwoDigits(int n) {
  char text[4];
  std::snprintf(text, sizeof text, "%02d", ((n % 100) + 100) % 100);
  return text;
}

}  // namespace

std::string ParamMessage(const SetupParam& param, std::string_view tail) {
  return std::string(param.displayNumber) + " " + std::string(tail);
}

std::string ReadFailureMessage(const SetupParam& param) {
  return "F" + param.address.Text() + " Read Value False!";
}

std::string EncodeChoice(int code) {
  return "00000" + std::string(1, static_cast<char>('0' + code));
}

std::string EncodeDate(int year, int month, int day) {
  return TwoDigits(year) + TwoDigits(month) + TwoDigits(day);
}

std::string EncodeTime(int hour, int minute, int second) {
  return TwoDigits(hour) + TwoDigits(minute) + TwoDigits(second);
}

NumberCheck CheckNumber(const SetupParam& param, std::string_view text) {
  NumberCheck check;
  // The length is measured before anything else, so an overlong text is never copied.
  if (CharacterCount(text) > 6) {
    check.message = ParamMessage(param, kValueTooLong);
    return check;
  }
  if (text.empty()) {
    check.message = ParamMessage(param, kValueEmpty);
    return check;
  }
  std::string value(6, '0');
  std::size_t slot = 6;
  for (std::size_t i = text.size(); i-- > 0;) {
    if (!IsDigit(text[i])) {
      check.message = ParamMessage(param, kValueNotNumber);
      return check;
    }
    value[--slot] = text[i];
  }
  if (param.zeroRefused && value == "000000") {
    check.message = ParamMessage(param, kValueZero);
    return check;
  }
  check.ok = true;
  check.value = std::move(value);
  return check;
}

std::optional<std::string> DateTimeValueFromShown(ParamKind kind, std::string_view shown) {
  std::vector<std::string> runs;
  std::string run;
  for (const char c : shown) {
    if (IsDigit(c)) {
      run += c;
    } else if (!run.empty()) {
      runs.push_back(std::move(run));
      run.clear();
    }
  }
  if (!run.empty()) runs.push_back(std::move(run));
  if (runs.size() < 3) return std::nullopt;
  for (std::string& r : runs) {
    r = r.size() >= 2 ? r.substr(r.size() - 2) : "0" + r;
  }
  if (kind == ParamKind::kDate) return runs[2] + runs[1] + runs[0];
  return runs[0] + runs[1] + runs[2];
}

int ChoiceCode(std::string_view value) {
  if (value.size() < 2) return -1;
  return (static_cast<unsigned char>(value[0]) & 0x0F) * 10 +
         (static_cast<unsigned char>(value[1]) & 0x0F);
}

std::string ChoiceShownText(const SetupParam& param, int code) {
  if (code < 0 || code >= static_cast<int>(param.options.size())) return {};
  // The indicator names these three options slightly differently from the lists.
  if (param.address == kCutoutThresholdAddress && code == 3) return "3 (1OD)";
  if ((param.address == kPrimaryDivisionAddress || param.address == kAssistantDivisionAddress) &&
      code == 2) {
    return "2 (d=5)";
  }
  return std::string(param.options[static_cast<std::size_t>(code)]);
}

DecodedValue DecodeReadValue(const SetupParam& param, std::string_view value) {
  DecodedValue decoded;
  switch (param.kind) {
    case ParamKind::kChoice:
      decoded.text = ChoiceShownText(param, ChoiceCode(value));
      decoded.ok = !decoded.text.empty();
      return decoded;
    case ParamKind::kDate:
      if (value.size() < 6) return decoded;
      decoded.text = std::string(value.substr(4, 2)) + "-" + std::string(value.substr(2, 2)) + "-" +
                     std::string(value.substr(0, 2));
      break;
    case ParamKind::kTime:
      if (value.size() < 6) return decoded;
      decoded.text = std::string(value.substr(0, 2)) + ":" + std::string(value.substr(2, 2)) + ":" +
                     std::string(value.substr(4, 2));
      break;
    case ParamKind::kNumber:
    case ParamKind::kVersion:
      decoded.text = std::string(value);
      break;
  }
  decoded.ok = true;
  return decoded;
}

std::vector<std::string> ChoiceItems(const SetupParam& param) {
  std::vector<std::string> items;
  for (std::size_t code = 0; code < param.options.size(); ++code) {
    std::string item(param.options[code]);
    if (static_cast<int>(code) == param.defaultCode) item += kDefaultMark;
    items.push_back(std::move(item));
  }
  return items;
}

int ChoiceItemPosition(const SetupParam& param, std::string_view text) {
  const std::vector<std::string> items = ChoiceItems(param);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (EqualNoCase(items[i], text)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tamarack
