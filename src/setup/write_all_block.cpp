#include "setup/write_all_block.h"

#include <climits>

namespace tamarack {
namespace {

std::uint8_t Bcd(long long twoDigits) {
  return static_cast<std::uint8_t>((twoDigits / 10) * 16 + twoDigits % 10);
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

long long LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate towards the sign so that LLONG_MIN is reachable; saturate on overflow.
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (negative) {
      if (value < (LLONG_MIN + digit) / 10) return LLONG_MIN;
      value = value * 10 - digit;
    } else {
      if (value > (LLONG_MAX - digit) / 10) return LLONG_MAX;
      value = value * 10 + digit;
    }
  }
  return value;
}

WriteAllBlock BuildWriteAllBlock(const SetupModel& model) {
  WriteAllBlock block{};
  for (const SetupParam& param : SetupParams()) {
    const BlockField& field = param.block;
    if (field.coding == BlockCoding::kNone) continue;
    std::uint8_t* const at = block.data() + field.offset;
    if (field.coding == BlockCoding::kCode) {
      // The codes of one byte are added up, each shifted into place; the sum wraps at 256.
      const int code = model.choice[RowIndex(param)];
      if (code > 0) {
        *at = static_cast<std::uint8_t>(*at + (static_cast<unsigned>(code) << field.shift));
      }
      continue;
    }
    const int slot = NewValueSlot(param);
    if (slot < 0) continue;
    const long long value = LeadingInteger(model.newValue[static_cast<std::size_t>(slot)]);
    if (value < 0 || value > 999999) continue;
    if (field.coding == BlockCoding::kBcd) {
      at[0] = Bcd(value / 10000);
      at[1] = Bcd(value / 100 % 100);
      at[2] = Bcd(value % 100);
    } else {
      // 999999 x 8 still fits 24 bits.
      const long long scaled = field.coding == BlockCoding::kBinary24Eight ? value * 8 : value;
      at[0] = static_cast<std::uint8_t>(scaled >> 16);
      at[1] = static_cast<std::uint8_t>(scaled >> 8);
      at[2] = static_cast<std::uint8_t>(scaled);
    }
  }
  return block;
}

}  // namespace tamarack
