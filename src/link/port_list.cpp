#include "link/port_list.h"

#include <QSerialPortInfo>
#include <algorithm>

#include "link/port_names.h"

namespace tamarack {

std::vector<SerialDevice> SerialDevices() {
  std::vector<SerialDevice> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    devices.push_back({info.systemLocation().toStdString(), info.portName().toStdString(),
                       info.description().toStdString(), info.manufacturer().toStdString(),
                       info.serialNumber().toStdString(),
                       info.hasVendorIdentifier() ? info.vendorIdentifier() : 0,
                       info.hasProductIdentifier() ? info.productIdentifier() : 0});
  }
  return devices;
}

std::vector<PortEntry> PortEntries() {
  std::vector<PortEntry> entries;
  std::vector<std::string> comDevices;
  for (int n = 1; n <= kComPortCount; ++n) {
    const std::string name = ComPortName(n);
    entries.push_back({name, name});
    comDevices.push_back(DeviceFor(name));
  }
  const auto listed = [&](const std::string& location) {
    return std::ranges::find(comDevices, location) != comDevices.end() ||
           std::ranges::any_of(entries, [&](const PortEntry& e) { return e.port == location; });
  };
  for (const SerialDevice& device : SerialDevices()) {
    if (listed(device.location)) continue;
    entries.push_back({device.location, device.description.empty()
                                            ? device.location
                                            : device.location + " (" + device.description + ")"});
  }
  entries.push_back({std::string(kSimulatorPort), std::string(kSimulatorPort)});
  return entries;
}

}  // namespace tamarack
