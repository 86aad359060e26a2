#include "cli/console_feedback.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tamarack::cli {

std::string_view KindName(ConsoleFeedback::Kind kind) {
  switch (kind) {
    case ConsoleFeedback::Kind::kSuccess:
      return "success";
    case ConsoleFeedback::Kind::kFailure:
      return "failure";
    case ConsoleFeedback::Kind::kPortError:
      return "port error";
    case ConsoleFeedback::Kind::kSystemError:
      return "system error";
    case ConsoleFeedback::Kind::kQuestion:
      return "question";
  }
  return "";
}

std::string ConsoleFeedback::LastFailure() const {
  const auto it = std::find_if(messages_.rbegin(), messages_.rend(), [](const Message& m) {
    return m.kind != Kind::kSuccess && m.kind != Kind::kQuestion;
  });
  return it == messages_.rend() ? std::string() : it->text;
}

bool ConsoleFeedback::AskYesNo(std::string_view text) {
  Add(Kind::kQuestion, std::string(text) + " No");
  return false;
}

bool ConsoleFeedback::AskRetryCancel(std::string_view text) {
  Add(Kind::kQuestion, std::string(text) + " Cancel");
  return false;
}

void ConsoleFeedback::Add(Kind kind, std::string_view text) {
  if (kind != Kind::kSuccess && kind != Kind::kQuestion) ++failures_;
  messages_.push_back({kind, std::string(text)});
  if (echo_) echo_(messages_.back());
}

void ConsoleFeedback::Wait(std::uint32_t ms) {
  // Slices short enough that Ctrl+C ends a six-second step wait at once, all measured from one
  // deadline so that their wake-ups do not add up.
  using Clock = std::chrono::steady_clock;
  constexpr auto kSlice = std::chrono::milliseconds(50);
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  for (auto now = Clock::now(); now < deadline && !Stopped(); now = Clock::now()) {
    std::this_thread::sleep_until(std::min(deadline, now + kSlice));
  }
}

}  // namespace tamarack::cli
