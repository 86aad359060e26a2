#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "setup/param_table.h"
#include "setup/setup_handlers.h"
#include "setup/setup_model.h"

namespace tamarack {

inline constexpr std::string_view kAllValuesMatch = "All 30 values match the indicator.";
inline constexpr std::string_view kNoDifference = "No parameter differs from the indicator";
inline constexpr std::string_view kDiffersPrefix = "differs from the indicator: ";

// The parameters compared with the indicator: the 30 values Write All sends, F1.1 to F7.2. The
// version, the date and the time are not compared.
std::span<const SetupParam> ComparedParams();

// Every current value has been filled by a complete read.
bool HasCompleteRead(const SetupModel& model);

// The value Write All would send for the editable field of a compared parameter: a Number's
// value when its text passes the single-write checks, a choice's code; nothing when the field
// would be refused.
std::optional<long long> SentValue(const SetupModel& model, const SetupParam& param);
// The indicator's value of a compared parameter: what a write since the last complete read put
// there, else what that read found; a Number's six digits as a value, a choice's code; nothing
// when the text is not one.
std::optional<long long> IndicatorValue(const SetupModel& model, const SetupParam& param);
// A value as the current-value column shows it, read as a number: a Number's digits, a choice's
// code (its first character); nothing when the text is not one.
std::optional<long long> ShownValue(const SetupParam& param, std::string_view shown);
// Two read values of one parameter stand for different settings: numbers by value, choices by
// code, the version by its text; the date and the time never count.
bool ReadValuesDiffer(const SetupParam& param, std::string_view a, std::string_view b);
// The same value as the current-value column would show it ("010000", "1 (15Hz)").
std::string IndicatorText(const SetupModel& model, const SetupParam& param);

// The editable field would not put the indicator's current value back: numbers are compared as
// values ("100" equals "000100"), choices by code; a field that would be refused always differs.
// False for every parameter before a complete read and for those not compared.
bool DiffersFromIndicator(const SetupModel& model, const SetupParam& param);
// The compared parameters that differ, in table order.
std::vector<const SetupParam*> Differences(const SetupModel& model);
// "differs from the indicator: 1 (15Hz)", or "" when the parameter does not differ.
std::string DifferenceMark(const SetupModel& model, const SetupParam& param);
// "12 parameters differ from the indicator", "1 parameter differs ...", kNoDifference.
std::string DifferenceCountText(std::size_t count);

// "Copy Current": the indicator's values (the current-value column, with what was written since)
// into the editable one, as each editor shows it (a Number's six digits, a choice's option). The
// date and time pickers keep the PC's clock. Does nothing before a complete read.
void CopyCurrentValues(SetupModel& model);

// "F1.6: new value 2 (30Hz), indicator 1 (15Hz)".
std::string MismatchLine(const SetupModel& model, const SetupParam& param);

// "Verify": reads the indicator as Read All does (refreshing the current-value column), then
// compares the 30 values Write All sends with the editable column. Says kAllValuesMatch as a
// success, or lists each mismatch, one a line, as a failure. A failed read shows only its own
// message. True when everything matches. `progress` hears of each read as Read All's does.
bool VerifyParams(SetupModel& model, SerialLink& link, UserFeedback& ui,
                  const ReadProgress& progress = {});

}  // namespace tamarack
