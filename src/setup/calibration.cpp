#include "setup/calibration.h"

#include <array>

#include "link/commands.h"
#include "setup/param_io.h"
#include "setup/write_all_block.h"

namespace tamarack {
namespace {

constexpr std::array<CalibrationStepInfo, 4> kSteps{{
    {"WZERO", "Calibration_Step1_WZERO",
     "Remove all weight from the scale platform.\nIf the test weights require hooks or chains,\n"
     "place the hooks or chains on the scale.\nThen Press <WZERO> button.",
     kStepWaitMs, kWZeroWaitText, "WZERO False!"},
    {"WVALUE", "Calibration_Step2_WVALUE",
     "Place test weights on the scale,\nEnter the actual test weight in the Test Weight box.\n"
     "Then Press <WVALUE> button!",
     kWriteParamWaitMs, "WValue Send", "WValue Send False!"},
    {"WSPAN", "Calibration_Step3_WSPAN",
     "Keep test weights on the scale,\nThen Press <WSPAN> button!", kStepWaitMs,
     "WSPAN Processing , Please Wait...", "WSpan False!"},
    {"REZERO", "Calibration_Step4_REZERO",
     "If test weights require hooks or chains,\nRemove hooks or chains and the test weights "
     "from the scale.\nThen Press <REZERO> button.\nIf don't need REZERO,Press <Exit> button.",
     kStepWaitMs, "REZERO Processing , Please Wait...", "REZERO False!"},
}};

void ShowStep(CalibrationModel& model, CalibrationStep step) {
  const CalibrationStepInfo& info = StepInfo(step);
  model.prompt = std::string(info.prompt);
  model.caption = std::string(info.caption);
  model.title = std::string(info.title);
}

}  // namespace

const CalibrationStepInfo& StepInfo(CalibrationStep step) {
  return kSteps[static_cast<std::size_t>(step)];
}

CalibrationStep StepFromCaption(std::string_view caption) {
  for (CalibrationStep step :
       {CalibrationStep::kWZero, CalibrationStep::kWValue, CalibrationStep::kWSpan}) {
    if (caption == StepInfo(step).caption) return step;
  }
  return CalibrationStep::kReZero;
}

TestWeightCheck CheckTestWeight(std::string_view text) {
  if (text.empty()) return {false, "", kTestWeightEmpty};
  const long long number = LeadingInteger(text);
  if (number < 100 || number > 999999) return {false, "", kTestWeightRange};
  for (char c : text) {
    if (c < '0' || c > '9') return {false, "", kTestWeightNotNumber};
  }
  // Only digits are left and their value is at most 999999, so dropping the leading zeros leaves
  // at most six of them.
  const std::string_view digits = text.substr(text.find_first_not_of('0'));
  if (digits.size() > 6) return {false, "", kTestWeightRange};
  return {true, std::string(6 - digits.size(), '0') + std::string(digits), {}};
}

CalibrationModel CalibrationModel::Initial() {
  CalibrationModel model;
  ShowStep(model, CalibrationStep::kWZero);
  return model;
}

void PressCalibrationAction(CalibrationModel& model, SerialLink& link, UserFeedback& ui) {
  model.focus = CalibrationFocus::kUnchanged;
  const CalibrationStep step = StepFromCaption(model.caption);
  const CalibrationStepInfo& info = StepInfo(step);
  std::string value = "000000";
  if (step == CalibrationStep::kWValue) {
    const TestWeightCheck check = CheckTestWeight(model.testWeight);
    if (!check.ok) {
      ui.Failure(check.message);
      return;
    }
    value = check.value;
  }
  const ParamAddress address{3, static_cast<int>(step) + 1};
  if (WriteParamValue(link, ui, address, value, info.waitMs, info.waitText) !=
      TransactStatus::kOk) {
    ui.Failure(info.failure);
    return;
  }
  switch (step) {
    case CalibrationStep::kWZero:
      ShowStep(model, CalibrationStep::kWValue);
      model.testWeightEnabled = true;
      model.focus = CalibrationFocus::kTestWeight;
      break;
    case CalibrationStep::kWValue:
      ShowStep(model, CalibrationStep::kWSpan);
      model.testWeightEnabled = false;
      model.focus = CalibrationFocus::kActionButton;
      break;
    case CalibrationStep::kWSpan:
      ShowStep(model, CalibrationStep::kReZero);
      break;
    case CalibrationStep::kReZero:
      model.ended = true;
      break;
  }
}

bool CalibrationFinishedOnExit(const CalibrationModel& model) {
  return model.caption == StepInfo(CalibrationStep::kReZero).caption;
}

}  // namespace tamarack
