#include "sim/seven_segment.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tamarack::sim {

std::optional<std::array<std::uint8_t, kDisplayDigitCount>> SegmentDigits(std::string_view text) {
  std::vector<std::uint8_t> codes;
  for (char c : text) {
    if (c == '.') {
      if (codes.empty()) codes.push_back(0x00);
      codes.back() |= kPointBit;
      continue;
    }
    const auto code = SegmentCode(c);
    if (!code) return std::nullopt;
    codes.push_back(*code);
  }
  if (codes.size() > kDisplayDigitCount) return std::nullopt;
  std::array<std::uint8_t, kDisplayDigitCount> digits{};
  std::copy(codes.begin(), codes.end(), digits.end() - static_cast<std::ptrdiff_t>(codes.size()));
  return digits;
}

std::string FormatCounts(long long counts, int decimals) {
  const std::string digits = std::to_string(counts < 0 ? -counts : counts);
  const auto behind = static_cast<std::size_t>(decimals > 0 ? decimals : 0);
  std::string padded(digits.size() <= behind ? behind + 1 - digits.size() : 0, '0');
  padded += digits;
  std::string text;
  if (counts < 0) text += '-';
  text += padded.substr(0, padded.size() - behind);
  if (behind > 0) {
    text += '.';
    text += padded.substr(padded.size() - behind);
  }
  return text;
}

}  // namespace tamarack::sim
