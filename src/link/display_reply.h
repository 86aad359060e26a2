#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tamarack {

// The payload of the indicator's answer to a display poll, as the live window decodes it and the
// simulated indicator builds it: six seven-segment digit codes (leftmost first), the edit and
// shift byte, two lamp bytes. Bytes after these nine are ignored.
inline constexpr std::size_t kDisplayDigitCount = 6;
inline constexpr std::size_t kDisplayReplySize = 9;
inline constexpr std::size_t kEditShiftByte = 6;

// Bit 7 of a digit code is the digit's decimal point.
inline constexpr std::uint8_t kPointBit = 0x80;
// The edit and shift byte: bits 0-2 the position of the digit being edited (6 and 7: none), bits
// 4 and 5 the shift flags.
inline constexpr std::uint8_t kEditPositionMask = 0x07;
inline constexpr std::uint8_t kNoEditedDigit = 0x07;
inline constexpr std::uint8_t kShiftFlags = 0x30;

// A seven-segment code (bit 0 top, 1 upper right, 2 lower right, 3 bottom, 4 lower left, 5 upper
// left, 6 middle) and the character the indicator means by it.
struct SegmentGlyph {
  std::uint8_t code;
  char shown;
};

inline constexpr std::array<SegmentGlyph, 23> kSegmentGlyphs{{
    {0x00, ' '}, {0x06, '1'}, {0x0E, '?'}, {0x27, '7'}, {0x38, 'L'}, {0x39, 'C'},
    {0x3F, '0'}, {0x40, '-'}, {0x48, '='}, {0x4F, '3'}, {0x54, 'n'}, {0x5B, '2'},
    {0x5E, 'd'}, {0x66, '4'}, {0x6D, '5'}, {0x6F, '9'}, {0x71, 'F'}, {0x73, 'P'},
    {0x77, 'A'}, {0x79, 'E'}, {0x7C, 'b'}, {0x7D, '6'}, {0x7F, '8'},
}};

// The character that a code (point bit clear) shows: ' ' for 0x00, '\0' for a code the indicator
// does not use.
constexpr char SegmentCharacter(std::uint8_t code) {
  for (const SegmentGlyph& glyph : kSegmentGlyphs) {
    if (glyph.code == code) return glyph.shown;
  }
  return '\0';
}

// The code that shows `c`; nothing for a character the display cannot show.
constexpr std::optional<std::uint8_t> SegmentCode(char c) {
  for (const SegmentGlyph& glyph : kSegmentGlyphs) {
    if (glyph.shown == c) return glyph.code;
  }
  return std::nullopt;
}

// The ten lamps in the order of the lamp bytes: byte 7 bits 0-3, then byte 8 bits 0-5.
enum class Lamp : int { kStable, kSet, kKg, kLb, kPeak, kCount, kGross, kNet, kTare, kZero };
inline constexpr std::size_t kLampCount = 10;

struct LampInfo {
  Lamp lamp;
  std::string_view label;           // the label beside the lamp ("kg" and "lb" are unit marks)
  std::string_view accessibleName;  // what screen readers and UI automation call it
  std::size_t byte;                 // offset in the reply
  int bit;
};

// Indexed by Lamp.
inline constexpr std::array<LampInfo, kLampCount> kLamps{{
    {Lamp::kStable, "Stable", "Stable lamp", 7, 0},
    {Lamp::kSet, "Set", "Set lamp", 7, 1},
    {Lamp::kKg, "kg", "kg lamp", 7, 2},
    {Lamp::kLb, "lb", "lb lamp", 7, 3},
    {Lamp::kPeak, "Peak", "Peak lamp", 8, 0},
    {Lamp::kCount, "Count", "Count lamp", 8, 1},
    {Lamp::kGross, "Gross", "Gross lamp", 8, 2},
    {Lamp::kNet, "Net", "Net lamp", 8, 3},
    {Lamp::kTare, "Tare", "Tare lamp", 8, 4},
    {Lamp::kZero, "Zero", "Zero lamp", 8, 5},
}};

static_assert([] {
  for (std::size_t i = 0; i < kLampCount; ++i) {
    if (kLamps[i].lamp != static_cast<Lamp>(i)) return false;
  }
  return true;
}());

constexpr const LampInfo& LampOf(Lamp lamp) {
  return kLamps[static_cast<std::size_t>(lamp)];
}

}  // namespace tamarack
