#pragma once

#include <string_view>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "link/transact.h"

namespace tamarack {

// Tells the indicator to act as if a key had been pressed, or to carry out one of its setup
// actions (see the key:: codes). Succeeds when the reply begins "OK". Shows nothing itself beyond
// the port failures that Transact reports.
TransactStatus SendKeyCommand(SerialLink& link, UserFeedback& ui, std::string_view keyCode);

}  // namespace tamarack
