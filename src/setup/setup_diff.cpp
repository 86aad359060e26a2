#include "setup/setup_diff.h"

#include <algorithm>
#include <cctype>

#include "records/operation_log.h"
#include "setup/param_codec.h"
#include "setup/setup_handlers.h"
#include "setup/setup_value_file.h"

namespace tamarack {
namespace {

bool IsCompared(const SetupParam& param) {
  return param.kind == ParamKind::kNumber || param.kind == ParamKind::kChoice;
}

std::optional<long long> Digits(std::string_view text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::span<const SetupParam> ComparedParams() {
  return SetupParams().first(kSetupFileFieldCount);
}

bool HasCompleteRead(const SetupModel& model) {
  return std::ranges::none_of(model.currentValue, [](const std::string& v) { return v.empty(); });
}

std::optional<long long> SentValue(const SetupModel& model, const SetupParam& param) {
  if (const int slot = NewValueSlot(param); slot >= 0) {
    const NumberCheck check = CheckNumber(param, model.newValue[static_cast<std::size_t>(slot)]);
    if (!check.ok) return std::nullopt;
    return Digits(check.value);
  }
  if (param.kind == ParamKind::kChoice) {
    const int code = model.choice[RowIndex(param)];
    if (code < 0 || code >= static_cast<int>(param.options.size())) return std::nullopt;
    return code;
  }
  return std::nullopt;
}

std::optional<long long> IndicatorValue(const SetupModel& model, const SetupParam& param) {
  if (const std::string& written = model.writtenValue[RowIndex(param)]; !written.empty()) {
    return Digits(written);
  }
  return ShownValue(param, model.currentValue[RowIndex(param)]);
}

std::optional<long long> ShownValue(const SetupParam& param, std::string_view shown) {
  if (param.kind == ParamKind::kNumber) return Digits(shown);
  // A choice's shown text begins with its code digit, "3 (1OD)" included.
  if (param.kind == ParamKind::kChoice && !shown.empty()) return Digits(shown.substr(0, 1));
  return std::nullopt;
}

bool ReadValuesDiffer(const SetupParam& param, std::string_view a, std::string_view b) {
  switch (param.kind) {
    case ParamKind::kNumber:
    case ParamKind::kChoice: {
      const auto x = ShownValue(param, a);
      const auto y = ShownValue(param, b);
      return x && y ? *x != *y : a != b;
    }
    case ParamKind::kVersion:
      return a != b;
    case ParamKind::kDate:
    case ParamKind::kTime:
      break;
  }
  return false;
}

bool DiffersFromIndicator(const SetupModel& model, const SetupParam& param) {
  if (!IsCompared(param) || RowIndex(param) >= kSetupFileFieldCount || !HasCompleteRead(model)) {
    return false;
  }
  const std::optional<long long> sent = SentValue(model, param);
  return !sent || sent != IndicatorValue(model, param);
}

std::vector<const SetupParam*> Differences(const SetupModel& model) {
  std::vector<const SetupParam*> out;
  if (!HasCompleteRead(model)) return out;
  for (const SetupParam& p : ComparedParams()) {
    if (DiffersFromIndicator(model, p)) out.push_back(&p);
  }
  return out;
}

std::string IndicatorText(const SetupModel& model, const SetupParam& param) {
  const std::string& written = model.writtenValue[RowIndex(param)];
  if (written.empty()) return model.currentValue[RowIndex(param)];
  if (param.kind != ParamKind::kChoice) return written;
  return ChoiceShownText(param, static_cast<int>(Digits(written).value_or(-1)));
}

std::string DifferenceMark(const SetupModel& model, const SetupParam& param) {
  if (!DiffersFromIndicator(model, param)) return {};
  return std::string(kDiffersPrefix) + IndicatorText(model, param);
}

std::string DifferenceCountText(std::size_t count) {
  if (count == 0) return std::string(kNoDifference);
  if (count == 1) return "1 parameter differs from the indicator";
  return std::to_string(count) + " parameters differ from the indicator";
}

void CopyCurrentValues(SetupModel& model) {
  if (!HasCompleteRead(model)) return;
  for (const SetupParam& p : ComparedParams()) {
    if (const int slot = NewValueSlot(p); slot >= 0) {
      model.newValue[static_cast<std::size_t>(slot)] = IndicatorText(model, p);
    } else if (p.kind == ParamKind::kChoice) {
      const std::optional<long long> code = IndicatorValue(model, p);
      const bool listed = code && *code < static_cast<long long>(p.options.size());
      model.choice[RowIndex(p)] = listed ? static_cast<int>(*code) : -1;
    }
  }
}

std::string MismatchLine(const SetupModel& model, const SetupParam& param) {
  std::string shown = EditableValueText(model, param);
  if (shown.empty()) shown = "(empty)";
  return std::string(param.displayNumber) + ": new value " + shown + ", indicator " +
         IndicatorText(model, param);
}

bool VerifyParams(SetupModel& model, SerialLink& link, UserFeedback& ui,
                  const ReadProgress& progress) {
  OperationWatch watch(model.journal, link, ui);
  if (!ReadAllParams(model, watch.Link(), watch.Ui(), progress)) {
    watch.Finish(OperationKind::kVerify, "", false);
    return false;
  }
  std::string mismatches;
  for (const SetupParam* p : Differences(model)) {
    if (!mismatches.empty()) mismatches += '\n';
    mismatches += MismatchLine(model, *p);
  }
  if (mismatches.empty()) {
    watch.Ui().Success(kAllValuesMatch);
  } else {
    watch.Ui().Failure(mismatches);
  }
  watch.Finish(OperationKind::kVerify, "", mismatches.empty());
  return mismatches.empty();
}

}  // namespace tamarack
