#pragma once

#include <string>
#include <string_view>

namespace tamarack {

// The second line of a failed open, saying what stands in the way and what to do about it.

// The user may not open the device: on Linux, serial devices belong to a group (usually
// "dialout") whose members may use them, and a new membership counts from the next login.
std::string PortAccessHelp(std::string_view device, std::string_view group);
// Another program holds the device.
std::string PortBusyHelp(std::string_view device);

}  // namespace tamarack
