#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/line_settings.h"
#include "link/serial_link.h"

namespace tamarack {

// All 36 line settings the indicator may run at, most common first: 9600 8N1, the other speeds at
// 8N1, 7 data bits with even and then odd parity at each speed, then the rest.
std::vector<LineSettings> FinderOrder();

// Read time-outs fitted to the wire time of the display poll at `setting`: long enough for the
// request to arrive, the indicator to answer and the reply to come in, far below the usual second.
ReadTimeouts FinderTimeouts(const LineSettings& setting);

// A port to search: the name the Comm list shows ("COM2", "Simulator") and what to open for it
// (the device, a URL, or "Simulator" itself, which OpenLink starts).
struct FinderPort {
  std::string name;
  std::string device;
};

// Opens `device` at `setting` with FinderTimeouts; the link closes the port when destroyed.
// Nothing, with `error` set to the message the user would see, when the port cannot be opened.
using FinderLinkFactory = std::function<std::unique_ptr<SerialLink>(
    const std::string& device, const LineSettings& setting, std::string& error)>;

struct FinderTry {
  const FinderPort* port;
  LineSettings setting;
  int number;  // 1-based, over all ports
  int total;
};
// Told before each try; returns false to stop the search there.
using FinderProgress = std::function<bool(const FinderTry&)>;

struct FinderResult {
  enum class Outcome { kFound, kNotFound, kCancelled };
  Outcome outcome = Outcome::kNotFound;
  FinderPort port;       // kFound: where it answered
  LineSettings setting;  // kFound: at which setting
  int tries = 0;         // polls sent
  // Ports that could not be opened, with the message of the failure, in search order.
  std::vector<std::pair<std::string, std::string>> openFailures;
};

// Looks for the indicator: on each port in turn, one display poll at each setting in FinderOrder,
// until a reply passes the frame check. A port that cannot be opened is passed over. No port is
// left open when it returns.
FinderResult FindIndicator(std::span<const FinderPort> ports, const FinderLinkFactory& factory,
                           const FinderProgress& progress = {});

// "Indicator found on COM2 at 4800 8 2 NOPARITY"
std::string FoundText(const FinderResult& result);
// "No indicator answered on COM2." (the ports named in search order)
std::string NotFoundText(std::span<const FinderPort> ports);

}  // namespace tamarack
