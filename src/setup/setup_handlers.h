#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "link/transact.h"
#include "setup/param_table.h"
#include "setup/setup_model.h"

namespace tamarack {

inline constexpr std::string_view kSaveQuestion =
    "Value has been modified,save it to the indicator?";
inline constexpr std::string_view kValueSaveFault = "Value Save Fault!";

// Told before each read of a run over the whole setup: the parameter about to be asked for, its
// place in the run (1 for the first) and the run's length. It is called between exchanges only,
// so a window may repaint there; it cannot change what is sent.
using ReadProgress =
    std::function<void(const SetupParam& param, std::size_t index, std::size_t total)>;

// "Read All": reads the 33 parameters in table order and, only when every one has been read and
// decoded, replaces the current-value column. The first failure shows its one message and ends
// the run; the model is then unchanged. The editable column is never touched. True when the
// current values were replaced. `progress`, when given, hears of each read before it is sent.
bool ReadAllParams(SetupModel& model, SerialLink& link, UserFeedback& ui,
                   const ReadProgress& progress = {});

// One write exchange; on success it marks the setup as modified and sets the caption
// "New Value". Shows nothing itself.
TransactStatus WriteParam(SetupModel& model, SerialLink& link, UserFeedback& ui,
                          ParamAddress address, std::string_view value);

// The "Write" button of `param`: checks the editable value, sends it and reports the result in
// one message box (a date or time write succeeding while silentDateTimeWrite is set shows
// nothing). True when the indicator took the value.
bool WriteParamHandler(SetupModel& model, SerialLink& link, UserFeedback& ui,
                       const SetupParam& param);

// The editable value of `param` as a person reads it: a Number's text, a choice's option text
// ("(none)" without a selection), the date or time picker's text.
std::string EditableValueText(const SetupModel& model, const SetupParam& param);

// "Exit": asks whether to keep a modified setup, sends the save code on Yes and the end-of-setup
// code on every way out. False when the save failed and the window must stay open.
bool ExitSetup(SetupModel& model, SerialLink& link, UserFeedback& ui);

}  // namespace tamarack
