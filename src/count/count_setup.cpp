#include "count/count_setup.h"

#include "count/aws_file.h"
#include "count/count_wire.h"
#include "link/commands.h"
#include "link/key_command.h"
#include "link/transact.h"

namespace tamarack {
namespace {

std::optional<WeightReading> ReadWeight(SerialLink& link, UserFeedback& ui,
                                        std::string_view countItem) {
  ReplyArea reply;
  const TransactStatus status =
      Transact(link, ui, WeightReadRequest(countItem), kWeightWaitMs, reply);
  return ReadWeightReply(status, reply);
}

// For "AA", asks the indicator which item it uses and selects it in the list. Returns the item's
// number (0-99), or nullopt after telling the user that the read failed. A reply that names no
// item of the list counts as a failed read.
std::optional<int> ResolveItem(CountSetupModel& model, SerialLink& link, UserFeedback& ui) {
  if (model.itemPosition != kCurrentItemPosition) return model.itemPosition;
  const auto reading = ReadWeight(link, ui, kCurrentItemText);
  const auto position = reading ? CountItemPosition(reading->item) : std::nullopt;
  if (!position) {
    ui.Failure(count_text::kReadFault);
    return std::nullopt;
  }
  model.itemPosition = *position;
  return *position;
}

}  // namespace

std::string CountItemText(const CountSetupModel& model) {
  return CountItemListText(model.itemPosition);
}

void CountWrite(CountSetupModel& model, SerialLink& link, UserFeedback& ui) {
  const auto item = ResolveItem(model, link, ui);
  if (!item) return;
  const auto value = AverageWeightValue(model.weightText);
  if (!value) {
    ui.Failure(count_text::kRange);
    return;
  }
  ReplyArea reply;
  const TransactStatus status =
      Transact(link, ui, WeightWriteRequest(CountItem(CountItemListText(*item)), *value),
               kWeightWaitMs, reply);
  if (RequireOk(status, reply) == TransactStatus::kOk) {
    ui.Success(count_text::kWriteSuccess);
  } else {
    ui.Failure(count_text::kWriteFault);
  }
}

void CountRead(CountSetupModel& model, SerialLink& link, UserFeedback& ui) {
  const std::string sent = CountItem(CountItemText(model));
  const auto reading = ReadWeight(link, ui, sent);
  if (!reading) {
    ui.Failure(count_text::kReadFault);
    return;
  }
  if (model.itemPosition == kCurrentItemPosition) {
    const auto position = CountItemPosition(reading->item);
    if (!position) {
      ui.Failure(count_text::kReadFault);
      return;
    }
    model.itemPosition = *position;
  } else if (reading->item != sent) {
    ui.Failure(count_text::kItemErr);
    return;
  }
  if (IsNoAverageWeight(reading->weight)) ui.Success(count_text::kInvalid);
  model.weightText = reading->weight;
}

void CountAfterAws(CountSetupModel& model, SerialLink& link, UserFeedback& ui, int wizardResult) {
  if (wizardResult == 1) {
    CountRead(model, link, ui);
  } else {
    ui.Success(count_text::kSetupNotFinished);
  }
}

void CountSave(CountSetupModel& model, SerialLink& link, UserFeedback& ui,
               const AskAwsFileName& askName) {
  if (!AverageWeightValue(model.weightText)) {
    ui.Failure(count_text::kRange);
    return;
  }
  const auto item = ResolveItem(model, link, ui);
  if (!item) return;
  const auto name = askName();
  if (!name) return;
  auto table = ReadAverageWeightFile(*name);
  if (!table) {
    ui.Failure(count_text::kFileError);
    return;
  }
  table->SetRecord(*item, AverageWeightRecord(model.weightText));
  if (!WriteAverageWeightFile(*name, *table)) ui.Failure(count_text::kFileError);
}

void CountLoad(CountSetupModel& model, SerialLink& link, UserFeedback& ui,
               const AskAwsFileName& askName) {
  const auto item = ResolveItem(model, link, ui);
  if (!item) return;
  const auto name = askName();
  if (!name) return;
  const auto table = ReadAverageWeightFile(*name);
  if (!table) {
    ui.Failure(count_text::kFileError);
    return;
  }
  model.weightText = std::string(table->Record(*item));
}

void CountExit(SerialLink& link, UserFeedback& ui) {
  SendKeyCommand(link, ui, key::kEndSetup);
}

}  // namespace tamarack
