#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "setup/setup_model.h"

namespace tamarack {

inline constexpr std::string_view kWriteAllSuccess = "All Setup Value Write Sucess!";
inline constexpr std::string_view kWriteAllFalse = "All Setup Value Write False!";
inline constexpr std::string_view kTurnOnCaj = "Please Turn on CAJ switch!";
inline constexpr std::string_view kDefaultSuccess = "Default Setup Sucess!";
inline constexpr std::string_view kDefaultFault = "Default Setup Fault!";
inline constexpr std::string_view kDefaultCancel = "Default Setup Cancel!";
inline constexpr std::string_view kRestoreSuccess = "Restore Sucess!";
inline constexpr std::string_view kRestoreFault = "Restore Fault!";
inline constexpr std::string_view kSaveSuccess = "Value Save Sucess!";

// The first field of the editable column that may not be written: a Number refused by the
// single-write checks (with that parameter's message) or a choice with no option selected
// ("F1.2 Value err!"). Empty when every field can be written.
std::string FirstUnwritableField(const SetupModel& model);

// "Write All". Checks every field first and sends nothing at all when one is refused. Then writes
// the date and the time as their own Write buttons do, with silentDateTimeWrite set (failures are
// still shown, and Write All goes on), then sends the block. Only a good exchange whose reply
// begins "OK" is a success ("All Setup Value Write Sucess!", valueModified set); "NOCAJ" asks for
// the CAJ switch; anything else is "All Setup Value Write False!". True on success.
bool WriteAllParams(SetupModel& model, SerialLink& link, UserFeedback& ui);

// How the password gate ended.
enum class PasswordAnswer { kAccepted, kGaveUp };

// "Set Default": asks the password gate, then has the indicator return to its factory setup.
// Success puts the caption back to "Factory Default"; the fields and valueModified never change.
void SetFactoryDefaults(SetupModel& model, SerialLink& link, UserFeedback& ui,
                        const std::function<PasswordAnswer()>& askPassword);
// "Save": the indicator keeps the written values; success clears valueModified.
void SaveParams(SetupModel& model, SerialLink& link, UserFeedback& ui);
// "Restore": the indicator goes back to its saved values; success clears valueModified. The
// fields are not read again.
void RestoreParams(SetupModel& model, SerialLink& link, UserFeedback& ui);
// After the calibration wizard: a finished calibration changed the indicator's values.
void CalibrationEnded(bool finished, SetupModel& model, UserFeedback& ui);

}  // namespace tamarack
