#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/console_feedback.h"
#include "link/comm_port.h"
#include "net/tcp_link.h"

namespace tamarack {
namespace sim {
class Simulator;
class PtyTransport;
}  // namespace sim

namespace cli {

// The name that stands for the built-in simulated indicator in --port and in inventories.
inline constexpr std::string_view kSimPortName = "sim";

// A simulated indicator served on its own pseudo-terminal, as the main window's "Simulator"
// starts it: paced at the wire time of 9600 8N1 and with 25 kg on the scale.
class SimHost {
 public:
  SimHost();
  ~SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  // The device to open; nothing, with `error` set, when it could not be served.
  std::optional<std::string> Start(std::string* error);

 private:
  std::unique_ptr<sim::Simulator> simulator_;
  std::unique_ptr<sim::PtyTransport> transport_;
};

// The port of one command: a simulated indicator started for it when the port is "sim", then the
// CommPort opened at the settings, or the link to a serial device server that a "socket://" or
// "rfc2217://" URL names. The port closes, and the simulator stops, when it is destroyed.
class OpenedLine {
 public:
  // Opens the line, telling `ui` why not (the port's own message, "CommPort not Exist!" ...).
  // Nothing when it could not be opened.
  static std::unique_ptr<OpenedLine> Open(PortSettings settings, UserFeedback& ui);
  ~OpenedLine();

  SerialLink& Port() { return *link_; }
  // What the user named ("sim", "COM3", "/dev/ttyUSB0", "rfc2217://host:4001").
  const std::string& Name() const { return name_; }

 private:
  OpenedLine() = default;
  std::unique_ptr<SimHost> sim_;
  std::unique_ptr<PortLink> link_;
  std::string name_;
};

}  // namespace cli
}  // namespace tamarack
