#pragma once

#include <string_view>

#include "link/line_settings.h"
#include "link/serial_link.h"

namespace tamarack {

// The messages of a failed open of any port, shown with the caption "Error Information".
inline constexpr std::string_view kPortMissing = "CommPort not Exist!";
inline constexpr std::string_view kPortBusy = "CommPort Already OPened!";
// Followed by a full-width colon and the platform error code in decimal.
inline constexpr std::string_view kPortUndefined = "Undefined Error Code";
inline constexpr std::string_view kFullWidthColon = "\xEF\xBC\x9A";  // U+FF1A

// A port the program has opened: a local serial port (a simulated indicator's included) or a link
// to a serial device server.
class PortLink : public SerialLink {
 public:
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // What was opened: the port as the user named it and the line settings it was opened with.
  // Whatever is kept of a session (the history, the service record) names the port by it.
  virtual const PortLine& Opened() const = 0;
  // Replaces the read time-out contract for the reads that follow (the finder keeps its tries
  // short). Opening does not change it.
  virtual void SetReadTimeouts(const ReadTimeouts& timeouts) = 0;
};

}  // namespace tamarack
