#include "link/transact.h"

#include <array>

namespace tamarack {
namespace {

// A read call is repeated, up to this many calls in all, only while the port reports the read
// itself as failed; a read that times out with fewer bytes counts as done.
constexpr int kReadCalls = 20;

std::size_t ReadSome(SerialLink& link, std::uint8_t* buffer, std::size_t size) {
  for (int call = 0; call < kReadCalls; ++call) {
    const int got = link.Read(buffer, size);
    if (got >= 0) return static_cast<std::size_t>(got);
  }
  return 0;
}

TransactStatus Exchange(SerialLink& link, UserFeedback& ui, std::span<const std::uint8_t> request,
                        std::uint32_t waitMs, ReplyArea& reply, std::string_view waitText) {
  auto status = TransactStatus::kOk;

  link.ClearErrors();
  link.PurgeTransmit();
  link.PurgeReceive();
  link.Write(request.data(), request.size());
  if (!link.PurgeTransmit()) {
    ui.SystemError(PortFailureText(link.LastError()));
    status = TransactStatus::kPurgeFailed;
  }

  if (waitMs < kLongWaitMs) {
    ui.ShortWait(waitMs);
  } else {
    ui.LongWait(waitMs, waitText);
  }

  std::array<std::uint8_t, 3> head{};
  if (ReadSome(link, head.data(), head.size()) != head.size() || head[0] != kSoh ||
      head[1] != kAddress || head[2] != kStx) {
    return TransactStatus::kBad;
  }

  std::uint8_t check = 0;
  std::size_t count = 0;
  for (;;) {
    std::uint8_t byte = 0;
    if (ReadSome(link, &byte, 1) != 1) return TransactStatus::kBad;
    if (byte == kEtx) break;
    reply.bytes[count++] = byte;
    reply.length = count;
    check ^= byte;
    if (count == kAreaSize) return TransactStatus::kBad;
  }

  std::uint8_t got = 0;
  if (ReadSome(link, &got, 1) != 1) return TransactStatus::kBad;
  const auto expected = static_cast<std::uint8_t>((check ^ kEtx) | 0x30);
  return got == expected ? status : TransactStatus::kBad;
}

}  // namespace

TransactStatus Transact(SerialLink& link, UserFeedback& ui, std::span<const std::uint8_t> request,
                        std::uint32_t waitMs, ReplyArea& reply, std::string_view waitText) {
  reply.length = 0;
  if (request.empty() || request.size() > kAreaSize) return TransactStatus::kBad;
  const TransactStatus status = Exchange(link, ui, request, waitMs, reply, waitText);
  link.ExchangeEnded(waitMs, static_cast<int>(status));
  return status;
}

std::string_view PortFailureText(int lastError) {
  return lastError == kErrorInvalidHandle ? "ERROR_INVALID_HANDLE" : "UNKNOW_ERROR";
}

TransactStatus RequireOk(TransactStatus status, const ReplyArea& reply) {
  if (status == TransactStatus::kOk && !reply.StartsWith("OK")) return TransactStatus::kBad;
  return status;
}

}  // namespace tamarack
