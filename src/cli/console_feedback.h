#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "feedback/user_feedback.h"
#include "link/forwarding_link.h"

namespace tamarack::cli {

// The message boxes and waits of the windows, for a program without them: every message is kept
// (for --json, the fleet's logs and summary) and, when echoing, printed at once: successes on
// standard output, everything else on standard error. Every question is refused: a command asks
// what it needs through its options before it runs (--password), so nobody is there to answer.
class ConsoleFeedback : public UserFeedback {
 public:
  enum class Kind { kSuccess, kFailure, kPortError, kSystemError, kQuestion };
  struct Message {
    Kind kind;
    std::string text;
  };
  using Echo = std::function<void(const Message&)>;

  // `stop`, when given, cuts every wait short once it is set (Ctrl+C).
  explicit ConsoleFeedback(const std::atomic<bool>* stop = nullptr) : stop_(stop) {}

  void SetEcho(Echo echo) { echo_ = std::move(echo); }

  const std::vector<Message>& Messages() const { return messages_; }
  // Failures, port and system errors shown so far.
  int Failures() const { return failures_; }
  // The text of the last failure, port or system error; empty when none.
  std::string LastFailure() const;
  bool Stopped() const { return stop_ && stop_->load(); }

  void Success(std::string_view text) override { Add(Kind::kSuccess, text); }
  void Failure(std::string_view text) override { Add(Kind::kFailure, text); }
  void PortError(std::string_view text) override { Add(Kind::kPortError, text); }
  void SystemError(std::string_view text) override { Add(Kind::kSystemError, text); }
  bool AskYesNo(std::string_view text) override;
  bool AskRetryCancel(std::string_view text) override;
  void ShortWait(std::uint32_t ms) override { Wait(ms); }
  void LongWait(std::uint32_t ms, std::string_view /*text*/) override { Wait(ms); }

 private:
  void Add(Kind kind, std::string_view text);
  void Wait(std::uint32_t ms);

  const std::atomic<bool>* stop_;
  Echo echo_;
  int failures_ = 0;
  std::vector<Message> messages_;
};

// "success", "failure", "port error", "system error", "question".
std::string_view KindName(ConsoleFeedback::Kind kind);

// A link that ends every exchange at once when `stop` is set: nothing more is written and every
// read fails, so the handler under way gives up as it does on a dead port.
class StoppableLink : public ForwardingLink {
 public:
  StoppableLink(SerialLink& inner, const std::atomic<bool>& stop)
      : ForwardingLink(inner), stop_(stop) {}

  bool ClearErrors() override { return !stop_ && ForwardingLink::ClearErrors(); }
  bool PurgeTransmit() override { return !stop_ && ForwardingLink::PurgeTransmit(); }
  bool PurgeReceive() override { return !stop_ && ForwardingLink::PurgeReceive(); }
  void Write(const std::uint8_t* data, std::size_t size) override {
    if (!stop_) ForwardingLink::Write(data, size);
  }
  int Read(std::uint8_t* buffer, std::size_t size) override {
    return stop_ ? -1 : ForwardingLink::Read(buffer, size);
  }
  int LastError() const override {
    return stop_ ? kErrorInvalidHandle : ForwardingLink::LastError();
  }

 private:
  const std::atomic<bool>& stop_;
};

}  // namespace tamarack::cli
