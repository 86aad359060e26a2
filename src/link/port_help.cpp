#include "link/port_help.h"

namespace tamarack {

std::string PortAccessHelp(std::string_view device, std::string_view group) {
  const std::string name = group.empty() ? std::string("dialout") : std::string(group);
  return "You may not open " + std::string(device) + ": only members of the group \"" + name +
         "\" may. Add yourself to it (sudo adduser $USER " + name +
         "), then log out and log in again.";
}

std::string PortBusyHelp(std::string_view device) {
  return "Another program is using " + std::string(device) + "; close it there first.";
}

}  // namespace tamarack
