#pragma once

#include <cstddef>
#include <string>

#include "printfmt/print_format.h"
#include "printfmt/ticket_renderer.h"

namespace tamarack {

// What the print format window shows beside the lines: the ticket they print and how much of the
// frame they fill.
struct TicketPreview {
  std::string ticket;    // as the indicator prints the text that "Send" would send
  std::string sizeText;  // "96 of 249 bytes"
  bool fits = false;     // "Send" would send the text
};

// The longest text that "Send" sends on a line with these data bits.
std::size_t SendableTextLimit(int dataBits);

// The preview of `lines` printed with `values`.
TicketPreview PreviewTicket(const FormatLines& lines, int dataBits, const TicketValues& values);

}  // namespace tamarack
