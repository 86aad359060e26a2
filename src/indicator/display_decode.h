#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "feedback/user_feedback.h"
#include "link/display_reply.h"
#include "link/serial_link.h"

namespace tamarack {

// What the display shows when a poll failed: two blanks, then "Err".
inline constexpr std::string_view kDisplayErrorText = "  Err";

// The display as the window shows it.
struct DisplayState {
  // The text drawn on the display field: each cell (a character, a blank or a point) followed by
  // a tab, so that every cell lands on its own tab stop; or kDisplayErrorText after a failure.
  std::string displayText;
  // Indexed by Lamp. All lamps are off until the first good poll.
  std::array<bool, kLampCount> lamps{};

  bool Lit(Lamp lamp) const { return lamps[static_cast<std::size_t>(lamp)]; }
};

// Applies the edit blink and the shift to the nine reply bytes. While `blinkPhase` is clear the
// digit being edited goes blank (its point stays). Otherwise, when the first digit is blank and a
// shift flag (bit 4 or 5 of byte 6) is set, the digits move one place to the left and the last
// becomes blank.
std::array<std::uint8_t, kDisplayReplySize> ApplyEditAndShift(
    std::span<const std::uint8_t, kDisplayReplySize> reply, bool blinkPhase);

// The display text of six digit codes, leftmost first. A digit with its point set takes two cells,
// the digit and the point; a code the indicator does not use shows a point alone.
std::string BuildDisplayText(std::span<const std::uint8_t, kDisplayDigitCount> digits);

// Decodes the nine bytes of a good reply into `state`: text and all ten lamps.
void DecodeDisplay(std::span<const std::uint8_t, kDisplayReplySize> reply, bool blinkPhase,
                   DisplayState& state);

// The cells of a display text, in order (the text between tabs). "  Err" is a single run.
std::vector<std::string_view> DisplayCells(std::string_view displayText);
// The characters shown, points included and tabs left out: "  10.00", "  Err".
std::string ShownCharacters(std::string_view displayText);

// One display poll: sends "R", decodes a good reply into `state` and returns true. After a failed
// exchange, or a reply shorter than the nine bytes, the text becomes "  Err" and the lamps stay as
// they were.
bool PollDisplay(DisplayState& state, SerialLink& link, UserFeedback& ui, bool blinkPhase);

}  // namespace tamarack
