#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace tamarack {

// In the order of the main window's Parity list.
enum class Parity { kNone, kEven, kOdd };

// "NOPARITY", "EVENPARITY", "ODDPARITY": the Parity list's names.
std::string_view ParityName(Parity parity);

// The character format of the serial line: what the main window's lists choose, what a port opens
// with and what one byte costs on the wire.
struct LineSettings {
  int baud = 9600;   // 2400, 4800 or 9600
  int dataBits = 8;  // 7 or 8
  int stopBits = 1;  // 1 or 2
  Parity parity = Parity::kNone;

  // "9600 8 1 NOPARITY", as the finder names a setting.
  std::string Text() const;
  // "9600 baud, 8 data bits, parity none, 1 stop bit", as the history and the service record
  // keep it.
  std::string Description() const;
  // Start bit, data bits, parity bit (if any) and stop bits.
  int BitsPerByte() const;
  // How long one byte takes on the wire: 1.0417 ms at 9600 baud 8N1.
  std::chrono::nanoseconds ByteTime() const;

  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// A port as it is opened: the name the user chose it by ("COM1", "/dev/ttyUSB0", "Simulator",
// "rfc2217://host:4001") and the line it runs at. Whatever names a port travels with its line
// settings in this form.
struct PortLine {
  std::string port;
  LineSettings settings;
};

}  // namespace tamarack
