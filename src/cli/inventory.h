#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "link/line_settings.h"

namespace tamarack::cli {

// Line option texts as the main window's lists name them ("9600", "8", "1", "NOPARITY"; parity
// also as none/even/odd). Empty when the text names one of the list's values, else what is wrong.
std::string ParseBaud(std::string_view text, int& baud);
std::string ParseDataBits(std::string_view text, int& dataBits);
std::string ParseStopBits(std::string_view text, int& stopBits);
std::string ParseParity(std::string_view text, Parity& parity);
// A port name: anything but a device server's URL passes here (the open tells whether it exists);
// a URL must read as one ("rfc2217://host:4001"). Empty when it does, else what is wrong.
std::string CheckPortName(std::string_view port);
// A scale as the command line names it, "SITE/TAG", neither part empty. Empty when it reads,
// else what is wrong.
std::string CheckScaleName(std::string_view scale);

// One indicator of a fleet: its port and line settings, and the file its command uses instead of
// the one the command line names (empty: the command line's).
struct InventoryRow {
  int line = 0;  // 1-based line of the inventory
  PortLine port;
  std::string file;
  std::string scale;  // SITE/TAG of the indicator's records; empty: the command line's
};

struct InventoryError {
  int line = 0;
  std::string reason;
};

struct Inventory {
  std::vector<InventoryRow> rows;
  std::vector<InventoryError> errors;  // malformed rows, left out of `rows`
};

// The inventory is CSV, one indicator a line: port[,baud[,data[,stop[,parity[,file]]]]]. Empty
// fields take `defaults`; blank lines, lines beginning "#" and a header line whose first field is
// "port" are passed over. Fields are trimmed; no field may hold a quote. A header whose seventh
// field is "scale" lets each row end with the SITE/TAG of its indicator's scale, so that an
// inventory without one reads exactly as before.
Inventory ParseInventory(std::string_view text, const LineSettings& defaults);

// Rows naming the same device ("COM3" and "/dev/ttyS2" are one), each pair as
// "lines 3 and 7 both name COM3". "sim" starts a simulator of its own per row and never clashes.
std::vector<std::string> DuplicatePorts(const std::vector<InventoryRow>& rows,
                                        std::string_view simName);

// The files a fleet of these rows holds open at once, the program's own included: each row's port
// and what opening it takes (a lock file; for "sim", the simulator's own pseudo-terminal), its
// thread's event loop, and the log and the file it writes as it ends.
std::size_t OpenFilesNeeded(const std::vector<InventoryRow>& rows, std::string_view simName);

}  // namespace tamarack::cli
