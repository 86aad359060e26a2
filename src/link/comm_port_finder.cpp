#include "link/comm_port_finder.h"

#include <memory>

#include "feedback/user_feedback.h"
#include "link/comm_port.h"

namespace tamarack {

PortSettings SettingsFor(const std::string& device, const LineSetting& setting) {
  PortSettings settings;
  settings.port = device;
  settings.baud = setting.baud;
  settings.dataBits = setting.dataBits;
  settings.stopBits = setting.stopBits;
  settings.parity = setting.parity;
  return settings;
}

FinderLinkFactory CommPortFinderFactory() {
  return [](const std::string& device, const LineSetting& setting,
            std::string& error) -> std::unique_ptr<SerialLink> {
    auto port = std::make_unique<CommPort>();
    const PortSettings settings = SettingsFor(device, setting);
    SilentFeedback failure;
    if (port->Open(settings, failure) != 1) {
      error = failure.Last();
      return nullptr;
    }
    port->SetReadTimeouts(FinderTimeouts(setting));
    return port;
  };
}

}  // namespace tamarack
