#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "feedback/user_feedback.h"
#include "link/frame.h"
#include "link/serial_link.h"

namespace tamarack {

enum class TransactStatus : int {
  kOk = 0,           // the reply arrived and its check character matched
  kPurgeFailed = 3,  // the transmit queue failed to purge after the write (already reported)
  kBad = 5,          // no reply, a malformed reply or a wrong check character
};

// Waits from this length on show the wait dialog; shorter ones block quietly.
inline constexpr std::uint32_t kLongWaitMs = 1500;
// What the wait window says during an exchange's long wait unless the caller says otherwise.
inline constexpr std::string_view kWZeroWaitText = "WZERO Processing , Please Wait...";
// Replies may carry at most this many payload bytes.
inline constexpr std::size_t kMaxReplyPayload = kAreaSize - 1;

// One exchange with the indicator: clear line errors, purge both queues, write the request, purge
// the transmit queue (reporting a failure to the user), wait `waitMs`, then read and check one
// reply frame into `reply`. The caller zero-fills `reply` first; `reply.length` counts the payload
// bytes stored, also when the exchange ends bad. A request outside 1..300 bytes is not sent and
// ends with kBad.
TransactStatus Transact(SerialLink& link, UserFeedback& ui, std::span<const std::uint8_t> request,
                        std::uint32_t waitMs, ReplyArea& reply,
                        std::string_view waitText = kWZeroWaitText);

// The text that reports a port failing in the middle of an exchange: the platform's name for an
// invalid handle, anything else as an unknown error.
std::string_view PortFailureText(int lastError);

// The usual judgement of a reply that should begin "OK": a good exchange whose payload does not
// begin "OK" becomes kBad; any other status stays as it was.
TransactStatus RequireOk(TransactStatus status, const ReplyArea& reply);

}  // namespace tamarack
