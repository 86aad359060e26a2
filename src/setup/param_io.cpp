#include "setup/param_io.h"

namespace tamarack {
namespace {

// The longest value looked for before giving up on the closing "E".
constexpr std::size_t kMaxValueLength = 30;
constexpr std::size_t kValueOffset = 7;  // after "Pgg.nn="

}  // namespace

ReadParamResult ReadParam(SerialLink& link, UserFeedback& ui, ParamAddress address) {
  ReadParamResult result;
  ReplyArea reply;
  const Frame request = ReadParamRequest(address);
  result.status = Transact(link, ui, request, kReadParamWaitMs, reply);
  if (result.status != TransactStatus::kOk) return result;

  if (!reply.StartsWith("P" + address.Text() + "=")) {
    result.status = TransactStatus::kBad;
    return result;
  }
  std::string value;
  for (std::size_t i = 0; i < kMaxValueLength; ++i) {
    const std::uint8_t byte = reply.bytes[kValueOffset + i];
    if (byte == 'E') {
      result.value = std::move(value);
      return result;
    }
    if (byte == 0) {
      result.status = TransactStatus::kBad;
      return result;
    }
    value += static_cast<char>(byte);
  }
  return result;  // no "E" within 30 characters: status 0, no value
}

TransactStatus WriteParamValue(SerialLink& link, UserFeedback& ui, ParamAddress address,
                               std::string_view value, std::uint32_t waitMs,
                               std::string_view waitText) {
  if (value.size() != 6) return TransactStatus::kBad;
  ReplyArea reply;
  const Frame request = WriteParamRequest(address, value);
  return RequireOk(Transact(link, ui, request, waitMs, reply, waitText), reply);
}

}  // namespace tamarack
