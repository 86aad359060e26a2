#pragma once

#include <string>

#include "link/comm_port.h"
#include "link/line_finder.h"
#include "link/user_feedback.h"

namespace tamarack {

// Keeps the message of a failed open instead of showing it.
class OpenFailure : public UserFeedback {
 public:
  std::string text;

  void Success(std::string_view) override {}
  void Failure(std::string_view message) override { text = message; }
  void PortError(std::string_view message) override { text = message; }
  void SystemError(std::string_view message) override { text = message; }
  bool AskYesNo(std::string_view) override { return false; }
  bool AskRetryCancel(std::string_view) override { return false; }
  void LongWait(std::uint32_t ms, int) override { PreciseSleep(ms); }
};

// The port settings of one of the finder's tries.
PortSettings SettingsFor(const std::string& device, const LineSetting& setting);

// Opens a CommPort for each try of the finder, with its read time-outs fitted to the setting.
FinderLinkFactory CommPortFinderFactory();

}  // namespace tamarack
