#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/commands.h"
#include "setup/setup_model.h"

namespace tamarack {

// Reads a decimal integer from the start of `text` the usual way: leading white space is skipped,
// one '+' or '-' may follow, then digits are taken up to the first non-digit. A text that does not
// begin with a number gives 0. Values beyond the range of long long saturate at its ends.
long long LeadingInteger(std::string_view text);

using WriteAllBlock = std::array<std::uint8_t, kWriteAllBlockSize>;

// The 47-byte block that Write All sends, built from the editable column as the parameter table's
// block column lays it out; every byte where no parameter sits is 0. A Number whose text reads
// (LeadingInteger) outside 0..999999 leaves its bytes 0; the codes that share a byte are added,
// each shifted into place, modulo 256; an unselected choice counts as code 0. Only the editable
// column (newValue, choice) is read.
WriteAllBlock BuildWriteAllBlock(const SetupModel& model);

}  // namespace tamarack
