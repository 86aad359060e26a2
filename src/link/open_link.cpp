#include "link/open_link.h"

#include "link/comm_port.h"
#include "link/port_names.h"
#include "net/net_address.h"
#include "net/rfc2217_link.h"
#include "sim/builtin_simulator.h"

namespace tamarack {
namespace {

// A port on a simulated indicator of its own, which stops once the port has closed.
class OwnSimulatorPort : public CommPort {
 public:
  ~OwnSimulatorPort() override { Close(); }

  sim::BuiltInSimulator simulator;
};

std::unique_ptr<PortLink> OpenSimulator(const PortLine& line, UserFeedback& ui) {
  std::string error;
  if (line.port == kSimulatorPort) {
    const std::optional<std::string> device = sim::ProgramSimulator().Start(&error);
    if (!device) {
      ui.PortError(kPortMissing);
      return nullptr;
    }
    auto port = std::make_unique<CommPort>();
    if (port->Open(line, ui, *device) != 1) return nullptr;
    return port;
  }
  auto port = std::make_unique<OwnSimulatorPort>();
  const std::optional<std::string> device = port->simulator.Start(&error);
  if (!device) {
    ui.PortError("The simulated indicator could not start: " + error);
    return nullptr;
  }
  if (port->Open(line, ui, *device) != 1) return nullptr;
  return port;
}

}  // namespace

std::unique_ptr<PortLink> OpenLink(const PortLine& line, UserFeedback& ui) {
  if (line.port == kSimulatorPort || line.port == kSimPortName) return OpenSimulator(line, ui);
  if (!IsNetworkName(line.port)) {
    auto local = std::make_unique<CommPort>();
    if (local->Open(line, ui) != 1) return nullptr;
    return local;
  }
  const std::optional<NetAddress> address = ParseNetUrl(line.port, nullptr);
  if (!address) {
    // A mistyped address names no device.
    ui.PortError(kPortMissing);
    return nullptr;
  }
  std::unique_ptr<TcpLink> link;
  if (address->scheme == NetScheme::kRfc2217) {
    link = std::make_unique<Rfc2217Link>();
  } else {
    link = std::make_unique<TcpLink>();
  }
  if (link->Open(*address, line, ui) != 1) return nullptr;
  return link;
}

sim::Simulator* SimulatorOf(PortLink& link) {
  if (auto* own = dynamic_cast<OwnSimulatorPort*>(&link)) return &own->simulator.Indicator();
  if (link.Opened().port == kSimulatorPort) return &sim::ProgramSimulator().Indicator();
  return nullptr;
}

FinderLinkFactory PortFinderFactory() {
  return [](const std::string& device, const LineSettings& setting,
            std::string& error) -> std::unique_ptr<SerialLink> {
    SilentFeedback failure;
    std::unique_ptr<PortLink> link = OpenLink({device, setting}, failure);
    if (!link) {
      error = failure.Last();
      return nullptr;
    }
    link->SetReadTimeouts(FinderTimeouts(setting));
    return link;
  };
}

}  // namespace tamarack
