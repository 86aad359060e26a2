#include "setup/setup_handlers.h"

#include <array>
#include <string>

#include "link/commands.h"
#include "link/key_command.h"
#include "records/operation_log.h"
#include "setup/param_codec.h"
#include "setup/param_io.h"

namespace tamarack {
namespace {

bool Report(UserFeedback& ui, TransactStatus status, const SetupParam& param) {
  if (status == TransactStatus::kOk) {
    ui.Success(ParamMessage(param, kWriteSuccess));
    return true;
  }
  ui.Failure(ParamMessage(param, kWriteFault));
  return false;
}

bool WriteChoice(SetupModel& model, SerialLink& link, UserFeedback& ui, const SetupParam& param) {
  const int code = model.choice[RowIndex(param)];
  if (code < 0 || code >= static_cast<int>(param.options.size())) {
    // A list without a selection has no value to send.
    ui.Failure(ParamMessage(param, kValueErr));
    return false;
  }
  return Report(ui, WriteParam(model, link, ui, param.address, EncodeChoice(code)), param);
}

bool WriteNumber(SetupModel& model, SerialLink& link, UserFeedback& ui, const SetupParam& param) {
  const int slot = NewValueSlot(param);
  const NumberCheck check = CheckNumber(param, model.newValue[static_cast<std::size_t>(slot)]);
  if (!check.ok) {
    ui.Failure(check.message);
    return false;
  }
  return Report(ui, WriteParam(model, link, ui, param.address, check.value), param);
}

bool WriteDateTime(SetupModel& model, SerialLink& link, UserFeedback& ui, const SetupParam& param) {
  const bool isDate = param.kind == ParamKind::kDate;
  const auto value = DateTimeValueFromShown(param.kind, isDate ? model.dateText : model.timeText);
  auto status = TransactStatus::kBad;
  if (value) status = WriteParam(model, link, ui, param.address, *value);
  if (status != TransactStatus::kOk) {
    // A failure always looks like one, silent run or not.
    ui.Failure(isDate ? kDateWriteFault : kTimeWriteFault);
    return false;
  }
  if (!model.silentDateTimeWrite) ui.Success(isDate ? kDateWriteSuccess : kTimeWriteSuccess);
  return true;
}

bool WriteOne(SetupModel& model, SerialLink& link, UserFeedback& ui, const SetupParam& param) {
  switch (param.kind) {
    case ParamKind::kChoice:
      return WriteChoice(model, link, ui, param);
    case ParamKind::kNumber:
      return WriteNumber(model, link, ui, param);
    case ParamKind::kDate:
    case ParamKind::kTime:
      return WriteDateTime(model, link, ui, param);
    case ParamKind::kVersion:
      break;
  }
  return false;
}

}  // namespace

std::string EditableValueText(const SetupModel& model, const SetupParam& param) {
  switch (param.kind) {
    case ParamKind::kNumber:
      return model.newValue[static_cast<std::size_t>(NewValueSlot(param))];
    case ParamKind::kChoice: {
      const int code = model.choice[RowIndex(param)];
      if (code < 0 || code >= static_cast<int>(param.options.size())) return "(none)";
      return std::string(param.options[static_cast<std::size_t>(code)]);
    }
    case ParamKind::kDate:
      return model.dateText;
    case ParamKind::kTime:
      return model.timeText;
    case ParamKind::kVersion:
      break;
  }
  return {};
}

bool ReadAllParams(SetupModel& model, SerialLink& link, UserFeedback& ui,
                   const ReadProgress& progress) {
  std::array<std::string, kSetupParamCount> read;
  const auto params = SetupParams();
  for (std::size_t i = 0; i < params.size(); ++i) {
    const SetupParam& param = params[i];
    if (progress) progress(param, i + 1, params.size());
    const ReadParamResult result = ReadParam(link, ui, param.address);
    if (result.status != TransactStatus::kOk ||
        result.value.size() != static_cast<std::size_t>(param.readLength)) {
      ui.Failure(ReadFailureMessage(param));
      return false;
    }
    DecodedValue decoded = DecodeReadValue(param, result.value);
    if (!decoded.ok) {
      ui.Failure(ParamMessage(param, kValueErr));
      return false;
    }
    read[RowIndex(param)] = std::move(decoded.text);
  }
  model.currentValue = std::move(read);
  model.writtenValue = {};
  if (model.journal != nullptr) model.journal->CompleteRead(model, ui);
  return true;
}

TransactStatus WriteParam(SetupModel& model, SerialLink& link, UserFeedback& ui,
                          ParamAddress address, std::string_view value) {
  const TransactStatus status = WriteParamValue(link, ui, address, value);
  if (status == TransactStatus::kOk) {
    model.valueModified = true;
    model.caption = std::string(kCaptionNewValue);
    if (const SetupParam* p = FindParam(address)) model.writtenValue[RowIndex(*p)] = value;
  }
  return status;
}

bool WriteParamHandler(SetupModel& model, SerialLink& link, UserFeedback& ui,
                       const SetupParam& param) {
  if (param.kind == ParamKind::kVersion) return false;  // the software version is read only
  // The date and time writes inside Write All belong to Write All's own entry.
  if (model.silentDateTimeWrite) return WriteOne(model, link, ui, param);
  OperationWatch watch(model.journal, link, ui);
  const bool ok = WriteOne(model, watch.Link(), watch.Ui(), param);
  watch.Finish(OperationKind::kWrite,
               std::string(param.displayNumber) + " = " + EditableValueText(model, param), ok);
  return ok;
}

bool ExitSetup(SetupModel& model, SerialLink& link, UserFeedback& ui) {
  if (model.valueModified && ui.AskYesNo(kSaveQuestion)) {
    OperationWatch watch(model.journal, link, ui);
    if (SendKeyCommand(watch.Link(), watch.Ui(), key::kSave) != TransactStatus::kOk) {
      watch.Ui().Failure(kValueSaveFault);
      watch.Finish(OperationKind::kSave, "on exit", false);
      return false;
    }
    watch.Finish(OperationKind::kSave, "on exit", true);
    // The indicator now keeps the written values.
    model.valueModified = false;
  }
  SendKeyCommand(link, ui, key::kEndSetup);
  return true;
}

}  // namespace tamarack
