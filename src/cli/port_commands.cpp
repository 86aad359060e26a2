#include "cli/port_commands.h"

#include <QJsonArray>
#include <algorithm>
#include <iostream>

#include "link/line_finder.h"
#include "link/open_link.h"
#include "link/port_list.h"
#include "link/port_names.h"
#include "sim/builtin_simulator.h"
#include "ui/text.h"

namespace tamarack::cli {

namespace {

// A USB identifier as lsusb and udev write it ("0403"); null where the system gives none.
QJsonValue UsbId(int id) {
  if (id == 0) return QJsonValue::Null;
  return QString("%1").arg(id, 4, 16, QChar('0'));
}

}  // namespace

QJsonObject PortsDocument(const std::vector<SerialDevice>& devices) {
  QJsonArray list;
  for (const SerialDevice& device : devices) {
    list.append(QJsonObject{{"port", FromUtf8(device.location)},
                            {"device", FromUtf8(device.location)},
                            {"name", FromUtf8(device.name)},
                            {"description", FromUtf8(device.description)},
                            {"manufacturer", FromUtf8(device.manufacturer)},
                            {"serialNumber", FromUtf8(device.serialNumber)},
                            {"vendorId", UsbId(device.vendorId)},
                            {"productId", UsbId(device.productId)}});
  }
  return {{"command", "ports"}, {"status", kExitOk}, {"ports", list}};
}

int RunPorts(const Invocation& invocation) {
  const std::vector<SerialDevice> devices = SerialDevices();
  if (invocation.json) {
    std::cout << JsonText(PortsDocument(devices));
    return kExitOk;
  }
  for (const SerialDevice& device : devices) {
    std::cout << device.location + "  " + device.description << "\n";
  }
  return kExitOk;
}

int RunFind(const Invocation& invocation) {
  const PortLine& line = invocation.line;
  std::vector<FinderPort> ports;
  sim::BuiltInSimulator simulator;
  if (line.port == kSimPortName) {
    std::string error;
    const auto device = simulator.Start(&error);
    if (!device) {
      std::cerr << "The simulated indicator could not start: " << error << "\n";
      return kExitPort;
    }
    ports.push_back({std::string(kSimPortName), *device});
  } else {
    ports.push_back({line.port, DeviceFor(line.port)});
  }
  if (invocation.command.allPorts) {
    for (const PortEntry& entry : PortEntries()) {
      const std::string device = DeviceFor(entry.port);
      const bool known = std::any_of(ports.begin(), ports.end(),
                                     [&](const FinderPort& p) { return p.device == device; });
      if (entry.port != kSimulatorPort && !known) ports.push_back({entry.port, device});
    }
  }
  const std::atomic<bool>* stop = invocation.stop;
  const FinderResult result = FindIndicator(
      ports, PortFinderFactory(), [stop](const FinderTry&) { return !(stop && stop->load()); });
  const bool found = result.outcome == FinderResult::Outcome::kFound;
  if (invocation.json) {
    QJsonObject doc{{"command", "find"},
                    {"status", found ? kExitOk : kExitIndicator},
                    {"found", found},
                    {"tries", result.tries}};
    if (found) {
      doc["port"] = FromUtf8(result.port.name);
      doc["device"] = FromUtf8(result.port.device);
      doc["baud"] = result.setting.baud;
      doc["data"] = result.setting.dataBits;
      doc["stop"] = result.setting.stopBits;
      doc["parity"] = FromUtf8(ParityName(result.setting.parity));
    }
    std::cout << JsonText(doc);
  } else {
    for (const auto& [port, message] : result.openFailures) {
      std::cerr << port << ": " << message << "\n";
    }
    if (found) {
      std::cout << FoundText(result) << "\n";
    } else {
      std::cerr << NotFoundText(ports) << "\n";
    }
  }
  return found ? kExitOk : kExitIndicator;
}

}  // namespace tamarack::cli
