#pragma once

#include <string>
#include <vector>

namespace tamarack {

// A serial device as the system reports it.
struct SerialDevice {
  std::string location;  // what opens it: "/dev/ttyUSB0", "COM7"
  std::string name;      // "ttyUSB0"
  std::string description;
  std::string manufacturer;
  // Of a USB adapter; empty, or 0 for an identifier, where the system does not tell.
  std::string serialNumber;
  int vendorId = 0;
  int productId = 0;
};

// Every serial device the system reports now.
std::vector<SerialDevice> SerialDevices();

// An entry of a port list: the name that opens it and what the list shows for it.
struct PortEntry {
  std::string port;   // "/dev/ttyUSB0"
  std::string shown;  // "/dev/ttyUSB0 (USB serial adapter)"
  friend bool operator==(const PortEntry&, const PortEntry&) = default;
};

// The ports to choose from: "COM1".."COM6", then each serial device the system reports that they
// do not already name (with the description the system gives it), then "Simulator".
std::vector<PortEntry> PortEntries();

}  // namespace tamarack
