#pragma once

#include <span>
#include <string_view>

#include "link/commands.h"

namespace tamarack {

// What a setup parameter holds, and so how it is edited, read and written.
enum class ParamKind { kNumber, kChoice, kVersion, kDate, kTime };

// One of the indicator's 33 setup parameters. The table below is the only list of them: the setup
// window, the codecs, the validation, the setup value file and the simulator all read it.
struct SetupParam {
  ParamAddress address;            // {group, number}; sent as "gg.nn"
  std::string_view displayNumber;  // "F1.2"
  std::string_view mnemonic;       // "(ZTRKBN)", empty for F7.3
  std::string_view name;           // "Primary Unit\rDecimal Point Location" (\r breaks the tip)
  ParamKind kind;
  std::span<const std::string_view> options;  // Choice only, code order, without the "*"
  int defaultCode;                 // Choice: default option's code; otherwise -1
  std::string_view defaultText;    // Number: initial field text ("10000", "" ...); else ""
  bool zeroRefused;                // Number only
  int readLength;                  // 6 Number, 2 Choice, 4 Version, 6 Date, 6 Time
  std::string_view fieldTip;       // editable element's tip ("" for F7.3)
  std::string_view writeTip;       // Write button's tip ("" for F7.3)
};

inline constexpr std::size_t kSetupParamCount = 33;

// The 33 rows in table order: F1.1 … F1.12, F2.1 … F2.6, F3.1 … F3.3, F4.1 … F4.3, F5.1,
// F6.1 … F6.3, F7.1 … F7.5. This is also the order of reading.
std::span<const SetupParam> SetupParams();
// nullptr when no parameter has that address / display number.
const SetupParam* FindParam(ParamAddress address);
const SetupParam* FindParam(std::string_view displayNumber);

}  // namespace tamarack
