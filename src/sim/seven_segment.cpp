#include "sim/seven_segment.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tamarack::sim {

std::optional<std::uint8_t> SegmentCode(char c) {
  switch (c) {
    case ' ':
      return 0x00;
    case '0':
      return 0x3F;
    case '1':
      return 0x06;
    case '2':
      return 0x5B;
    case '3':
      return 0x4F;
    case '4':
      return 0x66;
    case '5':
      return 0x6D;
    case '6':
      return 0x7D;
    case '7':
      return 0x27;
    case '8':
      return 0x7F;
    case '9':
      return 0x6F;
    case '-':
      return 0x40;
    case '=':
      return 0x48;
    case '?':
      return 0x0E;
    case 'A':
      return 0x77;
    case 'b':
      return 0x7C;
    case 'C':
      return 0x39;
    case 'd':
      return 0x5E;
    case 'E':
      return 0x79;
    case 'F':
      return 0x71;
    case 'L':
      return 0x38;
    case 'n':
      return 0x54;
    case 'P':
      return 0x73;
    default:
      return std::nullopt;
  }
}

std::optional<std::array<std::uint8_t, 6>> SegmentDigits(std::string_view text) {
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
  if (codes.size() > 6) return std::nullopt;
  std::array<std::uint8_t, 6> digits{};
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
