#include "setup/setup_value_file.h"

#include "files/replace_file.h"
#include "files/small_file.h"

namespace tamarack {
namespace {

// The table rows that the record holds, F1.1 to F7.2.
std::span<const SetupParam> RecordParams() {
  return SetupParams().first(kSetupFileFieldCount);
}

void ApplyField(const SetupParam& param, std::string_view field, SetupModel& model) {
  if (const int slot = NewValueSlot(param); slot >= 0) {
    model.newValue[static_cast<std::size_t>(slot)] = std::string(field);
  } else if (param.kind == ParamKind::kChoice) {
    // Every option text begins with its code digit, so the shown text of the option selected here
    // is the field's own text wherever that names an option: selecting by code is enough.
    const long long code = LeadingInteger(field);
    const bool listed = code >= 0 && code < static_cast<long long>(param.options.size());
    model.choice[RowIndex(param)] = listed ? static_cast<int>(code) : -1;
  }
}

}  // namespace

std::string SetupValueRecord(const SetupModel& model) {
  std::string record;
  const std::span<const SetupParam> params = RecordParams();
  for (std::size_t i = 0; i < params.size(); ++i) {
    const std::string_view text = model.currentValue[i];
    if (params[i].kind == ParamKind::kChoice) {
      record += text.substr(0, 1);
    } else {
      record += text;
    }
    // The last field has no separator after it; an empty one is written as a lone ",".
    if (i + 1 < params.size() || text.empty()) record += ',';
  }
  return record;
}

void ApplySetupRecord(std::string_view record, SetupModel& model) {
  record = record.substr(0, record.find('\0'));
  const std::span<const SetupParam> params = RecordParams();
  for (const SetupParam& param : params) {
    if (const int slot = NewValueSlot(param); slot >= 0) {
      model.newValue[static_cast<std::size_t>(slot)].clear();
    } else {
      model.choice[RowIndex(param)] = -1;  // cleared: no option selected
    }
  }
  for (const SetupParam& param : params) {
    const std::size_t comma = record.find(',');
    if (comma == std::string_view::npos) {
      // The rest of the record is the last field, whatever its length; nothing left is no field.
      if (!record.empty()) ApplyField(param, record, model);
      return;
    }
    const std::string_view field = record.substr(0, comma);
    if (!field.empty() && field.size() <= 6) ApplyField(param, field, model);
    record.remove_prefix(comma + 1);
  }
}

bool WriteSetupValueFile(const std::string& path, std::string_view record) {
  return ReplaceFile(path, record).ok();
}

bool SaveSetupFile(const std::string& path, const SetupModel& model, UserFeedback& ui) {
  if (WriteSetupValueFile(path, SetupValueRecord(model))) return true;
  ui.Failure(kSetupFileError);
  return false;
}

bool LoadSetupContent(std::string_view content, SetupModel& model, UserFeedback& ui) {
  if (content.empty()) return false;
  if (content.size() > kMaxSetupFileSize) {
    ui.Failure(kSetupFileError);
    return false;
  }
  ApplySetupRecord(content, model);
  return true;
}

bool LoadSetupFile(const std::string& path, SetupModel& model, UserFeedback& ui) {
  // One byte past the cap: a longer file is refused by the content's own rule.
  const SmallFile file =
      ReadSmallFile(path, kMaxSetupFileSize + 1, IfMissing::kReadEmpty, IfLonger::kCut);
  if (!file.result.ok()) {
    ui.Failure(kSetupFileError);
    return false;
  }
  return LoadSetupContent(file.bytes, model, ui);
}

}  // namespace tamarack
