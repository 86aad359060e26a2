#include "link/port_names.h"

namespace tamarack {

std::string ComPortName(int number) {
  return "COM" + std::to_string(number);
}

std::string DeviceFor(std::string_view port) {
#ifdef _WIN32
  return std::string(port);
#else
  if (port.size() > 3 && port.size() <= 6 && port.substr(0, 3) == "COM" &&
      port.find_first_not_of("0123456789", 3) == std::string_view::npos) {
    const int n = std::stoi(std::string(port.substr(3)));
    if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
  }
  return std::string(port);
#endif
}

}  // namespace tamarack
