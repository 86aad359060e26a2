#include "setup/bulk_ops.h"

#include "link/commands.h"
#include "link/key_command.h"
#include "link/transact.h"
#include "setup/calibration.h"
#include "setup/param_codec.h"
#include "setup/setup_handlers.h"
#include "setup/write_all_block.h"

namespace tamarack {

std::string FirstUnwritableField(const SetupModel& model) {
  for (const SetupParam& param : SetupParams()) {
    if (const int slot = NewValueSlot(param); slot >= 0) {
      NumberCheck check = CheckNumber(param, model.newValue[static_cast<std::size_t>(slot)]);
      if (!check.ok) return std::move(check.message);
    } else if (param.kind == ParamKind::kChoice) {
      const int code = model.choice[RowIndex(param)];
      if (code < 0 || code >= static_cast<int>(param.options.size())) {
        return ParamMessage(param, kValueErr);
      }
    }
  }
  return {};
}

bool WriteAllParams(SetupModel& model, SerialLink& link, UserFeedback& ui) {
  // An empty or mistyped field would otherwise go out as zero, calibration counts included.
  if (const std::string refusal = FirstUnwritableField(model); !refusal.empty()) {
    ui.Failure(refusal);
    return false;
  }
  model.silentDateTimeWrite = true;
  WriteParamHandler(model, link, ui, Param(kDateAddress));
  WriteParamHandler(model, link, ui, Param(kTimeAddress));
  model.silentDateTimeWrite = false;

  const WriteAllBlock block = BuildWriteAllBlock(model);
  const Frame request = WriteAllRequest(block);
  ReplyArea reply;
  reply.Clear();
  const TransactStatus status = Transact(link, ui, request, kWriteAllWaitMs, reply, kWaitWZero);
  // A reply that failed its check is not believed, whatever it seems to say.
  if (status == TransactStatus::kOk && reply.StartsWith("OK")) {
    ui.Success(kWriteAllSuccess);
    model.valueModified = true;
    return true;
  }
  ui.Failure(status == TransactStatus::kOk && reply.StartsWith("NOCAJ") ? kTurnOnCaj
                                                                        : kWriteAllFalse);
  return false;
}

void SetFactoryDefaults(SetupModel& model, SerialLink& link, UserFeedback& ui,
                        const std::function<PasswordAnswer()>& askPassword) {
  if (askPassword() != PasswordAnswer::kAccepted) {
    ui.Success(kDefaultCancel);
    return;
  }
  if (SendKeyCommand(link, ui, key::kFactoryDefault) == TransactStatus::kOk) {
    ui.Success(kDefaultSuccess);
    model.caption = std::string(kCaptionFactoryDefault);
  } else {
    ui.Failure(kDefaultFault);
  }
}

void SaveParams(SetupModel& model, SerialLink& link, UserFeedback& ui) {
  if (SendKeyCommand(link, ui, key::kSave) == TransactStatus::kOk) {
    ui.Success(kSaveSuccess);
    model.valueModified = false;
  } else {
    ui.Failure(kValueSaveFault);
  }
}

void RestoreParams(SetupModel& model, SerialLink& link, UserFeedback& ui) {
  if (SendKeyCommand(link, ui, key::kRestore) == TransactStatus::kOk) {
    ui.Success(kRestoreSuccess);
    model.valueModified = false;
  } else {
    ui.Failure(kRestoreFault);
  }
}

void CalibrationEnded(bool finished, SetupModel& model, UserFeedback& ui) {
  if (finished) {
    ui.Success(kCalibrationFinished);
    model.valueModified = true;
  } else {
    ui.Failure(kCalibrationNotFinished);
  }
}

}  // namespace tamarack
