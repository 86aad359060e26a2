#include "setup/param_table.h"

#include <array>

namespace tamarack {
namespace {

using Options = std::string_view;

// Option texts in code order; each begins with its code digit.
constexpr std::array<Options, 4> kZeroTrackBand{"0 (OFF)", "1 (0.5D)", "2 (1D)", "3 (3D)"};
constexpr std::array<Options, 2> kZeroRange{"0 (1.9%FS)", "1 (100%FS)"};
constexpr std::array<Options, 7> kMotionBand{"0 (1D)",  "1 (2D)",  "2 (3D)", "3 (5D)",
                                             "4 (10D)", "5 (20D)", "6 (OFF)"};
constexpr std::array<Options, 4> kOverload{"0 (FS+2%)", "1 (FS+1D)", "2 (FS+9D)", "3 (FS)"};
constexpr std::array<Options, 8> kSampleRate{"0 (7.5Hz)", "1 (15Hz)",  "2 (30Hz)",  "3 (60Hz)",
                                             "4 (120Hz)", "5 (240Hz)", "6 (480Hz)", "7 (960Hz)"};
constexpr std::array<Options, 6> kFilterLevel{"0", "1", "2", "3", "4", "5"};
constexpr std::array<Options, 7> kCutoutSensitivity{"0 (2OUT)",  "1 (4OUT)",  "2 (8OUT)",
                                                    "3 (16OUT)", "4 (32OUT)", "5 (64OUT)",
                                                    "6 (128OUT)"};
constexpr std::array<Options, 8> kCutoutThreshold{"0 (NONE)", "1 (2D)",  "2 (5D)",   "3 (10D)",
                                                  "4 (20D)",  "5 (50D)", "6 (100D)", "7 (200D)"};
constexpr std::array<Options, 2> kPowerUpZero{"0 (Yes)", "1 (No)"};
constexpr std::array<Options, 2> kPrimaryUnit{"0 (lb)", "1 (kg)"};
constexpr std::array<Options, 6> kDecimalPoint{"0 (888888)", "1 (88888.8)", "2 (8888.88)",
                                               "3 (888.888)", "4 (88.8888)", "5 (888880)"};
constexpr std::array<Options, 3> kDivisions{"0 (D=1)", "1 (D=2)", "2 (D=5)"};
constexpr std::array<Options, 4> kDisplayRate{"0 (250ms)", "1 (500ms)", "2 (750ms)", "3 (1s)"};
// Codes 0 and 1 are both 2400 baud on the indicator.
constexpr std::array<Options, 4> kBaudRate{"0 (2400)", "1 (2400)", "2 (4800)", "3 (9600)"};
constexpr std::array<Options, 3> kDataBits{"0 (8NONE)", "1 (7EVEN)", "2 (7ODD)"};
constexpr std::array<Options, 2> kTransmitMode{"0 (con)", "1 (comm)"};
constexpr std::array<Options, 3> kWorkMode{"0 (General)", "1 (Peaker)", "2 (Counter)"};
constexpr std::array<Options, 4> kRegulation{"0 (NTEP)", "1 (OIML)", "2 (CANADA)", "3 (NONE)"};

constexpr SetupParam Number(int group, int number, std::string_view displayNumber,
                            std::string_view mnemonic, std::string_view name,
                            std::string_view defaultText, bool zeroRefused,
                            std::string_view fieldTip, std::string_view writeTip) {
  return SetupParam{{group, number}, displayNumber, mnemonic, name,     ParamKind::kNumber, {},
                    -1,              defaultText,   zeroRefused, 6,     fieldTip,          writeTip};
}

constexpr SetupParam Choice(int group, int number, std::string_view displayNumber,
                            std::string_view mnemonic, std::string_view name,
                            std::span<const std::string_view> options, int defaultCode,
                            std::string_view fieldTip, std::string_view writeTip) {
  return SetupParam{{group, number}, displayNumber, mnemonic, name,     ParamKind::kChoice,
                    options,         defaultCode,   "",       false,    2,
                    fieldTip,        writeTip};
}

constexpr SetupParam Other(int group, int number, std::string_view displayNumber,
                           std::string_view mnemonic, std::string_view name, ParamKind kind,
                           int readLength, std::string_view fieldTip, std::string_view writeTip) {
  return SetupParam{{group, number}, displayNumber, mnemonic, name,     kind,    {},
                    -1,              "",            false,    readLength, fieldTip, writeTip};
}

constexpr std::array<SetupParam, kSetupParamCount> kParams{{
    Number(1, 1, "F1.1", "(GRADS)", "Graduations", "10000", true, "Graduations Setup",
           "Modify Graduations"),
    Choice(1, 2, "F1.2", "(ZTRKBN)", "Zero track band", kZeroTrackBand, 1,
           "Choose Zero track band", "Modify Zero track band"),
    Choice(1, 3, "F1.3", "(ZRANGE)", "Zero range", kZeroRange, 0, "Choose Zero range",
           "Modify Zero range"),
    Choice(1, 4, "F1.4", "(MOTBAN)", "Motion band", kMotionBand, 0, "Choose Motion band",
           "Modify Motion band"),
    Choice(1, 5, "F1.5", "(OVRLOA)", "Overload", kOverload, 2, "Choose Overload",
           "Modify Overload"),
    Choice(1, 6, "F1.6", "(SMPRAT)", "Sample rate", kSampleRate, 1, "Choose Sample rate",
           "Modify Sample rate"),
    Choice(1, 7, "F1.7", "(DIGFL1)", "Digital Filter 1", kFilterLevel, 1,
           "Choose Digital Filter 1", "Modify Digital Filter 1"),
    Choice(1, 8, "F1.8", "(DIGFL2)", "Digital Filter 2", kFilterLevel, 2,
           "Choose Digital Filter 2", "Modify Digital Filter 2"),
    Choice(1, 9, "F1.9", "(DIGFL3)", "Digital Filter 3", kFilterLevel, 2,
           "Choose Digital Filter 3", "Modify Digital Filter 3"),
    Choice(1, 10, "F1.10", "(DFSENS)", "Digital Filter Cutout Sensitivity", kCutoutSensitivity,
           1, "Choose Digital Filter Cutout Sensitivity",
           "Modify Digital Filter Cutout Sensitivity"),
    Choice(1, 11, "F1.11", "(DFTHRH)", "Digital Filter Cutout Threshold", kCutoutThreshold, 2,
           "Choose Digital Filter Cutout Threshold", "Modify Digital Filter Cutout Threshold"),
    Choice(1, 12, "F1.12", "(PWZERO)", "Power Up Zero", kPowerUpZero, 0, "Choose Power Up Zero",
           "Modify Power Up Zero"),
    Choice(2, 1, "F2.1", "(PUNIT)", "Primary unit", kPrimaryUnit, 1, "Choose Primary unit",
           "Modify Primary unit"),
    Choice(2, 2, "F2.2", "(PDECPT)", "Primary Unit\rDecimal Point Location", kDecimalPoint, 1,
           "Choose Primary Unit\rDecimal Point Location",
           "Modify Primary Unit Decimal Point Location"),
    Choice(2, 3, "F2.3", "(PDSPDIV)", "Primary Unit\rDisplay Divisions", kDivisions, 0,
           "Choose Primary Unit\rDisplay Divisions", "Modify Primary Unit Display Divisions"),
    Choice(2, 4, "F2.4", "(ADECPT)", "Assistant Unit\rDecimal Point location", kDecimalPoint, 0,
           "Choose Assistant Unit\rDecimal Point location",
           "Modify Assistant Unit Decimal Point location"),
    Choice(2, 5, "F2.5", "(ADSPDIV)", "Assistant Unit\rDisplay Divisions", kDivisions, 0,
           "Choose Assistant Unit\rDisplay Divisions", "Modify Assistant Unit Display Divisions"),
    Choice(2, 6, "F2.6", "(DSPRAT)", "Display Rat", kDisplayRate, 0, "Choose Display Rat",
           "Modify Display Rat"),
    Number(3, 1, "F3.1", "(WZERO)", "zero calibration A/D count value", "", true,
           "zero calibration A/D count value setup", "Modify zero calibration A/D count value"),
    Number(3, 2, "F3.2", "(WValue)", "test weight value", "", true, "test weight value setup",
           "Modify test weight value"),
    Number(3, 3, "F3.3", "(WSpan)", "span calibration A/D count value", "", true,
           "span calibration A/D count value setup", "Modify span calibration A/D count value"),
    Choice(4, 1, "F4.1", "(BAUD)", "baud rate", kBaudRate, 3, "Choose baud rate",
           "Modify baud rate"),
    Choice(4, 2, "F4.2", "(BITS)", "number of data bits and parity mode", kDataBits, 0,
           "Choose number of data bits and parity mode",
           "Modify number of data bits and parity mode"),
    Choice(4, 3, "F4.3", "(SMODE)", "mode of data transmission", kTransmitMode, 1,
           "Choose mode of data transmission", "Modify mode of data transmission"),
    Choice(5, 1, "F5.1", "(WMODE)", "Work Mode", kWorkMode, 0, "Choose Work Mode",
           "Modify Work Mode"),
    Choice(6, 1, "F6.1", "(REGULA)", "mode", kRegulation, 0, "Choose mode", "Modify mode"),
    Number(6, 2, "F6.2", "(P1)", "Relay out lower point", "100", false,
           "Relay out lower point setup", "Modify Relay out lower point"),
    Number(6, 3, "F6.3", "(P2)", "Relay out upper point", "10000", false,
           "Relay out upper point setup", "Modify Relay out upper point"),
    Number(7, 1, "F7.1", "(CONSNU)", "Consecutive Numbering", "000000", false,
           "Consecutive Numbering setup", "Modify Consecutive Numbering"),
    Number(7, 2, "F7.2", "(CONSTU)", "Consecutive Number Start Up Value", "000000", false,
           "Consecutive Number Start Up Value setup", "Modify Consecutive Number Start Up Value"),
    Other(7, 3, "F7.3", "", "software version", ParamKind::kVersion, 4, "", ""),
    Other(7, 4, "F7.4", "(DATE)", "Data", ParamKind::kDate, 6, "Data setup", "Modify Data"),
    Other(7, 5, "F7.5", "(TIME)", "Time", ParamKind::kTime, 6, "Time setup", "Modify Time"),
}};

}  // namespace

std::span<const SetupParam> SetupParams() { return kParams; }

const SetupParam* FindParam(ParamAddress address) {
  for (const SetupParam& param : kParams) {
    if (param.address == address) return &param;
  }
  return nullptr;
}

const SetupParam* FindParam(std::string_view displayNumber) {
  for (const SetupParam& param : kParams) {
    if (param.displayNumber == displayNumber) return &param;
  }
  return nullptr;
}

}  // namespace tamarack
