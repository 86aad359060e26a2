#include "cli/cli_port.h"

#include "link/open_link.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"

namespace tamarack::cli {

SimHost::SimHost() = default;

SimHost::~SimHost() {
  if (transport_) transport_->Stop();
}

std::optional<std::string> SimHost::Start(std::string* error) {
  simulator_ = std::make_unique<sim::Simulator>();
  simulator_->With([](sim::SimulatedIndicator& m) { m.SetLoad(25.0); });
  sim::PtyTransport::Options options;
  options.pacing = true;
  transport_ = std::make_unique<sim::PtyTransport>(*simulator_, options);
  if (!transport_->Start(error)) return std::nullopt;
  return transport_->DevicePath();
}

std::unique_ptr<OpenedLine> OpenedLine::Open(PortSettings settings, UserFeedback& ui) {
  std::unique_ptr<OpenedLine> line(new OpenedLine);
  line->name_ = settings.port;
  if (settings.port == kSimPortName) {
    line->sim_ = std::make_unique<SimHost>();
    std::string error;
    const std::optional<std::string> device = line->sim_->Start(&error);
    if (!device) {
      ui.PortError("The simulated indicator could not start: " + error);
      return nullptr;
    }
    settings.port = *device;
  }
  line->link_ = OpenLink(settings, ui);
  if (!line->link_) return nullptr;
  return line;
}

OpenedLine::~OpenedLine() {
  if (link_) link_->Close();
}

}  // namespace tamarack::cli
