#include "support/recording_feedback.h"

namespace tamarack::test {

std::vector<std::string> RecordingFeedback::Texts() const {
  std::vector<std::string> texts;
  for (const auto& m : messages) texts.push_back(m.text);
  return texts;
}

bool RecordingFeedback::NextAnswer() {
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

bool RecordingFeedback::AskYesNo(std::string_view text) {
  Add(Kind::kYesNo, text);
  return NextAnswer();
}

bool RecordingFeedback::AskRetryCancel(std::string_view text) {
  Add(Kind::kRetryCancel, text);
  return NextAnswer();
}

void RecordingFeedback::ShortWait(std::uint32_t ms) {
  waits.push_back({ms, ""});
  if (realWaits) SleepAtLeast(ms);
}

void RecordingFeedback::LongWait(std::uint32_t ms, std::string_view text) {
  waits.push_back({ms, std::string(text)});
  if (realWaits) SleepAtLeast(ms);
}

}  // namespace tamarack::test
