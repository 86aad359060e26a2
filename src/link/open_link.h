#pragma once

#include <memory>

#include "feedback/user_feedback.h"
#include "link/line_finder.h"
#include "link/line_settings.h"
#include "link/port_link.h"

namespace tamarack {

namespace sim {
class Simulator;
}

// Opens the port that `line.port` names, at `line.settings`: a "socket://host:port" or
// "rfc2217://host:port" URL (over RFC 2217 the settings go to the server), "Simulator" or "sim"
// (a simulated indicator, see kSimulatorPort), or a local serial port ("COM1", "/dev/ttyUSB0").
// The link names the port as `line` does. Nothing after telling the user why not.
std::unique_ptr<PortLink> OpenLink(const PortLine& line, UserFeedback& ui);

// The simulated indicator behind a port that OpenLink opened as "sim" or "Simulator", for a
// caller that places the loads on its scale or gives it errors; null for any other port.
sim::Simulator* SimulatorOf(PortLink& link);

// The finder's links, opened through OpenLink with read time-outs fitted to each try: over
// RFC 2217 each try sets the line through the protocol; behind a raw TCP server the line is the
// server's, so every try polls at that one setting.
FinderLinkFactory PortFinderFactory();

}  // namespace tamarack
