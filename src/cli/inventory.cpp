#include "cli/inventory.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "files/text_fields.h"
#include "link/port_names.h"
#include "net/net_address.h"

namespace tamarack::cli {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(TrimBlanks(line.substr(start, comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

// The device that a port name opens, so that two spellings of one device are caught.
std::string DeviceKey(const std::string& port) {
  // A device server is one device whichever protocol reaches it; host names ignore case.
  if (const std::optional<NetAddress> address = ParseNetUrl(port, nullptr)) {
    return "net:" + AsciiLower(address->host) + ":" + std::to_string(address->port);
  }
  // Otherwise two names clash when they open one device; Windows ignores the case of its names.
#ifdef _WIN32
  return AsciiLower(DeviceFor(port));
#else
  return DeviceFor(port);
#endif
}

}  // namespace

std::string CheckPortName(std::string_view port) {
  if (!IsNetworkName(port)) return {};
  std::string error;
  if (ParseNetUrl(port, &error)) return {};
  return "port \"" + std::string(port) + "\": " + error;
}

std::string ParseBaud(std::string_view text, int& baud) {
  if (text == "2400" || text == "4800" || text == "9600") {
    baud = std::stoi(std::string(text));
    return {};
  }
  return "baud must be 2400, 4800 or 9600, not \"" + std::string(text) + "\"";
}

std::string ParseDataBits(std::string_view text, int& dataBits) {
  if (text == "7" || text == "8") {
    dataBits = text[0] - '0';
    return {};
  }
  return "data bits must be 7 or 8, not \"" + std::string(text) + "\"";
}

std::string ParseStopBits(std::string_view text, int& stopBits) {
  if (text == "1" || text == "2") {
    stopBits = text[0] - '0';
    return {};
  }
  return "stop bits must be 1 or 2, not \"" + std::string(text) + "\"";
}

std::string ParseParity(std::string_view text, Parity& parity) {
  const std::string lower = AsciiLower(text);
  if (lower == "noparity" || lower == "none") {
    parity = Parity::kNone;
  } else if (lower == "evenparity" || lower == "even") {
    parity = Parity::kEven;
  } else if (lower == "oddparity" || lower == "odd") {
    parity = Parity::kOdd;
  } else {
    return "parity must be NOPARITY, EVENPARITY or ODDPARITY, not \"" + std::string(text) + "\"";
  }
  return {};
}

std::string CheckScaleName(std::string_view scale) {
  const std::size_t slash = scale.find('/');
  if (slash == std::string_view::npos || TrimBlanks(scale.substr(0, slash)).empty() ||
      TrimBlanks(scale.substr(slash + 1)).empty()) {
    return "a scale is named SITE/TAG, not \"" + std::string(scale) + "\"";
  }
  return {};
}

Inventory ParseInventory(std::string_view text, const LineSettings& defaults) {
  Inventory inventory;
  bool scales = false;  // the header names the seventh field
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimBlanks(text.substr(start, end - start));
    start = end + 1;
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const std::vector<std::string_view> fields = SplitFields(line);
    if (number == 1 && AsciiLower(fields[0]) == "port") {
      scales = fields.size() == 7 && AsciiLower(fields[6]) == "scale";
      continue;
    }
    const auto fail = [&](std::string reason) {
      inventory.errors.push_back({number, std::move(reason)});
    };
    if (line.find('"') != std::string_view::npos) {
      fail("quotes are not allowed");
      continue;
    }
    if (!scales && fields.size() > 6) {
      fail("more than 6 fields (port,baud,data,stop,parity,file)");
      continue;
    }
    if (scales && fields.size() > 7) {
      fail("more than 7 fields (port,baud,data,stop,parity,file,scale)");
      continue;
    }
    if (fields[0].empty()) {
      fail("no port");
      continue;
    }
    InventoryRow row;
    row.line = number;
    row.port = {std::string(fields[0]), defaults};
    std::string error = CheckPortName(fields[0]);
    const auto field = [&](std::size_t i) {
      return i < fields.size() ? fields[i] : std::string_view();
    };
    if (error.empty() && !field(1).empty()) error = ParseBaud(field(1), row.port.settings.baud);
    if (error.empty() && !field(2).empty())
      error = ParseDataBits(field(2), row.port.settings.dataBits);
    if (error.empty() && !field(3).empty())
      error = ParseStopBits(field(3), row.port.settings.stopBits);
    if (error.empty() && !field(4).empty()) error = ParseParity(field(4), row.port.settings.parity);
    if (error.empty() && !field(6).empty()) error = CheckScaleName(field(6));
    if (!error.empty()) {
      fail(error);
      continue;
    }
    row.file = std::string(field(5));
    row.scale = std::string(field(6));
    inventory.rows.push_back(std::move(row));
  }
  return inventory;
}

std::vector<std::string> DuplicatePorts(const std::vector<InventoryRow>& rows,
                                        std::string_view simName) {
  std::vector<std::string> clashes;
  std::map<std::string, const InventoryRow*> seen;
  for (const InventoryRow& row : rows) {
    if (row.port.port == simName) continue;
    const auto [it, fresh] = seen.emplace(DeviceKey(row.port.port), &row);
    if (!fresh) {
      clashes.push_back("lines " + std::to_string(it->second->line) + " and " +
                        std::to_string(row.line) + " both name " + row.port.port);
    }
  }
  return clashes;
}

std::size_t OpenFilesNeeded(const std::vector<InventoryRow>& rows, std::string_view simName) {
  // Counted on Linux: standard streams and Qt's own; per row, the thread's event notifier and the
  // two files it may be replacing at its end (log and output).
  constexpr std::size_t kProgram = 16, kRow = 3;
  constexpr std::size_t kDevice = 2;   // the device and its lock file
  constexpr std::size_t kNetwork = 1;  // the socket
  // The device, its lock, the pseudo-terminal's other end and the simulator's end and wake pipe.
  constexpr std::size_t kSimulator = 6;
  std::size_t needed = kProgram;
  for (const InventoryRow& row : rows) {
    needed += kRow + (row.port.port == simName       ? kSimulator
                      : IsNetworkName(row.port.port) ? kNetwork
                                                     : kDevice);
  }
  return needed;
}

}  // namespace tamarack::cli
