#include "traffic/traffic_text.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tamarack {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

char Shown(std::uint8_t byte) {
  return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
}

void AppendHex(std::string& out, std::uint8_t byte) {
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

std::string CsvField(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string HexAscii(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return {};
  std::string hex;
  std::string ascii;
  for (std::uint8_t byte : bytes) {
    if (!hex.empty()) hex += ' ';
    AppendHex(hex, byte);
    ascii += Shown(byte);
  }
  return hex + "  " + ascii;
}

std::string HexDump(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (std::size_t line = 0; line < bytes.size(); line += 16) {
    char offset[32];
    std::snprintf(offset, sizeof offset, "%04zX  ", line);
    out += offset;
    const std::size_t end = std::min(bytes.size(), line + 16);
    std::string ascii;
    for (std::size_t i = line; i < line + 16; ++i) {
      if (i < end) {
        AppendHex(out, bytes[i]);
        out += ' ';
        ascii += Shown(bytes[i]);
      } else {
        out += "   ";
      }
    }
    out += ' ' + ascii + '\n';
  }
  return out;
}

std::array<std::string, kTrafficColumns> TrafficCells(const TracedExchange& exchange) {
  std::string reply = HexAscii(exchange.reply);
  if (exchange.shape == ReplyShape::kNotAFrame) reply = std::string(kNotAFrameMark) + reply;
  if (exchange.shape == ReplyShape::kTooLong) reply += kCutMark;
  return {Fixed(exchange.startMs),
          exchange.meaning,
          exchange.status < 0 ? std::string() : std::to_string(exchange.status),
          Fixed(exchange.durationMs),
          HexAscii(exchange.request),
          reply};
}

std::string TrafficText(std::span<const TracedExchange> exchanges) {
  std::vector<std::array<std::string, kTrafficColumns>> rows;
  rows.reserve(exchanges.size() + 1);
  std::array<std::string, kTrafficColumns> header;
  std::copy(kTrafficHeaders.begin(), kTrafficHeaders.end(), header.begin());
  rows.push_back(header);
  for (const TracedExchange& exchange : exchanges) rows.push_back(TrafficCells(exchange));
  std::array<std::size_t, kTrafficColumns> widths{};
  for (const auto& row : rows) {
    for (int c = 0; c < kTrafficColumns; ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (int c = 0; c < kTrafficColumns; ++c) {
      if (c > 0) line += "  ";
      // Numbers to the right, words to the left, the last column not padded.
      const bool number = c == 0 || c == 2 || c == 3;
      const std::string pad(widths[c] - row[c].size(), ' ');
      if (number) {
        line += pad + row[c];
      } else {
        line += row[c];
        if (c + 1 < kTrafficColumns) line += pad;
      }
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out += line + '\n';
  }
  return out;
}

std::string TrafficCsv(std::span<const TracedExchange> exchanges) {
  std::string out;
  auto addRow = [&out](const auto& cells) {
    for (int c = 0; c < kTrafficColumns; ++c) {
      if (c > 0) out += ',';
      out += CsvField(std::string(cells[c]));
    }
    out += "\r\n";
  };
  addRow(kTrafficHeaders);
  for (const TracedExchange& exchange : exchanges) addRow(TrafficCells(exchange));
  return out;
}

}  // namespace tamarack
