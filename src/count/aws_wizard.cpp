#include "count/aws_wizard.h"

#include <cstdio>

#include "count/count_wire.h"
#include "link/commands.h"
#include "link/transact.h"

namespace tamarack {
namespace {

constexpr ParamAddress kItemAddress{5, 2};
constexpr ParamAddress kZeroAddress{5, 3};
constexpr ParamAddress kQuantityAddress{5, 4};
constexpr ParamAddress kConfirmAddress{5, 5};

constexpr long long kMinQuantity = 10;
constexpr long long kMaxQuantity = 2000;

bool WriteStep(SerialLink& link, UserFeedback& ui, ParamAddress address, std::string_view value,
               std::uint32_t waitMs, std::string_view waitText = kWZeroWaitText) {
  ReplyArea reply;
  const TransactStatus status =
      Transact(link, ui, WriteParamRequest(address, value), waitMs, reply, waitText);
  return RequireOk(status, reply) == TransactStatus::kOk;
}

// The quantity checks, in their order; the message of the first that fails, or "".
std::string_view QuantityFault(std::string_view text) {
  if (text.empty()) return aws_text::kQuantityEmpty;
  const long long n = LeadingNumber(text);
  if (n < kMinQuantity || n > kMaxQuantity) return aws_text::kQuantityRange;
  for (auto c = text.rbegin(); c != text.rend(); ++c) {
    if (*c < '0' || *c > '9') return aws_text::kQuantityNumber;
  }
  return {};
}

}  // namespace

std::string_view AwsCaption(AwsStep step) {
  switch (step) {
    case AwsStep::kZero:
      return "Zero";
    case AwsStep::kSampleQuantity:
      return "Sample Quantity";
    case AwsStep::kConfirming:
      break;
  }
  return "Confirming";
}

std::string_view AwsTitle(AwsStep step) {
  switch (step) {
    case AwsStep::kZero:
      return "AWS_Step1_Zero";
    case AwsStep::kSampleQuantity:
      return "AWS_Step2_Sample Quantity";
    case AwsStep::kConfirming:
      break;
  }
  return "AWS_Step3_Confirming";
}

std::string_view AwsPrompt(AwsStep step) {
  switch (step) {
    case AwsStep::kZero:
      return "Remove all weight from the scale.\nThen Press <Zero> button.";
    case AwsStep::kSampleQuantity:
      return "Place Sample weights on the scale,\nEnter the Sample Quantity in the Sample "
             "Quantity box.\nThen Press <Sample Quantity> button!";
    case AwsStep::kConfirming:
      break;
  }
  return "Keep Sample weights on the scale,\nThen Press <Confirming> button!";
}

int InitialSampleQuantityIndex() {
  // The first entry behind the first one whose text begins with "10".
  for (std::size_t i = 1; i < kSampleQuantities.size(); ++i) {
    if (kSampleQuantities[i].starts_with("10")) return static_cast<int>(i);
  }
  return 0;
}

AwsModel OpenAws(std::string itemText) {
  AwsModel model;
  model.itemText = std::move(itemText);
  model.quantityText =
      std::string(kSampleQuantities[static_cast<std::size_t>(InitialSampleQuantityIndex())]);
  return model;
}

AwsOutcome AwsPress(AwsModel& model, SerialLink& link, UserFeedback& ui) {
  if (model.itemText == kCurrentItemText) {
    ReplyArea reply;
    const TransactStatus status =
        Transact(link, ui, WeightReadRequest(kCurrentItemText), kWeightWaitMs, reply);
    const auto reading = ReadWeightReply(status, reply);
    // Only an item of the list can be worked on; anything else is a failed read.
    if (!reading || !CountItemPosition(reading->item)) {
      ui.Failure(aws_text::kItemReadFault);
      return AwsOutcome::kStay;
    }
    model.itemText = reading->item;
  }

  if (!model.countItemSent) {
    if (!WriteStep(link, ui, kItemAddress, "0000" + CountItem(model.itemText), kWriteParamWaitMs)) {
      ui.Failure(aws_text::kItemSendFault);
      return AwsOutcome::kStay;
    }
    model.countItemSent = true;
  }

  switch (model.step) {
    case AwsStep::kZero:
      if (!WriteStep(link, ui, kZeroAddress, "000000", kStepWaitMs, aws_text::kZeroWait)) {
        ui.Failure(aws_text::kZeroFalse);
        return AwsOutcome::kStay;
      }
      model.step = AwsStep::kSampleQuantity;
      return AwsOutcome::kNextStep;

    case AwsStep::kSampleQuantity: {
      if (const auto fault = QuantityFault(model.quantityText); !fault.empty()) {
        ui.Failure(fault);
        return AwsOutcome::kStay;
      }
      char value[16];
      std::snprintf(value, sizeof value, "%06lld", LeadingNumber(model.quantityText));
      if (!WriteStep(link, ui, kQuantityAddress, value, kWriteParamWaitMs)) {
        ui.Failure(aws_text::kQuantityFalse);
        return AwsOutcome::kStay;
      }
      model.step = AwsStep::kConfirming;
      model.quantityEnabled = false;
      return AwsOutcome::kNextStep;
    }

    case AwsStep::kConfirming:
      break;
  }
  if (!WriteStep(link, ui, kConfirmAddress, "000000", kStepWaitMs, aws_text::kConfirmWait)) {
    ui.Failure(aws_text::kConfirmFalse);
    return AwsOutcome::kStay;
  }
  return AwsOutcome::kFinished;
}

}  // namespace tamarack
