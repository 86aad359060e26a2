#include "count/count_wire.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "link/commands.h"

namespace tamarack {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The characters of `text` from `at` that form a decimal number (digits, an optional fraction and
// an optional exponent), without sign. Empty when no digit starts there.
std::string_view NumberAt(std::string_view text, std::size_t at) {
  std::size_t i = at;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return {};
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return text.substr(at, i - at);
}

}  // namespace

std::string CountItemListText(int position) {
  if (position >= 0 && position < kCountItemCount) return std::to_string(position);
  if (position == kCurrentItemPosition) return std::string(kCurrentItemText);
  return {};
}

long long LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr long long kLimit = std::numeric_limits<long long>::max() / 10 - 1;
  long long n = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (n < kLimit) n = n * 10 + (text[i] - '0');
  }
  return negative ? -n : n;
}

std::string CountItem(std::string_view itemText) {
  if (itemText == kCurrentItemText) return std::string(kCurrentItemText);
  long long n = LeadingNumber(itemText);
  if (n < 0) n = -n;
  n %= 100;
  return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

std::optional<int> CountItemPosition(std::string_view item) {
  if (item.size() != 2 || !IsDigit(item[0]) || !IsDigit(item[1])) return std::nullopt;
  return (item[0] - '0') * 10 + (item[1] - '0');
}

std::optional<std::uint32_t> AverageWeightValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::string_view number = NumberAt(text, i);
  double value = 0.0;
  if (!number.empty()) {
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    // Too large to represent reads as infinite, too small as zero: both lie outside the range.
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  }
  if (negative) value = -value;
  if (!std::isfinite(value) || value < static_cast<double>(kMinAverageWeight) ||
      value > static_cast<double>(kMaxAverageWeight)) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::string AverageWeightDigits(std::uint32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%010lu", static_cast<unsigned long>(value));
  return digits;
}

bool IsNoAverageWeight(std::string_view weight) {
  if (weight.size() != kAverageWeightDigits) return false;
  for (const char c : weight) {
    if ((static_cast<unsigned char>(c) & 0x0F) != 9) return false;
  }
  return true;
}

Frame WeightReadRequest(std::string_view countItem) {
  return WeightRequest(countItem, std::string(kAverageWeightDigits, '0'));
}

Frame WeightWriteRequest(std::string_view countItem, std::uint32_t value) {
  return WeightRequest(countItem, AverageWeightDigits(value));
}

std::optional<WeightReading> ReadWeightReply(TransactStatus status, const ReplyArea& reply) {
  if (status != TransactStatus::kOk || reply.bytes[12] != 'E') return std::nullopt;
  const auto* bytes = reinterpret_cast<const char*>(reply.bytes.data());
  return WeightReading{std::string(bytes, 2), std::string(bytes + 2, kAverageWeightDigits)};
}

}  // namespace tamarack
