#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tamarack {

// Everything the rules of the system need from the person in front of the screen: message boxes,
// questions and waits. The application shows Qt message boxes and the wait dialog; tests record.
class UserFeedback {
 public:
  virtual ~UserFeedback() = default;

  // Information icon, caption "OK". The texts shown are kept byte for byte as the indicator's
  // users have always read them, "Sucess" included, since their written procedures quote them;
  // only the names of the constants that hold them are spelled correctly.
  virtual void Success(std::string_view text) = 0;
  // Error icon, the application's caption.
  virtual void Failure(std::string_view text) = 0;
  // Caption "Error Information", no icon: port and navigation errors of the main window.
  virtual void PortError(std::string_view text) = 0;
  // Error icon, no owner window and no caption of its own: the port became unusable mid-exchange.
  virtual void SystemError(std::string_view text) = 0;
  // Question icon, the application's caption, Yes and No. True for Yes.
  virtual bool AskYesNo(std::string_view text) = 0;
  // Question icon, the application's caption, Retry and Cancel. True for Retry.
  virtual bool AskRetryCancel(std::string_view text) = 0;

  // A wait below 1500 ms between writing a request and reading its reply: blocks for `ms`
  // milliseconds (never less) without handling any window message. The default sleeps.
  virtual void ShortWait(std::uint32_t ms);
  // A wait of 1500 ms or more: shows the wait window with `text` for about `ms`.
  virtual void LongWait(std::uint32_t ms, std::string_view text) = 0;
};

// Sleeps for `ms` milliseconds, never less and without burning the processor.
void SleepAtLeast(std::uint32_t ms);

// Shows nothing and asks no one (No and Cancel to every question), and waits as asked. Keeps the
// last message it was given, for a caller that reports it in its own way or not at all: the
// finder's tries, a file checked before anything is sent.
class SilentFeedback : public UserFeedback {
 public:
  void Success(std::string_view) override {}
  void Failure(std::string_view text) override { last_ = text; }
  void PortError(std::string_view text) override { last_ = text; }
  void SystemError(std::string_view text) override { last_ = text; }
  bool AskYesNo(std::string_view) override { return false; }
  bool AskRetryCancel(std::string_view) override { return false; }
  void LongWait(std::uint32_t ms, std::string_view) override { SleepAtLeast(ms); }

  // The last failure, port or system message; empty when there was none.
  const std::string& Last() const { return last_; }

 private:
  std::string last_;
};

}  // namespace tamarack
