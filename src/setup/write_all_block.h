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

// The 47-byte block that Write All sends, built from the editable column:
//  0-2   F7.1 packed BCD               27-29 F7.2 packed BCD
//  13    F2.2 + 16*F2.4                 31    F6.1 + 4*F1.5 + 16*F1.2 + 64*F2.1 + 128*F1.3
//  14    F2.3 + 16*F2.5                 32    F1.4 + 16*F5.1 + 64*F4.1
//  15-17 F1.7, F1.8, F1.9               33    F1.6 + 16*F1.10 + 128*F1.12
//  18-20 F3.3 x 8, 24-bit big-endian    34    F1.11 + 8*F4.3 + 16*F2.6 + 64*F4.2
//  21-23 F3.1 x 8, 24-bit big-endian    37-39 F1.1, 24-bit big-endian
//  24-26 F3.2, 24-bit big-endian        40-42 F6.2, 43-45 F6.3, packed BCD
// every other byte 0. A Number whose text reads (LeadingInteger) outside 0..999999 leaves its
// bytes 0; the code sums are taken modulo 256; an unselected choice counts as code 0. Only the
// editable column (newValue, choice) is read.
WriteAllBlock BuildWriteAllBlock(const SetupModel& model);

}  // namespace tamarack
