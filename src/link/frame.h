#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tamarack {

// Every frame, request or reply, begins 01 31 02.
inline constexpr std::uint8_t kSoh = 0x01;
inline constexpr std::uint8_t kAddress = 0x31;
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
// Requests are copied into, and replies read into, areas of this size.
inline constexpr std::size_t kAreaSize = 300;

using Frame = std::vector<std::uint8_t>;

// Check character of the short form (requests and all replies): the XOR of the payload and the
// closing 03, with bits 4 and 5 set.
std::uint8_t ShortCheck(std::span<const std::uint8_t> payload);
// Check character of the long form: the XOR of the body, with bits 4 and 5 set.
std::uint8_t LongCheck(std::span<const std::uint8_t> body);

// 01 31 02, payload, 03, check. Also the form of every reply.
Frame ShortFrame(std::span<const std::uint8_t> payload);
Frame ShortFrame(std::string_view payload);
// 01 31 02 'F', count byte N = body size, the body, check; no 03. The body must be at most 255
// bytes (callers keep it far below that).
Frame LongFrame(std::span<const std::uint8_t> body);

std::span<const std::uint8_t> AsBytes(std::string_view text);

// The caller's 300-byte reply area. The exchange stores the payload from offset 0 without a
// terminator; text payloads end at the first zero byte. `length` says how many bytes the last
// exchange stored, so that a short reply can be told apart from one that carries zeros.
struct ReplyArea {
  std::array<std::uint8_t, kAreaSize> bytes{};
  std::size_t length = 0;

  void Clear() {
    bytes.fill(0);
    length = 0;
  }
  // The payload as text: everything before the first zero byte.
  std::string_view Text() const;
  bool StartsWith(std::string_view prefix) const;
};

}  // namespace tamarack
