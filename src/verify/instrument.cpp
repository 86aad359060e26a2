#include "verify/instrument.h"

#include <array>

#include "feedback/operation_scope.h"
#include "setup/param_codec.h"
#include "setup/param_io.h"

namespace tamarack {
namespace {

constexpr const SetupParam& kGraduations = Param(kGraduationsAddress);
constexpr const SetupParam& kUnit = Param(kPrimaryUnitAddress);
constexpr const SetupParam& kPoint = Param(kPrimaryPointAddress);
constexpr const SetupParam& kDivision = Param(kPrimaryDivisionAddress);
constexpr const SetupParam& kRegulationRow = Param({6, 1});
constexpr const SetupParam& kVersion = Param(kVersionAddress);

constexpr std::array<std::int64_t, 3> kDivisions{1, 2, 5};
constexpr int kTrailingZeroPoint = 5;  // 888880
constexpr int kLbCode = 0;

std::size_t IndexOf(const SetupParam& param) {
  return static_cast<std::size_t>(&param - SetupParams().data());
}

std::string NoValue(const SetupParam& param) {
  return std::string(param.displayNumber) + " has no value: read the setup first";
}

// The option code whose text a read shows as `text`, by the codec's own list; -1 for none.
int ShownCode(const SetupParam& param, std::string_view text) {
  for (int code = 0; code < static_cast<int>(param.options.size()); ++code) {
    if (ChoiceShownText(param, code) == text) return code;
  }
  return -1;
}

struct Code {
  int code = -1;
  std::string message;
};

Code ChoiceFrom(const SetupParam& param, std::span<const std::string, kSetupParamCount> values) {
  const std::string& text = values[IndexOf(param)];
  if (text.empty()) return {-1, NoValue(param)};
  const int code = ShownCode(param, text);
  if (code < 0) return {-1, ParamMessage(param, kValueErr)};
  return {code, {}};
}

}  // namespace

std::string_view RegulationName(Regulation regulation) {
  const std::string_view option = kRegulationRow.options[static_cast<std::size_t>(regulation)];
  // "0 (NTEP)": the name between the brackets.
  const std::size_t open = option.find('(');
  return option.substr(open + 1, option.size() - open - 2);
}

std::string_view ClassText(AccuracyClass accuracyClass) {
  return accuracyClass == AccuracyClass::kIII ? "III" : "IIII";
}

std::optional<AccuracyClass> ParseClass(std::string_view text) {
  if (text == "III" || text == "3") return AccuracyClass::kIII;
  if (text == "IIII" || text == "4") return AccuracyClass::kIIII;
  return std::nullopt;
}

std::string Instrument::Text(Mass m) const {
  return MassText(m, decimals) + " " + std::string(UnitName());
}

std::optional<int> ShownDecimals(int pointCode) {
  if (pointCode < 0 || pointCode > kTrailingZeroPoint) return std::nullopt;
  return pointCode == kTrailingZeroPoint ? 0 : pointCode;
}

std::optional<Mass> ScaleInterval(int pointCode, int divisionCode) {
  const std::optional<int> decimals = ShownDecimals(pointCode);
  if (!decimals || divisionCode < 0 || divisionCode >= static_cast<int>(kDivisions.size())) {
    return std::nullopt;
  }
  std::int64_t digit = kMicroPerUnit;
  for (int i = 0; i < *decimals; ++i) digit /= 10;
  if (pointCode == kTrailingZeroPoint) digit *= 10;
  return Mass{digit * kDivisions[static_cast<std::size_t>(divisionCode)]};
}

InstrumentRead InstrumentFromSetup(std::span<const std::string, kSetupParamCount> values) {
  const auto refuse = [](std::string message) { return InstrumentRead{std::nullopt, message}; };
  const std::string& grads = values[IndexOf(kGraduations)];
  if (grads.empty()) return refuse(NoValue(kGraduations));
  const NumberCheck n = CheckNumber(kGraduations, grads);
  if (!n.ok) return refuse(n.message);

  const Code unit = ChoiceFrom(kUnit, values);
  if (unit.code < 0) return refuse(unit.message);
  const Code point = ChoiceFrom(kPoint, values);
  if (point.code < 0) return refuse(point.message);
  const Code division = ChoiceFrom(kDivision, values);
  if (division.code < 0) return refuse(division.message);
  const Code regulation = ChoiceFrom(kRegulationRow, values);
  if (regulation.code < 0) return refuse(regulation.message);

  Instrument instrument;
  instrument.n = std::stoll(n.value);
  instrument.unit = unit.code == kLbCode ? WeightUnit::kLb : WeightUnit::kKg;
  instrument.decimals = *ShownDecimals(point.code);
  instrument.e = *ScaleInterval(point.code, division.code);
  instrument.max = Mass{instrument.e.micro * instrument.n};
  instrument.regulation = static_cast<Regulation>(regulation.code);
  instrument.regulationText = values[IndexOf(kRegulationRow)];
  instrument.version = values[IndexOf(kVersion)];
  return {instrument, {}};
}

std::optional<std::array<std::string, kSetupParamCount>> ReadInstrumentValues(SerialLink& link,
                                                                              UserFeedback& ui) {
  const OperationScope operation;
  std::array<std::string, kSetupParamCount> values;
  for (const SetupParam* param :
       {&kGraduations, &kUnit, &kPoint, &kDivision, &kRegulationRow, &kVersion}) {
    const ReadParamResult read = ReadParam(link, ui, param->address);
    if (read.status != TransactStatus::kOk ||
        read.value.size() != static_cast<std::size_t>(param->readLength)) {
      ui.Failure(ReadFailureMessage(*param));
      return std::nullopt;
    }
    DecodedValue decoded = DecodeReadValue(*param, read.value);
    if (!decoded.ok) {
      ui.Failure(ParamMessage(*param, kValueErr));
      return std::nullopt;
    }
    values[IndexOf(*param)] = std::move(decoded.text);
  }
  return values;
}

std::string CheckClass(const Instrument& instrument, AccuracyClass accuracyClass) {
  const std::int64_t most =
      accuracyClass == AccuracyClass::kIII ? kMaxIntervalsIII : kMaxIntervalsIIII;
  if (instrument.n <= most) return {};
  return "Class " + std::string(ClassText(accuracyClass)) + " allows at most " +
         std::to_string(most) + " scale intervals; F1.1 gives this scale " +
         std::to_string(instrument.n);
}

}  // namespace tamarack
