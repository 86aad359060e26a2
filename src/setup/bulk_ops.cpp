#include "setup/bulk_ops.h"

#include "link/commands.h"
#include "link/key_command.h"
#include "link/transact.h"
#include "records/operation_log.h"
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

namespace {

// The indicator now holds every value of the block; the fields all passed their checks.
void NoteBlockWritten(SetupModel& model) {
  for (const SetupParam& p : SetupParams()) {
    std::string& written = model.writtenValue[RowIndex(p)];
    if (const int slot = NewValueSlot(p); slot >= 0) {
      written = CheckNumber(p, model.newValue[static_cast<std::size_t>(slot)]).value;
    } else if (p.kind == ParamKind::kChoice) {
      written = EncodeChoice(model.choice[RowIndex(p)]);
    }
  }
}

bool WriteAll(SetupModel& model, SerialLink& link, UserFeedback& ui) {
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
  const TransactStatus status = Transact(link, ui, request, kWriteAllWaitMs, reply);
  // A reply that failed its check is not believed, whatever it seems to say.
  if (status == TransactStatus::kOk && reply.StartsWith("OK")) {
    ui.Success(kWriteAllSuccess);
    model.valueModified = true;
    NoteBlockWritten(model);
    return true;
  }
  ui.Failure(status == TransactStatus::kOk && reply.StartsWith("NOCAJ") ? kTurnOnCaj
                                                                        : kWriteAllFalse);
  return false;
}

// Sends one key code and reports it; true when the indicator answered "OK".
bool KeyOperation(SetupModel& model, SerialLink& link, UserFeedback& ui, OperationKind kind,
                  std::string_view code, std::string_view success, std::string_view failure) {
  OperationWatch watch(model.journal, link, ui);
  const bool ok = SendKeyCommand(watch.Link(), watch.Ui(), code) == TransactStatus::kOk;
  if (ok) {
    watch.Ui().Success(success);
  } else {
    watch.Ui().Failure(failure);
  }
  watch.Finish(kind, "", ok);
  return ok;
}

}  // namespace

bool WriteAllParams(SetupModel& model, SerialLink& link, UserFeedback& ui) {
  OperationWatch watch(model.journal, link, ui);
  const bool ok = WriteAll(model, watch.Link(), watch.Ui());
  watch.Finish(OperationKind::kWriteAll, "", ok);
  return ok;
}

void SetFactoryDefaults(SetupModel& model, SerialLink& link, UserFeedback& ui,
                        const std::function<PasswordAnswer()>& askPassword) {
  if (askPassword() != PasswordAnswer::kAccepted) {
    OperationWatch watch(model.journal, link, ui);
    watch.Ui().Success(kDefaultCancel);
    watch.Finish(OperationKind::kSetDefault, "", Outcome::kCancelled);
    return;
  }
  if (KeyOperation(model, link, ui, OperationKind::kSetDefault, key::kFactoryDefault,
                   kDefaultSuccess, kDefaultFault)) {
    model.caption = std::string(kCaptionFactoryDefault);
  }
}

void SaveParams(SetupModel& model, SerialLink& link, UserFeedback& ui) {
  if (KeyOperation(model, link, ui, OperationKind::kSave, key::kSave, kSaveSuccess,
                   kValueSaveFault)) {
    model.valueModified = false;
  }
}

void RestoreParams(SetupModel& model, SerialLink& link, UserFeedback& ui) {
  if (KeyOperation(model, link, ui, OperationKind::kRestore, key::kRestore, kRestoreSuccess,
                   kRestoreFault)) {
    model.valueModified = false;
  }
}

void CalibrationEnded(bool finished, SetupModel& model, UserFeedback& ui) {
  if (finished) {
    ui.Success(kCalibrationFinished);
    model.valueModified = true;
  } else {
    ui.Failure(kCalibrationNotFinished);
  }
  if (model.journal != nullptr) {
    // The wizard sends its steps itself; any of them may have changed the calibration counts.
    model.journal->Operation(
        OperationEntry{OperationKind::kCalibration,
                       "",
                       finished ? Outcome::kSucceeded : Outcome::kFailed,
                       {std::string(finished ? kCalibrationFinished : kCalibrationNotFinished)},
                       true});
  }
}

}  // namespace tamarack
