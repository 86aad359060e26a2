#include "link/commands.h"

#include <cassert>
#include <cstdio>

namespace tamarack {

std::string ParamAddress::Text() const {
  char text[8];
  std::snprintf(text, sizeof text, "%02d.%02d", group % 100, number % 100);
  return text;
}

Frame DisplayPollRequest() {
  return ShortFrame("R");
}

Frame KeyRequest(std::string_view keyCode) {
  assert(keyCode.size() == 2);
  return ShortFrame("K" + std::string(keyCode) + "E");
}

Frame ReadParamRequest(ParamAddress address) {
  return ShortFrame("P" + address.Text() + "=RE");
}

Frame WriteParamRequest(ParamAddress address, std::string_view value) {
  assert(value.size() == 6);
  return ShortFrame("P" + address.Text() + "=" + std::string(value) + "E");
}

Frame WriteAllRequest(std::span<const std::uint8_t, kWriteAllBlockSize> block) {
  std::vector<std::uint8_t> body{'T'};
  body.insert(body.end(), block.begin(), block.end());
  return LongFrame(body);
}

Frame SendFormatRequest(char mode, std::span<const std::uint8_t> text) {
  assert(mode == 'G' || mode == 'N');
  assert(text.size() <= 254);
  std::vector<std::uint8_t> body{static_cast<std::uint8_t>(mode)};
  body.insert(body.end(), text.begin(), text.end());
  return LongFrame(body);
}

Frame ReadFormatRequest(char which) {
  assert(which == 'A' || which == 'B');
  return ShortFrame(std::string{'A', which});
}

Frame WeightRequest(std::string_view item, std::string_view digits) {
  assert(item.size() == 2 && digits.size() == 10);
  return ShortFrame("W" + std::string(item) + std::string(digits) + "E");
}

}  // namespace tamarack
