#include "sim/write_all_decode.h"

#include <array>
#include <cstdio>

namespace tamarack::sim {
namespace {

using C = BlockCoding;

// Offsets, encodings and bit positions of the block; the code fields of one byte are packed from
// bit 0 upwards and each reaches up to the next one.
constexpr std::array<BlockField, 30> kLayout = {{
    {"F7.1", 0, C::kBcd},
    {"F2.2", 13, C::kCode, 0, 4},
    {"F2.4", 13, C::kCode, 4, 4},
    {"F2.3", 14, C::kCode, 0, 4},
    {"F2.5", 14, C::kCode, 4, 4},
    {"F1.7", 15, C::kCode},
    {"F1.8", 16, C::kCode},
    {"F1.9", 17, C::kCode},
    {"F3.3", 18, C::kBinary24Eight},
    {"F3.1", 21, C::kBinary24Eight},
    {"F3.2", 24, C::kBinary24},
    {"F7.2", 27, C::kBcd},
    {"F6.1", 31, C::kCode, 0, 2},
    {"F1.5", 31, C::kCode, 2, 2},
    {"F1.2", 31, C::kCode, 4, 2},
    {"F2.1", 31, C::kCode, 6, 1},
    {"F1.3", 31, C::kCode, 7, 1},
    {"F1.4", 32, C::kCode, 0, 4},
    {"F5.1", 32, C::kCode, 4, 2},
    {"F4.1", 32, C::kCode, 6, 2},
    {"F1.6", 33, C::kCode, 0, 4},
    {"F1.10", 33, C::kCode, 4, 3},
    {"F1.12", 33, C::kCode, 7, 1},
    {"F1.11", 34, C::kCode, 0, 3},
    {"F4.3", 34, C::kCode, 3, 1},
    {"F2.6", 34, C::kCode, 4, 2},
    {"F4.2", 34, C::kCode, 6, 2},
    {"F1.1", 37, C::kBinary24},
    {"F6.2", 40, C::kBcd},
    {"F6.3", 43, C::kBcd},
}};

std::string SixDigits(long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%06ld", value);
  return text;
}

}  // namespace

std::span<const BlockField> WriteAllBlockLayout() {
  return kLayout;
}

std::optional<std::vector<DecodedParam>> DecodeWriteAllBlock(
    std::span<const std::uint8_t, kWriteAllBlockSize> block) {
  std::vector<DecodedParam> out;
  out.reserve(kLayout.size());
  for (const BlockField& field : kLayout) {
    const SetupParam* param = FindParam(field.param);
    if (param == nullptr) return std::nullopt;
    const auto at = static_cast<std::size_t>(field.offset);
    long number = -1;
    switch (field.coding) {
      case C::kBcd: {
        number = 0;
        for (std::size_t i = 0; i < 3; ++i) {
          const int high = block[at + i] >> 4;
          const int low = block[at + i] & 0x0F;
          if (high > 9 || low > 9) return std::nullopt;
          number = number * 100 + high * 10 + low;
        }
        break;
      }
      case C::kBinary24:
      case C::kBinary24Eight: {
        number = (long{block[at]} << 16) | (long{block[at + 1]} << 8) | long{block[at + 2]};
        if (field.coding == C::kBinary24Eight) {
          if (number % 8 != 0) return std::nullopt;
          number /= 8;
        }
        if (number > 999999) return std::nullopt;
        break;
      }
      case C::kCode: {
        const int code = (block[at] >> field.shift) & ((1 << field.width) - 1);
        if (code >= static_cast<int>(param->options.size())) return std::nullopt;
        out.push_back({param, std::string{'0', static_cast<char>('0' + code)}});
        continue;
      }
    }
    if (number == 0 && param->zeroRefused) return std::nullopt;
    out.push_back({param, SixDigits(number)});
  }
  return out;
}

}  // namespace tamarack::sim
