#include "link/line_settings.h"

namespace tamarack {

std::string_view ParityName(Parity parity) {
  switch (parity) {
    case Parity::kEven:
      return "EVENPARITY";
    case Parity::kOdd:
      return "ODDPARITY";
    case Parity::kNone:
      break;
  }
  return "NOPARITY";
}

std::string LineSettings::Text() const {
  return std::to_string(baud) + " " + std::to_string(dataBits) + " " + std::to_string(stopBits) +
         " " + std::string(ParityName(parity));
}

std::string LineSettings::Description() const {
  const char* parityName = "?";
  switch (parity) {
    case Parity::kNone:
      parityName = "none";
      break;
    case Parity::kEven:
      parityName = "even";
      break;
    case Parity::kOdd:
      parityName = "odd";
      break;
  }
  return std::to_string(baud) + " baud, " + std::to_string(dataBits) + " data bits, parity " +
         parityName + ", " + std::to_string(stopBits) +
         (stopBits == 1 ? " stop bit" : " stop bits");
}

int LineSettings::BitsPerByte() const {
  return 1 + dataBits + (parity == Parity::kNone ? 0 : 1) + stopBits;
}

std::chrono::nanoseconds LineSettings::ByteTime() const {
  return std::chrono::nanoseconds(1'000'000'000LL * BitsPerByte() / (baud > 0 ? baud : 1));
}

}  // namespace tamarack
