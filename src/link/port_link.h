#pragma once

#include "link/serial_link.h"

namespace tamarack {

// A port the program has opened: the local serial port or a link to a serial device server.
class PortLink : public SerialLink {
 public:
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
};

}  // namespace tamarack
