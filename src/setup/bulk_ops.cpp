#include "setup/bulk_ops.h"

#include "link/commands.h"
#include "link/key_command.h"
#include "link/transact.h"
#include "setup/calibration.h"
#include "setup/param_codec.h"

namespace tamarack {

std::string FirstUnwritableField(const EditableColumn& column) {
  for (const SetupParam& param : SetupParams()) {
    const std::size_t i = ParamIndex(param);
    if (param.kind == ParamKind::kNumber) {
      NumberCheck check = CheckNumber(param, column.numberText[i]);
      if (!check.ok) return std::move(check.message);
    } else if (param.kind == ParamKind::kChoice) {
      const int code = column.choiceCode[i];
      if (code < 0 || code >= static_cast<int>(param.options.size())) {
        return ParamMessage(param, kValueErr);
      }
    }
  }
  return {};
}

bool WriteAllParams(const EditableColumn& column, SetupFlags& flags, SerialLink& link,
                    UserFeedback& ui, const std::function<void()>& writeDateAndTime) {
  // An empty or mistyped field would otherwise go out as zero, calibration counts included.
  if (const std::string refusal = FirstUnwritableField(column); !refusal.empty()) {
    ui.Failure(refusal);
    return false;
  }
  flags.silentDateTimeWrite = true;
  if (writeDateAndTime) writeDateAndTime();
  flags.silentDateTimeWrite = false;

  const WriteAllBlock block = BuildWriteAllBlock(column);
  const Frame request = WriteAllRequest(block);
  ReplyArea reply;
  reply.Clear();
  const TransactStatus status =
      Transact(link, ui, request, kWriteAllWaitMs, reply, kWaitWZero);
  // A reply that failed its check is not believed, whatever it seems to say.
  if (status == TransactStatus::kOk && reply.StartsWith("OK")) {
    ui.Success(kWriteAllSucess);
    flags.valueModified = true;
    return true;
  }
  if (status == TransactStatus::kOk && reply.StartsWith("NOCAJ")) {
    ui.Failure(kTurnOnCaj);
  } else {
    ui.Failure(kWriteAllFalse);
  }
  return false;
}

void SetFactoryDefaults(SetupFlags& flags, SerialLink& link, UserFeedback& ui,
                        const std::function<PasswordAnswer()>& askPassword) {
  if (askPassword() != PasswordAnswer::kAccepted) {
    ui.Success(kDefaultCancel);
    return;
  }
  if (SendKeyCommand(link, ui, key::kFactoryDefault) == TransactStatus::kOk) {
    ui.Success(kDefaultSucess);
    flags.caption = std::string(kCaptionFactoryDefault);
  } else {
    ui.Failure(kDefaultFault);
  }
}

void SaveParams(SetupFlags& flags, SerialLink& link, UserFeedback& ui) {
  if (SendKeyCommand(link, ui, key::kSave) == TransactStatus::kOk) {
    ui.Success(kSaveSucess);
    flags.valueModified = false;
  } else {
    ui.Failure(kSaveFault);
  }
}

void RestoreParams(SetupFlags& flags, SerialLink& link, UserFeedback& ui) {
  if (SendKeyCommand(link, ui, key::kRestore) == TransactStatus::kOk) {
    ui.Success(kRestoreSucess);
    flags.valueModified = false;
  } else {
    ui.Failure(kRestoreFault);
  }
}

void CalibrationEnded(bool finished, SetupFlags& flags, UserFeedback& ui) {
  if (finished) {
    ui.Success(kCalibrationFinished);
    flags.valueModified = true;
  } else {
    ui.Failure(kCalibrationNotFinished);
  }
}

}  // namespace tamarack
