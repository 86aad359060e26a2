#include "link/comm_port_finder.h"

#include <memory>

#include "link/comm_port.h"

namespace tamarack {

FinderLinkFactory CommPortFinderFactory() {
  return [](const std::string& device, const LineSetting& setting,
            std::string& error) -> std::unique_ptr<SerialLink> {
    auto port = std::make_unique<CommPort>();
    PortSettings settings;
    settings.port = device;
    settings.baud = setting.baud;
    settings.dataBits = setting.dataBits;
    settings.stopBits = setting.stopBits;
    settings.parity = setting.parity;
    OpenFailure failure;
    if (port->Open(settings, failure) != 1) {
      error = failure.text;
      return nullptr;
    }
    port->SetReadTimeouts(FinderTimeouts(setting));
    return port;
  };
}

}  // namespace tamarack
