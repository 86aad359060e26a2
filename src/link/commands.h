#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/frame.h"

namespace tamarack {

// The requests the system sends the indicator, each with its wait. Windows never assemble a
// payload themselves; they call one of these builders.

inline constexpr std::uint32_t kPollWaitMs = 10;          // "R", the display poll
inline constexpr std::uint32_t kReadParamWaitMs = 20;     // "P..=RE"
inline constexpr std::uint32_t kWriteAllWaitMs = 100;     // long "T" block
inline constexpr std::uint32_t kReadFormatWaitMs = 100;   // "AA" / "AB"
inline constexpr std::uint32_t kKeyWaitMs = 200;          // "K..E"
inline constexpr std::uint32_t kWriteParamWaitMs = 200;   // "P..=vvvvvvE"
inline constexpr std::uint32_t kWeightWaitMs = 200;       // "W..E"
inline constexpr std::uint32_t kSendFormatWaitMs = 1000;  // long "G" / "N" format
inline constexpr std::uint32_t kStepWaitMs = 6000;        // calibration and average-weight steps

// Two-digit key codes: the five front-panel keys and the setup actions.
namespace key {
inline constexpr std::string_view kZero = "10";
inline constexpr std::string_view kGrossNet = "11";
inline constexpr std::string_view kTare = "12";
inline constexpr std::string_view kUnits = "13";
inline constexpr std::string_view kPrint = "14";
inline constexpr std::string_view kEndSetup = "16";
inline constexpr std::string_view kFactoryDefault = "17";
inline constexpr std::string_view kSave = "18";
inline constexpr std::string_view kRestore = "19";
}  // namespace key

// A parameter's wire name: group and number, sent as "gg.nn".
struct ParamAddress {
  int group = 0;
  int number = 0;

  // "01.12" for group 1, number 12.
  std::string Text() const;
  friend bool operator==(const ParamAddress&, const ParamAddress&) = default;
};

// Bytes in the write-all block.
inline constexpr std::size_t kWriteAllBlockSize = 47;

Frame DisplayPollRequest();                    // "R"
Frame KeyRequest(std::string_view keyCode);    // "K" code "E"
Frame ReadParamRequest(ParamAddress address);  // "Pgg.nn=RE"
// "Pgg.nn=" six value characters "E". `value` must be exactly six characters.
Frame WriteParamRequest(ParamAddress address, std::string_view value);
// Long form: 'T' and the 47-byte block (count byte 48).
Frame WriteAllRequest(std::span<const std::uint8_t, kWriteAllBlockSize> block);
// Long form: 'G' or 'N' followed by the format text (count byte = text length + 1). The text
// must be at most 254 bytes.
Frame SendFormatRequest(char mode, std::span<const std::uint8_t> text);
Frame ReadFormatRequest(char which);  // "AA" or "AB"
// "W", the two-character count item, ten digits, "E".
Frame WeightRequest(std::string_view item, std::string_view digits);

}  // namespace tamarack
