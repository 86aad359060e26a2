#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/commands.h"
#include "setup/param_table.h"

namespace tamarack::sim {

// A parameter value in the form a read returns it: six digits for a Number, two for a Choice.
struct DecodedParam {
  const SetupParam* param;
  std::string value;
};

// Decodes the block, as the parameter table's block column lays it out, into the 30 Number and
// Choice parameters (in table order). Nothing when any field is not a value the setup could hold:
// a packed digit above 9, a count not divisible by eight, a number above 999999, zero where the
// parameter refuses it, or a code beyond its option list.
std::optional<std::vector<DecodedParam>> DecodeWriteAllBlock(
    std::span<const std::uint8_t, kWriteAllBlockSize> block);

}  // namespace tamarack::sim
