#pragma once

#include <memory>

#include "feedback/user_feedback.h"
#include "link/comm_port.h"
#include "link/line_finder.h"
#include "link/port_link.h"

namespace tamarack {

// Opens the port that `settings.port` names: a "socket://host:port" or "rfc2217://host:port" URL,
// or a local serial port ("COM1", "/dev/ttyUSB0"). nullptr after telling the user why not.
std::unique_ptr<PortLink> OpenLink(const PortSettings& settings, UserFeedback& ui);

// The finder's links for local ports and device servers alike: over RFC 2217 each try sets the
// line through the protocol. Behind a raw TCP server the line is the server's, so every try
// polls at that one setting.
FinderLinkFactory PortFinderFactory();

}  // namespace tamarack
