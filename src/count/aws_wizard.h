#pragma once

#include <array>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"

namespace tamarack {

// The average weight setup wizard without its widgets. The indicator works an item's average
// piece weight out itself: zero the empty scale, put a counted sample on it and send the count,
// then confirm.

namespace aws_text {
inline constexpr std::string_view kItemReadFault = "Current count Item read Fault!";
inline constexpr std::string_view kItemSendFault = "Count Item Send Fault!";
inline constexpr std::string_view kQuantityEmpty = "Sample Quantity can not be Empty!";
inline constexpr std::string_view kQuantityRange = "WValue must be ranged from 10  to 2000!";
inline constexpr std::string_view kQuantityNumber = "WValue must be number!";
inline constexpr std::string_view kZeroFalse = "ZERO False!";
inline constexpr std::string_view kQuantityFalse = "Sample Quantity Send False!";
inline constexpr std::string_view kConfirmFalse = "Confire Average Weight False!";

// In the wait window while the indicator zeroes and while it works the average out.
inline constexpr std::string_view kZeroWait = "ZERO Processing , Please Wait...";
inline constexpr std::string_view kConfirmWait = "Average Weight Confirming, Please Wait...";

inline constexpr std::string_view kItemLabel = "Count Item";
inline constexpr std::string_view kQuantityLabel = " Sample quantity";
inline constexpr std::string_view kExit = "Exit";
inline constexpr std::string_view kItemTip =
    "the code number of the Average Weight Setup\r\"AA\" is select indicator current count item";
inline constexpr std::string_view kQuantityTip = "Choose sample quantity of the count items";
inline constexpr std::string_view kExitTip = "Exit Average Weight Setup Window";
}  // namespace aws_text

enum class AwsStep { kZero = 1, kSampleQuantity = 2, kConfirming = 3 };

// The caption of the action button, the window's name and the prompt of each step.
std::string_view AwsCaption(AwsStep step);
std::string_view AwsTitle(AwsStep step);
std::string_view AwsPrompt(AwsStep step);

// The sample quantity list, and the entry selected when the wizard opens ("100").
inline constexpr std::array<std::string_view, 11> kSampleQuantities = {
    "10", "20", "30", "50", "100", "200", "300", "500", "1000", "1500", "2000"};
int InitialSampleQuantityIndex();

struct AwsModel {
  std::string itemText;        // "0" ... "99" or "AA"; becomes the current item once asked
  bool countItemSent = false;  // the indicator has accepted the count item
  AwsStep step = AwsStep::kZero;
  std::string quantityText;  // the selected sample quantity
  bool quantityEnabled = true;
};

// A wizard opened for `itemText`, on step 1 with "100" selected.
AwsModel OpenAws(std::string itemText);

enum class AwsOutcome {
  kStay,      // a check or an exchange failed (already told); the step stays
  kNextStep,  // the step succeeded; the window shows the next one
  kFinished,  // step 3 succeeded: the wizard ends with result 1
};

// The action button.
AwsOutcome AwsPress(AwsModel& model, SerialLink& link, UserFeedback& ui);

}  // namespace tamarack
