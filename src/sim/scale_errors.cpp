#include "sim/scale_errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "files/text_fields.h"

namespace tamarack::sim {
namespace {

enum class Unit { kPercent, kE, kSeed };

struct Item {
  std::string_view name;
  Unit unit;
  bool signedValue;
  double ScaleErrors::*field;  // null for the corners and the seed
  Position corner;
};

constexpr Item kItems[] = {
    {"span", Unit::kPercent, true, &ScaleErrors::spanPct, Position::kCentre},
    {"curve", Unit::kE, true, &ScaleErrors::curveE, Position::kCentre},
    {"fl", Unit::kPercent, true, nullptr, Position::kFrontLeft},
    {"fr", Unit::kPercent, true, nullptr, Position::kFrontRight},
    {"bl", Unit::kPercent, true, nullptr, Position::kBackLeft},
    {"br", Unit::kPercent, true, nullptr, Position::kBackRight},
    {"hyst", Unit::kE, true, &ScaleErrors::hysteresisE, Position::kCentre},
    {"noise", Unit::kE, false, &ScaleErrors::noiseE, Position::kCentre},
    {"creep", Unit::kE, false, &ScaleErrors::creepE, Position::kCentre},
    {"vibration", Unit::kE, false, &ScaleErrors::vibrationE, Position::kCentre},
    {"seed", Unit::kSeed, false, nullptr, Position::kCentre},
};

std::string Names() {
  std::string names;
  for (const Item& item : kItems) names += (names.empty() ? "" : ", ") + std::string(item.name);
  return names;
}

// A decimal number with an optional sign; nothing for anything else.
std::optional<double> Number(std::string_view text) {
  const bool plus = !text.empty() && text.front() == '+';
  if (plus) text.remove_prefix(1);
  if (text.empty() || text.front() == '+' || (plus && text.front() == '-')) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// "0.3", "-1.25", "0.03": as short as the value allows.
std::string Shown(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string Signed(double value) {
  return (value > 0 ? "+" : "") + Shown(value);
}

// Empty, or why `text` is no value of `item`.
std::string Take(const Item& item, std::string_view text, ScaleErrors& errors) {
  const std::string what = std::string(item.name) + "=" + std::string(text);
  if (text.empty()) return Quoted(what) + ": give a value";
  if (item.unit == Unit::kSeed) {
    std::uint64_t seed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (ec != std::errc() || end != text.data() + text.size()) {
      return Quoted(what) + ": the seed is a whole number";
    }
    errors.seed = seed;
    return {};
  }
  const bool percent = text.back() == '%';
  if (percent) {
    if (item.unit != Unit::kPercent)
      return Quoted(what) + ": " + std::string(item.name) + " is in e, not in %";
    text.remove_suffix(1);
  }
  const std::optional<double> value = Number(TrimBlanks(text));
  if (!value) return Quoted(what) + ": " + Quoted(TrimBlanks(text)) + " is not a number";
  if (!item.signedValue && *value < 0) {
    return Quoted(what) + ": " + std::string(item.name) + " cannot be negative";
  }
  const double most = item.unit == Unit::kPercent ? kMaxErrorPct : kMaxErrorE;
  if (std::fabs(*value) > most) {
    const std::string range = item.signedValue ? "within ±" : "at most ";
    return Quoted(what) + ": " + std::string(item.name) + " must be " + range + Shown(most) +
           (item.unit == Unit::kPercent ? " %" : " e");
  }
  if (item.field != nullptr) {
    errors.*item.field = *value;
  } else {
    errors.CornerPct(item.corner) = *value;
  }
  return {};
}

}  // namespace

bool ScaleErrors::Ideal() const {
  ScaleErrors ideal;
  ideal.seed = seed;
  return *this == ideal;
}

ScaleErrorsRead ParseScaleErrors(std::string_view list) {
  ScaleErrorsRead read;
  if (TrimBlanks(list).empty()) return read;
  std::vector<std::string_view> given;
  int number = 0;
  while (true) {
    ++number;
    const std::size_t comma = list.find(',');
    const std::string_view raw = TrimBlanks(list.substr(0, comma));
    if (raw.empty()) {
      read.messages.push_back("Item " + std::to_string(number) + " of the list is empty");
    } else {
      const std::size_t equals = raw.find('=');
      const std::string name = AsciiLower(TrimBlanks(raw.substr(0, equals)));
      const auto item = std::find_if(std::begin(kItems), std::end(kItems),
                                     [&](const Item& i) { return i.name == name; });
      if (item == std::end(kItems)) {
        read.messages.push_back(Quoted(raw) + ": no such item; the items are " + Names());
      } else if (equals == std::string_view::npos) {
        read.messages.push_back(Quoted(raw) + ": give a value, as in " + std::string(item->name) +
                                (item->unit == Unit::kPercent ? "=0.05%" : "=1"));
      } else if (std::find(given.begin(), given.end(), item->name) != given.end()) {
        read.messages.push_back(Quoted(raw) + ": " + std::string(item->name) + " is given twice");
      } else {
        given.push_back(item->name);
        std::string message = Take(*item, TrimBlanks(raw.substr(equals + 1)), read.errors);
        if (!message.empty()) read.messages.push_back(std::move(message));
      }
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return read;
}

std::string ScaleErrorsText(const ScaleErrors& errors) {
  std::string text;
  const auto add = [&text](std::string item) { text += (text.empty() ? "" : ",") + item; };
  for (const Item& item : kItems) {
    const std::string name(item.name);
    if (item.unit == Unit::kSeed) {
      if (errors.seed != ScaleErrors{}.seed) add(name + "=" + std::to_string(errors.seed));
      continue;
    }
    const double value = item.field != nullptr ? errors.*item.field : errors.CornerPct(item.corner);
    if (value == 0) continue;
    add(name + "=" + (item.signedValue ? Signed(value) : Shown(value)) +
        (item.unit == Unit::kPercent ? "%" : ""));
  }
  return text;
}

double SettledErrorKg(const ScaleErrors& errors, double loadKg, Position position, bool decreasing,
                      double eKg, double maxKg) {
  double error = loadKg * (errors.spanPct + errors.CornerPct(position)) / 100;
  if (maxKg > 0) {
    const double x = loadKg / maxKg;
    error += errors.curveE * eKg * 4 * x * (1 - x);
  }
  // An empty platform has nothing to come down from.
  if (decreasing && loadKg > 0) error += errors.hysteresisE * eKg;
  return error;
}

std::string_view ScaleErrorsHelp() {
  return "span=PCT     an error in proportion to the load\n"
         "curve=E      nonlinearity: E at half of Max, none at 0 and Max\n"
         "fl= fr= bl= br=PCT  a load at that quarter reads PCT more\n"
         "hyst=E       decreasing loads read E higher\n"
         "noise=E      the standard deviation of each A/D reading\n"
         "creep=E      the drift a minute after a load change, its way,\n"
         "             for 30 minutes\n"
         "vibration=E  a steady shake at 1.7 Hz that the filters calm\n"
         "seed=N       the noise's seed (default 1)\n";
}

std::optional<Position> ParsePosition(std::string_view text) {
  std::string name = AsciiLower(TrimBlanks(text));
  std::replace(name.begin(), name.end(), '-', ' ');
  if (name == "center" || name == "c") return Position::kCentre;
  constexpr std::pair<std::string_view, Position> kShort[] = {{"fl", Position::kFrontLeft},
                                                              {"fr", Position::kFrontRight},
                                                              {"bl", Position::kBackLeft},
                                                              {"br", Position::kBackRight}};
  for (const auto& [key, position] : kShort) {
    if (name == key) return position;
  }
  for (const Position position : {Position::kCentre, Position::kFrontLeft, Position::kFrontRight,
                                  Position::kBackLeft, Position::kBackRight}) {
    if (name == PositionText(position)) return position;
  }
  return std::nullopt;
}

}  // namespace tamarack::sim
