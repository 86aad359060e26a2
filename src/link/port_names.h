#pragma once

#include <string>
#include <string_view>

namespace tamarack {

// The ports every list offers first, whether or not they exist: "COM1" to "COM6".
inline constexpr int kComPortCount = 6;
// "COM3" for 3.
std::string ComPortName(int number);

// The device a port name opens: "COM3" is /dev/ttyS2 on Linux; on Windows, and for any other
// name, the name is the device.
std::string DeviceFor(std::string_view port);

// The names that open a simulated indicator. "Simulator" (the Comm list) opens the program's one
// built-in simulated indicator, which keeps its state until the program ends; "sim" (--port and
// inventories) starts one of its own that stops when its port closes, so that every row of a
// fleet has its own.
inline constexpr const char* kSimulatorPort = "Simulator";
inline constexpr const char* kSimPortName = "sim";

}  // namespace tamarack
