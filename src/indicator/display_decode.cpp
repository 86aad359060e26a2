#include "indicator/display_decode.h"

#include <algorithm>

#include "link/commands.h"
#include "link/transact.h"

namespace tamarack {

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
  state.displayText = BuildDisplayText(
      std::span<const std::uint8_t, kDisplayDigitCount>(b.data(), kDisplayDigitCount));
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
  DecodeDisplay(
      std::span<const std::uint8_t, kDisplayReplySize>(reply.bytes.data(), kDisplayReplySize),
      blinkPhase, state);
  return true;
}

}  // namespace tamarack
