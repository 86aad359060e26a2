#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "feedback/user_feedback.h"

namespace tamarack::test {

// Records every message box, question and wait; answers questions from a script.
class RecordingFeedback : public UserFeedback {
 public:
  enum class Kind { kSuccess, kFailure, kPortError, kSystemError, kYesNo, kRetryCancel };
  struct Message {
    Kind kind;
    std::string text;
    friend bool operator==(const Message&, const Message&) = default;
  };
  struct Wait {
    std::uint32_t ms;
    std::string text;  // what the wait window says; empty for a short wait
    friend bool operator==(const Wait&, const Wait&) = default;
  };

  std::vector<Message> messages;
  std::vector<Wait> waits;
  // Answers to AskYesNo / AskRetryCancel, in order; an empty script answers No / Cancel.
  std::deque<bool> answers;
  // When set, waits really pass (needed against a real peer that takes its time to answer).
  bool realWaits = false;

  // The texts of all messages, in order.
  std::vector<std::string> Texts() const;

  void Success(std::string_view text) override { Add(Kind::kSuccess, text); }
  void Failure(std::string_view text) override { Add(Kind::kFailure, text); }
  void PortError(std::string_view text) override { Add(Kind::kPortError, text); }
  void SystemError(std::string_view text) override { Add(Kind::kSystemError, text); }
  bool AskYesNo(std::string_view text) override;
  bool AskRetryCancel(std::string_view text) override;
  void ShortWait(std::uint32_t ms) override;
  void LongWait(std::uint32_t ms, std::string_view text) override;

 private:
  void Add(Kind kind, std::string_view text) { messages.push_back({kind, std::string(text)}); }
  bool NextAnswer();
};

}  // namespace tamarack::test
