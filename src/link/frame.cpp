#include "link/frame.h"

#include <algorithm>
#include <cassert>

namespace tamarack {
namespace {

std::uint8_t Xor(std::span<const std::uint8_t> bytes) {
  std::uint8_t x = 0;
  for (std::uint8_t b : bytes) x ^= b;
  return x;
}

}  // namespace

std::uint8_t ShortCheck(std::span<const std::uint8_t> payload) {
  return static_cast<std::uint8_t>((Xor(payload) ^ kEtx) | 0x30);
}

std::uint8_t LongCheck(std::span<const std::uint8_t> body) {
  return static_cast<std::uint8_t>(Xor(body) | 0x30);
}

Frame ShortFrame(std::span<const std::uint8_t> payload) {
  Frame f{kSoh, kAddress, kStx};
  f.insert(f.end(), payload.begin(), payload.end());
  f.push_back(kEtx);
  f.push_back(ShortCheck(payload));
  return f;
}

Frame ShortFrame(std::string_view payload) {
  return ShortFrame(AsBytes(payload));
}

Frame LongFrame(std::span<const std::uint8_t> body) {
  assert(body.size() <= 255);
  Frame f{kSoh, kAddress, kStx, 'F', static_cast<std::uint8_t>(body.size())};
  f.insert(f.end(), body.begin(), body.end());
  f.push_back(LongCheck(body));
  return f;
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string_view ReplyArea::Text() const {
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return {reinterpret_cast<const char*>(bytes.data()),
          static_cast<std::size_t>(end - bytes.begin())};
}

bool ReplyArea::StartsWith(std::string_view prefix) const {
  return Text().starts_with(prefix);
}

}  // namespace tamarack
