#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "link/commands.h"
#include "link/serial_link.h"
#include "link/transact.h"

namespace tamarack {

struct ReadParamResult {
  TransactStatus status = TransactStatus::kBad;
  std::string value;  // the characters between "=" and "E"; empty when none were found
};

// One read exchange "Pgg.nn=RE" with a 20 ms wait. The reply must echo "Pgg.nn="; the value runs
// from there to the first "E". A reply that ends before its "E" is bad; a value of 30 characters
// without an "E" comes back with status 0 and no characters (the caller's length check refuses
// it). Shows nothing itself beyond the port failures that Transact reports.
ReadParamResult ReadParam(SerialLink& link, UserFeedback& ui, ParamAddress address);

// One write exchange "Pgg.nn=vvvvvvE" (value: six characters). Succeeds only when the reply
// begins "OK". The calibration steps use the same request with their own waits.
TransactStatus WriteParamValue(SerialLink& link, UserFeedback& ui, ParamAddress address,
                               std::string_view value, std::uint32_t waitMs = kWriteParamWaitMs,
                               std::string_view waitText = kWZeroWaitText);

}  // namespace tamarack
