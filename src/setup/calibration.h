#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"

namespace tamarack {

// The four calibration steps, in the order the wizard goes through them. Each is one request to
// address 03.01 .. 03.04.
enum class CalibrationStep : int { kWZero = 0, kWValue = 1, kWSpan = 2, kReZero = 3 };

struct CalibrationStepInfo {
  std::string_view caption;  // the action button's caption, which is also the step's name
  std::string_view title;    // the window's name in this step
  std::string_view prompt;   // lines separated by "\n"
  std::uint32_t waitMs;
  std::string_view waitText;  // in the wait window during a long wait
  std::string_view failure;   // shown when the indicator does not answer "OK"
};

const CalibrationStepInfo& StepInfo(CalibrationStep step);
// The step that an action button caption names: "WZERO", "WVALUE" and "WSPAN" compared exactly,
// anything else is the re-zero step.
CalibrationStep StepFromCaption(std::string_view caption);

inline constexpr std::string_view kTestWeightEmpty = "WValue can not be Empty!";
inline constexpr std::string_view kTestWeightRange = "WValue must be ranged from 100  to 999999!";
inline constexpr std::string_view kTestWeightNotNumber = "WValue must be number!";
inline constexpr std::string_view kCalibrationFinished = "Calibration Finished!";
inline constexpr std::string_view kCalibrationNotFinished = "Calibration not Finished!";

struct TestWeightCheck {
  bool ok = false;
  std::string value;         // accepted: six digits, zero-padded on the left
  std::string_view message;  // refused: why
};
// Checks the Test Weight text in order: empty; the number it begins with (read the usual way for
// a decimal integer) outside 100..999999; a character that is not a decimal digit. A text of more
// than six digits that passes (only leading zeros make that possible) loses its leading zeros.
TestWeightCheck CheckTestWeight(std::string_view text);

// Where the keyboard focus goes after a step.
enum class CalibrationFocus { kUnchanged, kTestWeight, kActionButton };

// What the wizard window shows; the window collects the Test Weight text into it before a press
// and shows it back after.
struct CalibrationModel {
  std::string caption;  // the action button's caption: the current step
  std::string title;    // the window's name (the window adds the web address)
  std::string prompt;
  std::string testWeight;
  bool testWeightEnabled = false;
  CalibrationFocus focus = CalibrationFocus::kUnchanged;
  bool ended = false;  // a successful re-zero ends the wizard, finished

  // The window as it opens: step WZERO, an empty and disabled Test Weight box.
  static CalibrationModel Initial();
};

// The action button: performs the step the caption names; on success moves to the next step (or
// ends the wizard after the re-zero), on failure shows the step's message and stays.
void PressCalibrationAction(CalibrationModel& model, SerialLink& link, UserFeedback& ui);

// "Exit": the wizard is finished once the span has been captured, re-zero or not.
bool CalibrationFinishedOnExit(const CalibrationModel& model);

}  // namespace tamarack
