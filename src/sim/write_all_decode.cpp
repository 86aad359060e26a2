#include "sim/write_all_decode.h"

#include <cstdio>

namespace tamarack::sim {
namespace {

std::string SixDigits(long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%06ld", value);
  return text;
}

}  // namespace

std::optional<std::vector<DecodedParam>> DecodeWriteAllBlock(
    std::span<const std::uint8_t, kWriteAllBlockSize> block) {
  std::vector<DecodedParam> out;
  for (const SetupParam& param : SetupParams()) {
    const BlockField& field = param.block;
    const std::size_t at = field.offset;
    long number = -1;
    switch (field.coding) {
      case BlockCoding::kNone:
        continue;
      case BlockCoding::kBcd: {
        number = 0;
        for (std::size_t i = 0; i < 3; ++i) {
          const int high = block[at + i] >> 4;
          const int low = block[at + i] & 0x0F;
          if (high > 9 || low > 9) return std::nullopt;
          number = number * 100 + high * 10 + low;
        }
        break;
      }
      case BlockCoding::kBinary24:
      case BlockCoding::kBinary24Eight: {
        number = (long{block[at]} << 16) | (long{block[at + 1]} << 8) | long{block[at + 2]};
        if (field.coding == BlockCoding::kBinary24Eight) {
          if (number % 8 != 0) return std::nullopt;
          number /= 8;
        }
        if (number > 999999) return std::nullopt;
        break;
      }
      case BlockCoding::kCode: {
        const int code = (block[at] >> field.shift) & ((1 << field.width) - 1);
        if (code >= static_cast<int>(param.options.size())) return std::nullopt;
        out.push_back({&param, std::string{'0', static_cast<char>('0' + code)}});
        continue;
      }
    }
    if (number == 0 && param.zeroRefused) return std::nullopt;
    out.push_back({&param, SixDigits(number)});
  }
  return out;
}

}  // namespace tamarack::sim
