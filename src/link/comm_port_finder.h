#pragma once

#include <string>

#include "link/comm_port.h"
#include "link/line_finder.h"

namespace tamarack {

// The port settings of one of the finder's tries.
PortSettings SettingsFor(const std::string& device, const LineSetting& setting);

// Opens a CommPort for each try of the finder, with its read time-outs fitted to the setting.
FinderLinkFactory CommPortFinderFactory();

}  // namespace tamarack
