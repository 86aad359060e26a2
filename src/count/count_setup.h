#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"

namespace tamarack {

// The count setup window without its widgets: what its two fields show and the rules of its
// buttons. Texts are byte strings, one byte per character, as on the line and in the file.

namespace count_text {
inline constexpr std::string_view kReadFault = "Average Weight read Fault!";
inline constexpr std::string_view kItemErr = "Read Count Item Err!";
inline constexpr std::string_view kInvalid = "Read Average Weight is invalidation!";
inline constexpr std::string_view kRange = "Average Weight must between 0x1000000 and 0xFFFFFFFF!";
inline constexpr std::string_view kWriteSuccess = "Average Weight Write Sucess!";
inline constexpr std::string_view kWriteFault = "Average Weight Write Fault!";
inline constexpr std::string_view kSetupNotFinished = "Average Weight Setup not Finished.";
inline constexpr std::string_view kFileError = "Open Average Weight Setup File Error!";
}  // namespace count_text

// The file dialog's settings, shared by Save and Load.
inline constexpr std::string_view kAwsDefaultName = "AWS_1.aws";
inline constexpr std::string_view kAwsDefaultSuffix = "aws";

struct CountSetupModel {
  int itemPosition = 0;    // the count item list: 0-99 the items, 100 "AA"
  std::string weightText;  // the Average Weight field
};

// Asks for the average weight file's name; nullopt when the user cancels.
using AskAwsFileName = std::function<std::optional<std::string>()>;

// The list text of the selected count item ("0" ... "99", "AA").
std::string CountItemText(const CountSetupModel& model);

// "Write": writes the typed weight to the selected item ("AA" is first resolved to the
// indicator's current item, which the list then shows).
void CountWrite(CountSetupModel& model, SerialLink& link, UserFeedback& ui);
// "Read": reads the selected item's weight into the field.
void CountRead(CountSetupModel& model, SerialLink& link, UserFeedback& ui);
// After the average weight wizard: reads the new weight when it finished (result 1).
void CountAfterAws(CountSetupModel& model, SerialLink& link, UserFeedback& ui, int wizardResult);
// "Average Weight Save": puts the typed weight into the item's record of the chosen file.
void CountSave(CountSetupModel& model, SerialLink& link, UserFeedback& ui,
               const AskAwsFileName& askName);
// "Average Weight Load": shows the item's record of the chosen file; the file is only read.
void CountLoad(CountSetupModel& model, SerialLink& link, UserFeedback& ui,
               const AskAwsFileName& askName);
// "Exit": tells the indicator that count setup ends (key code 16); the result is not looked at.
void CountExit(SerialLink& link, UserFeedback& ui);

}  // namespace tamarack
