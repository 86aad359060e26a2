#pragma once

#include <chrono>

namespace tamarack::sim {

// The character format of the serial line: what one byte costs on the wire.
struct LineSettings {
  int baud = 9600;
  int dataBits = 8;   // 7 or 8
  char parity = 'N';  // 'N', 'E' or 'O'
  int stopBits = 1;   // 1 or 2

  // Start bit, data bits, parity bit (if any) and stop bits.
  int BitsPerByte() const { return 1 + dataBits + (parity == 'N' ? 0 : 1) + stopBits; }
  // How long one byte takes on the wire: 1.0417 ms at 9600 baud 8N1.
  std::chrono::nanoseconds ByteTime() const {
    return std::chrono::nanoseconds(1'000'000'000LL * BitsPerByte() / (baud > 0 ? baud : 1));
  }
};

}  // namespace tamarack::sim
