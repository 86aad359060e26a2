#include "indicator/display_decode.h"

#include <algorithm>

#include "link/commands.h"
#include "link/transact.h"

namespace tamarack {
namespace {

// Seven-segment code (bit 0 top, 1 upper right, 2 lower right, 3 bottom, 4 lower left, 5 upper
// left, 6 middle) to the character the indicator means by it.
struct Segment {
  std::uint8_t code;
  char shown;
};

constexpr Segment kSegments[] = {
    {0x00, ' '}, {0x06, '1'}, {0x0E, '?'}, {0x27, '7'}, {0x38, 'L'}, {0x39, 'C'}, {0x3F, '0'},
    {0x40, '-'}, {0x48, '='}, {0x4F, '3'}, {0x54, 'n'}, {0x5B, '2'}, {0x5E, 'd'}, {0x66, '4'},
    {0x6D, '5'}, {0x6F, '9'}, {0x71, 'F'}, {0x73, 'P'}, {0x77, 'A'}, {0x79, 'E'}, {0x7C, 'b'},
    {0x7D, '6'}, {0x7F, '8'},
};

constexpr std::array<char, 128> MakeSegmentTable() {
  std::array<char, 128> table{};
  for (const Segment& s : kSegments) table[s.code] = s.shown;
  return table;
}

constexpr std::array<char, 128> kSegmentTable = MakeSegmentTable();

constexpr std::uint8_t kEditPositionMask = 0x07;
constexpr std::uint8_t kShiftFlags = 0x30;

}  // namespace

char SegmentCharacter(std::uint8_t code) { return code < 0x80 ? kSegmentTable[code] : '\0'; }

std::array<std::uint8_t, kDisplayReplySize> ApplyEditAndShift(
    std::span<const std::uint8_t, kDisplayReplySize> reply, bool blinkPhase) {
  std::array<std::uint8_t, kDisplayReplySize> b{};
  std::copy(reply.begin(), reply.end(), b.begin());
  const std::size_t edited = b[kEditShiftByte] & kEditPositionMask;
  if (!blinkPhase && edited < kDisplayDigitCount) {
    b[edited] &= kPointBit;
  } else if (b[0] == 0x00 && (b[kEditShiftByte] & kShiftFlags) != 0) {
    b[kEditShiftByte] = 0;
    for (std::size_t i = 0; i + 1 < kDisplayDigitCount; ++i) b[i] = b[i + 1];
    b[kDisplayDigitCount - 1] = 0x00;
  }
  return b;
}

std::string BuildDisplayText(std::span<const std::uint8_t, kDisplayDigitCount> digits) {
  std::string text;
  for (const std::uint8_t code : digits) {
    const char shown = SegmentCharacter(static_cast<std::uint8_t>(code & ~kPointBit));
    if (shown == '\0') {
      // A code the indicator does not use shows a point alone, whatever its point bit.
      text += ".\t";
      continue;
    }
    // 0x00 shows a blank cell; with its point set (0x80) the point follows in a cell of its own.
    text += shown;
    text += '\t';
    if ((code & kPointBit) != 0) text += ".\t";
  }
  return text;
}

void DecodeDisplay(std::span<const std::uint8_t, kDisplayReplySize> reply, bool blinkPhase,
                   DisplayState& state) {
  const auto b = ApplyEditAndShift(reply, blinkPhase);
  state.displayText = BuildDisplayText(std::span<const std::uint8_t, kDisplayDigitCount>(
      b.data(), kDisplayDigitCount));
  for (const LampInfo& lamp : kLamps) {
    state.lamps[static_cast<std::size_t>(lamp.lamp)] = ((b[lamp.byte] >> lamp.bit) & 1) != 0;
  }
}

std::vector<std::string_view> DisplayCells(std::string_view displayText) {
  std::vector<std::string_view> cells;
  while (!displayText.empty()) {
    const std::size_t tab = displayText.find('\t');
    cells.push_back(displayText.substr(0, tab));
    if (tab == std::string_view::npos) break;
    displayText.remove_prefix(tab + 1);
  }
  return cells;
}

std::string ShownCharacters(std::string_view displayText) {
  std::string shown;
  for (const char c : displayText) {
    if (c != '\t') shown += c;
  }
  return shown;
}

bool PollDisplay(DisplayState& state, SerialLink& link, UserFeedback& ui, bool blinkPhase) {
  ReplyArea reply;
  const Frame request = DisplayPollRequest();
  // A reply too short for the whole display is as bad as none: the zeros left in the area would
  // otherwise show as blanks and dark lamps.
  if (Transact(link, ui, request, kPollWaitMs, reply) != TransactStatus::kOk ||
      reply.length < kDisplayReplySize) {
    state.displayText = std::string(kDisplayErrorText);
    return false;
  }
  DecodeDisplay(std::span<const std::uint8_t, kDisplayReplySize>(reply.bytes.data(),
                                                                  kDisplayReplySize),
                blinkPhase, state);
  return true;
}

}  // namespace tamarack
