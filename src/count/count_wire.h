#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/frame.h"
#include "link/transact.h"

namespace tamarack {

// Count items and average piece weights as they travel on the line.
//
// A count item is named by two characters: the two digits of items 0-99, or "AA" for the item the
// indicator currently uses. An average weight is ten decimal digits, most significant first.

// The count item list: "0" ... "99" at positions 0-99, then "AA" at position 100.
inline constexpr int kCountItemCount = 100;
inline constexpr int kCurrentItemPosition = 100;
inline constexpr std::string_view kCurrentItemText = "AA";

inline constexpr std::size_t kAverageWeightDigits = 10;
// The range of an average weight that may be written, both bounds included.
inline constexpr std::uint64_t kMinAverageWeight = 0x1000000;   // 16777216
inline constexpr std::uint64_t kMaxAverageWeight = 0xFFFFFFFF;  // 4294967295
// What the indicator reports for an item without a valid average weight.
inline constexpr std::string_view kNoAverageWeight = "9999999999";

// The text of the list entry at `position` (0-100); "" outside the list.
std::string CountItemListText(int position);

// The leading decimal number of a text: leading blanks and one sign are skipped and reading stops
// at the first character that is not a digit; a text without digits gives 0. Saturates instead
// of overflowing.
long long LeadingNumber(std::string_view text);

// `CountItem`: "AA" for "AA", otherwise the tens and units digits of the text's leading number
// ("5" gives "05", "42" gives "42").
std::string CountItem(std::string_view itemText);

// The list position named by a two-digit item of a reply ("12" gives 12); nullopt when the two
// characters are not both decimal digits.
std::optional<int> CountItemPosition(std::string_view item);

// Converts an Average Weight text as a decimal number (leading blanks, a sign, a fraction and an
// exponent accepted; reading stops at the first character that cannot continue the number; a text
// that does not begin with a number gives 0). Returns the integer part when the number lies in
// 16777216..4294967295; nullopt otherwise, and for numbers too large to represent.
std::optional<std::uint32_t> AverageWeightValue(std::string_view text);

// `AverageWeight`: ten digits, padded with "0" on the left.
std::string AverageWeightDigits(std::uint32_t value);

// True when the ten weight characters read as 9999999999 by their low four bits, the indicator's
// mark of an item without a valid average weight.
bool IsNoAverageWeight(std::string_view weight);

// The `WeightExchange` requests: ten "0" digits ask for the item's weight.
Frame WeightReadRequest(std::string_view countItem);
Frame WeightWriteRequest(std::string_view countItem, std::uint32_t value);

// The reading reply: the item the indicator answers for and the ten weight characters as
// received.
struct WeightReading {
  std::string item;    // two characters
  std::string weight;  // ten characters
};

// Accepts a reading reply when the exchange succeeded and payload byte 12 is "E".
std::optional<WeightReading> ReadWeightReply(TransactStatus status, const ReplyArea& reply);

}  // namespace tamarack
