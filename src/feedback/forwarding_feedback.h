#pragma once

#include <cstdint>
#include <string_view>

#include "feedback/user_feedback.h"

namespace tamarack {

// Passes every message, question and wait on to another feedback. A decorator derives from it and
// overrides only what it adds.
class ForwardingFeedback : public UserFeedback {
 public:
  explicit ForwardingFeedback(UserFeedback& inner) : inner_(inner) {}

  UserFeedback& Inner() const { return inner_; }

  void Success(std::string_view text) override { inner_.Success(text); }
  void Failure(std::string_view text) override { inner_.Failure(text); }
  void PortError(std::string_view text) override { inner_.PortError(text); }
  void SystemError(std::string_view text) override { inner_.SystemError(text); }
  bool AskYesNo(std::string_view text) override { return inner_.AskYesNo(text); }
  bool AskRetryCancel(std::string_view text) override { return inner_.AskRetryCancel(text); }
  void ShortWait(std::uint32_t ms) override { inner_.ShortWait(ms); }
  void LongWait(std::uint32_t ms, std::string_view text) override { inner_.LongWait(ms, text); }

 private:
  UserFeedback& inner_;
};

}  // namespace tamarack
