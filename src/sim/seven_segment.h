#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/display_reply.h"

namespace tamarack::sim {

// The six digit codes that show `text` right-aligned; a '.' lights the point of the character
// before it. Nothing when the text needs more than six digits or holds a character the display
// cannot show.
std::optional<std::array<std::uint8_t, kDisplayDigitCount>> SegmentDigits(std::string_view text);

// A count of display steps as the display writes it: `decimals` digits behind the point, at least
// one digit in front of it, a '-' before a negative value ("-0.5", "12.50", "120").
std::string FormatCounts(long long counts, int decimals);

}  // namespace tamarack::sim
