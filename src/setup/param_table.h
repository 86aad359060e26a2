#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "link/commands.h"

namespace tamarack {

// What a setup parameter holds, and so how it is edited, read and written.
enum class ParamKind { kNumber, kChoice, kVersion, kDate, kTime };

// How a parameter sits in the 47-byte block that Write All sends.
enum class BlockCoding {
  kNone,           // not in the block
  kBcd,            // three bytes, six packed decimal digits
  kBinary24,       // three bytes, big-endian
  kBinary24Eight,  // three bytes, big-endian, eight times the value (the A/D counts)
  kCode,           // the option code in bits [shift, shift + width) of one byte
};

struct BlockField {
  BlockCoding coding = BlockCoding::kNone;
  std::size_t offset = 0;
  int shift = 0;
  int width = 8;
};

// The bytes a field takes in the block.
constexpr std::size_t BlockFieldSize(const BlockField& field) {
  switch (field.coding) {
    case BlockCoding::kNone:
      return 0;
    case BlockCoding::kCode:
      return 1;
    case BlockCoding::kBcd:
    case BlockCoding::kBinary24:
    case BlockCoding::kBinary24Eight:
      return 3;
  }
  return 0;
}

// One of the indicator's 33 setup parameters. The table below is the only list of them: the setup
// window, the codecs, the validation, the setup value file, the write-all block and the simulator
// all read it.
struct SetupParam {
  ParamAddress address;            // {group, number}; sent as "gg.nn"
  std::string_view displayNumber;  // "F1.2", made from the address
  std::string_view mnemonic;       // "(ZTRKBN)", empty for F7.3
  std::string_view name;           // "Primary Unit\rDecimal Point Location" (\r breaks the tip)
  ParamKind kind;
  std::span<const std::string_view> options;  // Choice only, code order, without the "*"
  int defaultCode;                            // Choice: default option's code; otherwise -1
  std::string_view defaultText;  // Number: initial field text ("10000", "" ...); else ""
  bool zeroRefused;              // Number only
  int readLength;                // from the kind: 6 Number, 2 Choice, 4 Version, 6 Date, 6 Time
  std::string_view fieldTip;     // editable element's tip ("" for F7.3)
  std::string_view writeTip;     // Write button's tip ("" for F7.3)
  BlockField block;              // where Write All puts the value
};

inline constexpr std::size_t kSetupParamCount = 33;

// The rows that code refers to by name. Param() takes one of these and is worked out while
// compiling, so that naming a row the table lacks does not build.
inline constexpr ParamAddress kCutoutThresholdAddress{1, 11};
inline constexpr ParamAddress kPrimaryUnitAddress{2, 1};
inline constexpr ParamAddress kPrimaryPointAddress{2, 2};
inline constexpr ParamAddress kPrimaryDivisionAddress{2, 3};
inline constexpr ParamAddress kAssistantPointAddress{2, 4};
inline constexpr ParamAddress kAssistantDivisionAddress{2, 5};
inline constexpr ParamAddress kZeroCountAddress{3, 1};
inline constexpr ParamAddress kTestWeightAddress{3, 2};
inline constexpr ParamAddress kSpanCountAddress{3, 3};
inline constexpr ParamAddress kWorkModeAddress{5, 1};
inline constexpr ParamAddress kRelayLowAddress{6, 2};
inline constexpr ParamAddress kRelayHighAddress{6, 3};
inline constexpr ParamAddress kConsecutiveNumberAddress{7, 1};
inline constexpr ParamAddress kVersionAddress{7, 3};
inline constexpr ParamAddress kDateAddress{7, 4};
inline constexpr ParamAddress kTimeAddress{7, 5};

namespace param_rows {

using Options = std::string_view;

// Option texts in code order; each begins with its code digit.
inline constexpr std::array<Options, 4> kZeroTrackBand{"0 (OFF)", "1 (0.5D)", "2 (1D)", "3 (3D)"};
inline constexpr std::array<Options, 2> kZeroRange{"0 (1.9%FS)", "1 (100%FS)"};
inline constexpr std::array<Options, 7> kMotionBand{"0 (1D)",  "1 (2D)",  "2 (3D)", "3 (5D)",
                                                    "4 (10D)", "5 (20D)", "6 (OFF)"};
inline constexpr std::array<Options, 4> kOverload{"0 (FS+2%)", "1 (FS+1D)", "2 (FS+9D)", "3 (FS)"};
inline constexpr std::array<Options, 8> kSampleRate{"0 (7.5Hz)", "1 (15Hz)",  "2 (30Hz)",
                                                    "3 (60Hz)",  "4 (120Hz)", "5 (240Hz)",
                                                    "6 (480Hz)", "7 (960Hz)"};
inline constexpr std::array<Options, 6> kFilterLevel{"0", "1", "2", "3", "4", "5"};
inline constexpr std::array<Options, 7> kCutoutSensitivity{
    "0 (2OUT)", "1 (4OUT)", "2 (8OUT)", "3 (16OUT)", "4 (32OUT)", "5 (64OUT)", "6 (128OUT)"};
inline constexpr std::array<Options, 8> kCutoutThreshold{
    "0 (NONE)", "1 (2D)", "2 (5D)", "3 (10D)", "4 (20D)", "5 (50D)", "6 (100D)", "7 (200D)"};
inline constexpr std::array<Options, 2> kPowerUpZero{"0 (Yes)", "1 (No)"};
inline constexpr std::array<Options, 2> kPrimaryUnit{"0 (lb)", "1 (kg)"};
inline constexpr std::array<Options, 6> kDecimalPoint{"0 (888888)",  "1 (88888.8)", "2 (8888.88)",
                                                      "3 (888.888)", "4 (88.8888)", "5 (888880)"};
inline constexpr std::array<Options, 3> kDivisions{"0 (D=1)", "1 (D=2)", "2 (D=5)"};
inline constexpr std::array<Options, 4> kDisplayRate{"0 (250ms)", "1 (500ms)", "2 (750ms)",
                                                     "3 (1s)"};
// Codes 0 and 1 are both 2400 baud on the indicator.
inline constexpr std::array<Options, 4> kBaudRate{"0 (2400)", "1 (2400)", "2 (4800)", "3 (9600)"};
inline constexpr std::array<Options, 3> kDataBits{"0 (8NONE)", "1 (7EVEN)", "2 (7ODD)"};
inline constexpr std::array<Options, 2> kTransmitMode{"0 (con)", "1 (comm)"};
inline constexpr std::array<Options, 3> kWorkMode{"0 (General)", "1 (Peaker)", "2 (Counter)"};
inline constexpr std::array<Options, 4> kRegulation{"0 (NTEP)", "1 (OIML)", "2 (CANADA)",
                                                    "3 (NONE)"};

// What a row states by hand; everything else in SetupParam is made from these.
struct Facts {
  ParamAddress address;
  std::string_view mnemonic;
  std::string_view name;
  ParamKind kind;
  std::span<const std::string_view> options;
  int defaultCode;
  std::string_view defaultText;
  bool zeroRefused;
  BlockField block;
  std::string_view fieldTip;  // only where it is not made from the name
};

// The block column: the offset of the field's first byte and its coding; a Choice's code sits in
// `width` bits from bit `shift` of one byte.
constexpr BlockField Bcd(std::size_t offset) {
  return {BlockCoding::kBcd, offset};
}
constexpr BlockField Binary24(std::size_t offset) {
  return {BlockCoding::kBinary24, offset};
}
constexpr BlockField Counts24(std::size_t offset) {
  return {BlockCoding::kBinary24Eight, offset};
}
constexpr BlockField Code(std::size_t offset, int shift = 0, int width = 8) {
  return {BlockCoding::kCode, offset, shift, width};
}

constexpr Facts Number(ParamAddress address, std::string_view mnemonic, std::string_view name,
                       std::string_view defaultText, bool zeroRefused, BlockField block,
                       std::string_view fieldTip = {}) {
  return {address,     mnemonic, name,    ParamKind::kNumber, {}, -1, defaultText,
          zeroRefused, block,    fieldTip};
}

constexpr Facts Choice(ParamAddress address, std::string_view mnemonic, std::string_view name,
                       std::span<const std::string_view> options, int defaultCode,
                       BlockField block) {
  return {address, mnemonic, name, ParamKind::kChoice, options, defaultCode, "", false, block, {}};
}

constexpr Facts Other(ParamAddress address, std::string_view mnemonic, std::string_view name,
                      ParamKind kind) {
  return {address, mnemonic, name, kind, {}, -1, "", false, {}, {}};
}

// In reading order. The block column says where Write All puts each Number and Choice.
inline constexpr std::array<Facts, kSetupParamCount> kFacts{{
    Number({1, 1}, "(GRADS)", "Graduations", "10000", true, Binary24(37), "Graduations Setup"),
    Choice({1, 2}, "(ZTRKBN)", "Zero track band", kZeroTrackBand, 1, Code(31, 4, 2)),
    Choice({1, 3}, "(ZRANGE)", "Zero range", kZeroRange, 0, Code(31, 7, 1)),
    Choice({1, 4}, "(MOTBAN)", "Motion band", kMotionBand, 0, Code(32, 0, 4)),
    Choice({1, 5}, "(OVRLOA)", "Overload", kOverload, 2, Code(31, 2, 2)),
    Choice({1, 6}, "(SMPRAT)", "Sample rate", kSampleRate, 1, Code(33, 0, 4)),
    Choice({1, 7}, "(DIGFL1)", "Digital Filter 1", kFilterLevel, 1, Code(15)),
    Choice({1, 8}, "(DIGFL2)", "Digital Filter 2", kFilterLevel, 2, Code(16)),
    Choice({1, 9}, "(DIGFL3)", "Digital Filter 3", kFilterLevel, 2, Code(17)),
    Choice({1, 10}, "(DFSENS)", "Digital Filter Cutout Sensitivity", kCutoutSensitivity, 1,
           Code(33, 4, 3)),
    Choice({1, 11}, "(DFTHRH)", "Digital Filter Cutout Threshold", kCutoutThreshold, 2,
           Code(34, 0, 3)),
    Choice({1, 12}, "(PWZERO)", "Power Up Zero", kPowerUpZero, 0, Code(33, 7, 1)),
    Choice({2, 1}, "(PUNIT)", "Primary unit", kPrimaryUnit, 1, Code(31, 6, 1)),
    Choice({2, 2}, "(PDECPT)", "Primary Unit\rDecimal Point Location", kDecimalPoint, 1,
           Code(13, 0, 4)),
    Choice({2, 3}, "(PDSPDIV)", "Primary Unit\rDisplay Divisions", kDivisions, 0, Code(14, 0, 4)),
    Choice({2, 4}, "(ADECPT)", "Assistant Unit\rDecimal Point location", kDecimalPoint, 0,
           Code(13, 4, 4)),
    Choice({2, 5}, "(ADSPDIV)", "Assistant Unit\rDisplay Divisions", kDivisions, 0, Code(14, 4, 4)),
    Choice({2, 6}, "(DSPRAT)", "Display Rat", kDisplayRate, 0, Code(34, 4, 2)),
    Number({3, 1}, "(WZERO)", "zero calibration A/D count value", "", true, Counts24(21)),
    Number({3, 2}, "(WValue)", "test weight value", "", true, Binary24(24)),
    Number({3, 3}, "(WSpan)", "span calibration A/D count value", "", true, Counts24(18)),
    Choice({4, 1}, "(BAUD)", "baud rate", kBaudRate, 3, Code(32, 6, 2)),
    Choice({4, 2}, "(BITS)", "number of data bits and parity mode", kDataBits, 0, Code(34, 6, 2)),
    Choice({4, 3}, "(SMODE)", "mode of data transmission", kTransmitMode, 1, Code(34, 3, 1)),
    Choice({5, 1}, "(WMODE)", "Work Mode", kWorkMode, 0, Code(32, 4, 2)),
    Choice({6, 1}, "(REGULA)", "mode", kRegulation, 0, Code(31, 0, 2)),
    Number({6, 2}, "(P1)", "Relay out lower point", "100", false, Bcd(40)),
    Number({6, 3}, "(P2)", "Relay out upper point", "10000", false, Bcd(43)),
    Number({7, 1}, "(CONSNU)", "Consecutive Numbering", "000000", false, Bcd(0)),
    Number({7, 2}, "(CONSTU)", "Consecutive Number Start Up Value", "000000", false, Bcd(27)),
    Other({7, 3}, "", "software version", ParamKind::kVersion),
    Other({7, 4}, "(DATE)", "Data", ParamKind::kDate),
    Other({7, 5}, "(TIME)", "Time", ParamKind::kTime),
}};

// --- The columns made from the facts. ---

constexpr int ReadLength(ParamKind kind) {
  switch (kind) {
    case ParamKind::kChoice:
      return 2;
    case ParamKind::kVersion:
      return 4;
    case ParamKind::kNumber:
    case ParamKind::kDate:
    case ParamKind::kTime:
      break;
  }
  return 6;
}

enum class Made { kDisplayNumber, kFieldTip, kWriteTip };

// Writes the characters of a made text, or only counts them while it has nowhere to write.
class TextSink {
 public:
  constexpr explicit TextSink(char* out) : out_(out) {}

  constexpr void Put(char c) {
    if (out_ != nullptr) out_[size_] = c;
    ++size_;
  }
  constexpr void Put(std::string_view text) {
    for (const char c : text) Put(c);
  }
  constexpr void PutNumber(int n) {
    if (n >= 10) PutNumber(n / 10);
    Put(static_cast<char>('0' + n % 10));
  }
  constexpr std::size_t Size() const { return size_; }

 private:
  char* out_;
  std::size_t size_ = 0;
};

// "F1.2"; "Choose " + name for a Choice and name + " setup" for the others, unless the row gives
// its own; "Modify " + name on one line. F7.3 has no tips.
constexpr void MakeText(const Facts& row, Made which, TextSink& sink) {
  switch (which) {
    case Made::kDisplayNumber:
      sink.Put('F');
      sink.PutNumber(row.address.group);
      sink.Put('.');
      sink.PutNumber(row.address.number);
      return;
    case Made::kFieldTip:
      if (!row.fieldTip.empty()) {
        sink.Put(row.fieldTip);
      } else if (row.kind == ParamKind::kChoice) {
        sink.Put("Choose ");
        sink.Put(row.name);
      } else if (row.kind != ParamKind::kVersion) {
        sink.Put(row.name);
        sink.Put(" setup");
      }
      return;
    case Made::kWriteTip:
      if (row.kind == ParamKind::kVersion) return;
      sink.Put("Modify ");
      for (const char c : row.name) sink.Put(c == '\r' ? ' ' : c);
      return;
  }
}

inline constexpr Made kMadeColumns[] = {Made::kDisplayNumber, Made::kFieldTip, Made::kWriteTip};

// All made texts end to end, row after row, column after column.
constexpr std::size_t MadeTextSize() {
  TextSink count(nullptr);
  for (const Facts& row : kFacts) {
    for (const Made which : kMadeColumns) MakeText(row, which, count);
  }
  return count.Size();
}

inline constexpr std::size_t kMadeTextSize = MadeTextSize();

constexpr std::array<char, kMadeTextSize> MakeAllTexts() {
  std::array<char, kMadeTextSize> text{};
  TextSink sink(text.data());
  for (const Facts& row : kFacts) {
    for (const Made which : kMadeColumns) MakeText(row, which, sink);
  }
  return text;
}

inline constexpr std::array<char, kMadeTextSize> kMadeText = MakeAllTexts();

constexpr std::array<SetupParam, kSetupParamCount> MakeParams() {
  std::array<SetupParam, kSetupParamCount> params{};
  std::size_t at = 0;
  const auto next = [&at](const Facts& row, Made which) {
    TextSink count(nullptr);
    MakeText(row, which, count);
    const std::string_view text(kMadeText.data() + at, count.Size());
    at += count.Size();
    return text;
  };
  for (std::size_t i = 0; i < kSetupParamCount; ++i) {
    const Facts& row = kFacts[i];
    const std::string_view displayNumber = next(row, Made::kDisplayNumber);
    const std::string_view fieldTip = next(row, Made::kFieldTip);
    const std::string_view writeTip = next(row, Made::kWriteTip);
    params[i] = SetupParam{row.address,     displayNumber,        row.mnemonic,    row.name,
                           row.kind,        row.options,          row.defaultCode, row.defaultText,
                           row.zeroRefused, ReadLength(row.kind), fieldTip,        writeTip,
                           row.block};
  }
  return params;
}

inline constexpr std::array<SetupParam, kSetupParamCount> kParams = MakeParams();

}  // namespace param_rows

// The 33 rows in table order: F1.1 … F1.12, F2.1 … F2.6, F3.1 … F3.3, F4.1 … F4.3, F5.1,
// F6.1 … F6.3, F7.1 … F7.5. This is also the order of reading.
constexpr std::span<const SetupParam> SetupParams() {
  return param_rows::kParams;
}

// The row of an address the code names (one of the constants above); a row the table lacks is a
// compile error.
consteval const SetupParam& Param(ParamAddress address) {
  for (const SetupParam& param : param_rows::kParams) {
    if (param.address == address) return param;
  }
  throw "no setup parameter has this address";
}

// For addresses and display numbers that come from outside (a request, a file, a test): nullptr
// when no parameter has that address / display number.
const SetupParam* FindParam(ParamAddress address);
const SetupParam* FindParam(std::string_view displayNumber);

}  // namespace tamarack
