#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/commands.h"
#include "setup/param_table.h"

namespace tamarack::sim {

// How a parameter sits in the write-all block.
enum class BlockCoding {
  kBcd,            // three bytes, six packed decimal digits
  kBinary24,       // three bytes, big-endian
  kBinary24Eight,  // three bytes, big-endian, eight times the value (the A/D counts)
  kCode,           // the option code in bits [shift, shift + width) of one byte
};

struct BlockField {
  std::string_view param;  // display number, "F2.2"
  int offset;
  BlockCoding coding;
  int shift = 0;
  int width = 8;
};

// Where each Number and Choice parameter sits in the 47-byte block; every other byte is 0.
std::span<const BlockField> WriteAllBlockLayout();

// A parameter value in the form a read returns it: six digits for a Number, two for a Choice.
struct DecodedParam {
  const SetupParam* param;
  std::string value;
};

// Decodes the block into the 30 Number and Choice parameters. Nothing when any field is not a
// value the setup could hold: a packed digit above 9, a count not divisible by eight, a number
// above 999999, zero where the parameter refuses it, or a code beyond its option list.
std::optional<std::vector<DecodedParam>> DecodeWriteAllBlock(
    std::span<const std::uint8_t, kWriteAllBlockSize> block);

}  // namespace tamarack::sim
