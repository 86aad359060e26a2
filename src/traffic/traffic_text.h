#pragma once

#include <array>
#include <span>
#include <string>

#include "link/tracing_link.h"

namespace tamarack {

// The columns of the Traffic window, of its text file and of its CSV file.
inline constexpr int kTrafficColumns = 6;
inline constexpr std::array<std::string_view, kTrafficColumns> kTrafficHeaders = {
    "Time (ms)", "Meaning", "Status", "Duration (ms)", "Request", "Reply"};

// Marks on the reply cell of a spoilt reply.
inline constexpr std::string_view kNotAFrameMark = "[not a frame] ";
inline constexpr std::string_view kCutMark = " [cut at the reply area]";

// "01 31 02 52 03 71  ...R.q": the bytes in hex, then the printable ASCII ('.' for the rest).
std::string HexAscii(std::span<const std::uint8_t> bytes);
// The whole of a frame, 16 bytes a line, each line with its offset, hex and ASCII.
std::string HexDump(std::span<const std::uint8_t> bytes);

// The six cells of one exchange, as the window and the files show it.
std::array<std::string, kTrafficColumns> TrafficCells(const TracedExchange& exchange);

// The exchanges as a text file: a header, then one line each, the columns aligned.
std::string TrafficText(std::span<const TracedExchange> exchanges);
// The same as comma-separated values, quoted where needed.
std::string TrafficCsv(std::span<const TracedExchange> exchanges);

}  // namespace tamarack
