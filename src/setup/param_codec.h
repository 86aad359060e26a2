#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/param_table.h"

namespace tamarack {

// Fixed tails of the messages that name a parameter ("F1.2" + " " + tail).
inline constexpr std::string_view kValueErr = "Value err!";
inline constexpr std::string_view kValueTooLong = "Value must less then 999999!";
inline constexpr std::string_view kValueEmpty = "Value can not be Empt!";
inline constexpr std::string_view kValueNotNumber = "Value must be number!";
inline constexpr std::string_view kValueZero = "Value can not be zero!";
inline constexpr std::string_view kWriteSuccess = "Value Write Sucess!";
inline constexpr std::string_view kWriteFault = "Value Write Fault!";
inline constexpr std::string_view kDateWriteSuccess = "Date Write Sucess!";
inline constexpr std::string_view kDateWriteFault = "Date Write Fault!";
inline constexpr std::string_view kTimeWriteSuccess = "Time Write Sucess!";
inline constexpr std::string_view kTimeWriteFault = "Time Write Fault!";
// The mark after the default option in a drop-down list.
inline constexpr std::string_view kDefaultMark = "*";

// "F1.2 Value err!": the display number, a blank and the tail.
std::string ParamMessage(const SetupParam& param, std::string_view tail);
// "F01.12 Read Value False!": read failures name the parameter by its wire address.
std::string ReadFailureMessage(const SetupParam& param);

// --- Values written: always six ASCII characters. ---

// "00000" and the code digit. `code` must be 0..9.
std::string EncodeChoice(int code);
// YYMMDD / HHMMSS, two digits each; the year keeps its last two digits.
std::string EncodeDate(int year, int month, int day);
std::string EncodeTime(int hour, int minute, int second);

// The outcome of checking a Number text typed by the user.
struct NumberCheck {
  bool ok = false;
  std::string value;    // accepted: the six characters to write
  std::string message;  // refused: the parameter's message, e.g. "F3.2 Value must be number!"
};
// Checks in this order: more than six characters, empty, a character that is not a decimal
// digit, zero where the parameter refuses it. Characters are counted as the user sees them, so a
// multi-byte UTF-8 character counts once.
NumberCheck CheckNumber(const SetupParam& param, std::string_view text);

// The value of a date or time as a picker shows it ("07-12-2026", "09:30:45"): the three runs of
// decimal digits, the last two digits of each, reordered to YYMMDD for a date (shown day first)
// and kept as HHMMSS for a time. Nothing when the text holds fewer than three runs.
std::optional<std::string> DateTimeValueFromShown(ParamKind kind, std::string_view shown);

// --- Values read. ---

// The code of a two-character Choice value: the low four bits of each character, tens first.
int ChoiceCode(std::string_view value);
// The text shown for an option code read from the indicator: the option text, except "3 (1OD)"
// for F1.11 and "2 (d=5)" for F2.3 and F2.5, the indicator's own forms. Empty when out of range.
std::string ChoiceShownText(const SetupParam& param, int code);

struct DecodedValue {
  bool ok = false;   // false: a Choice code outside its list ("Value err!")
  std::string text;  // the current-value text
};
// Decodes a read value whose length already equals the parameter's read length.
DecodedValue DecodeReadValue(const SetupParam& param, std::string_view value);

// --- Drop-down lists. ---

// The list items of a Choice, in code order, the default one marked with a trailing "*".
std::vector<std::string> ChoiceItems(const SetupParam& param);
// The position of `text` among the list items, letters compared without regard to case; -1 when
// no item matches.
int ChoiceItemPosition(const SetupParam& param, std::string_view text);

}  // namespace tamarack
