#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "link/serial_link.h"
#include "link/user_feedback.h"
#include "setup/write_all_block.h"

namespace tamarack {

// Captions over the editable column.
inline constexpr std::string_view kCaptionFactoryDefault = "Factory Default";
inline constexpr std::string_view kCaptionNewValue = "New Value";

inline constexpr std::string_view kWriteAllSucess = "All Setup Value Write Sucess!";
inline constexpr std::string_view kWriteAllFalse = "All Setup Value Write False!";
inline constexpr std::string_view kTurnOnCaj = "Please Turn on CAJ switch!";
inline constexpr std::string_view kDefaultSucess = "Default Setup Sucess!";
inline constexpr std::string_view kDefaultFault = "Default Setup Fault!";
inline constexpr std::string_view kDefaultCancel = "Default Setup Cancel!";
inline constexpr std::string_view kRestoreSucess = "Restore Sucess!";
inline constexpr std::string_view kRestoreFault = "Restore Fault!";
inline constexpr std::string_view kSaveSucess = "Value Save Sucess!";
inline constexpr std::string_view kSaveFault = "Value Save Fault!";

// The setup window's state that the whole-setup operations read and change.
struct SetupFlags {
  // Values were written that the indicator has not saved yet: leaving the window asks to save.
  bool valueModified = false;
  // Set only while Write All writes the date and the time: their successes are not announced.
  bool silentDateTimeWrite = false;
  // The caption over the editable column.
  std::string caption{kCaptionFactoryDefault};
};

// The first field of the editable column that may not be written: a Number refused by the
// single-write checks (with that parameter's message) or a choice with no option selected
// ("F1.2 Value err!"). Empty when every field can be written.
std::string FirstUnwritableField(const EditableColumn& column);

// "Write All". Checks every field first and sends nothing at all when one is refused. Then runs
// `writeDateAndTime` (the single writes of the date and the time, each reporting its own failure)
// with silentDateTimeWrite set, then sends the block. Only a good exchange whose reply begins "OK"
// is a success ("All Setup Value Write Sucess!", valueModified set); "NOCAJ" asks for the CAJ
// switch; anything else is "All Setup Value Write False!". True on success.
bool WriteAllParams(const EditableColumn& column, SetupFlags& flags, SerialLink& link,
                    UserFeedback& ui, const std::function<void()>& writeDateAndTime);

// How the password gate ended.
enum class PasswordAnswer { kAccepted, kGaveUp };

// "Set Default": asks the password gate, then has the indicator return to its factory setup.
// Success puts the caption back to "Factory Default"; valueModified never changes.
void SetFactoryDefaults(SetupFlags& flags, SerialLink& link, UserFeedback& ui,
                        const std::function<PasswordAnswer()>& askPassword);
// "Save": the indicator keeps the written values; success clears valueModified.
void SaveParams(SetupFlags& flags, SerialLink& link, UserFeedback& ui);
// "Restore": the indicator goes back to its saved values; success clears valueModified.
void RestoreParams(SetupFlags& flags, SerialLink& link, UserFeedback& ui);
// After the calibration wizard: a finished calibration changed the indicator's values.
void CalibrationEnded(bool finished, SetupFlags& flags, UserFeedback& ui);

}  // namespace tamarack
