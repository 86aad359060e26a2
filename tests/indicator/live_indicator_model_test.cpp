#include "indicator/live_indicator_model.h"

#include <gtest/gtest.h>

#include "link/commands.h"
#include "support/fake_indicator.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = test::RecordingFeedback::Kind;

const std::string kZeros("\x3F\x3F\x3F\x3F\x3F\x3F\x06\x01\x24", 9);

class LiveIndicatorModelTest : public testing::Test {
 protected:
  test::FakeLink link;
  test::RecordingFeedback ui;
  LiveIndicatorModel model;
};

TEST_F(LiveIndicatorModelTest, PollDelays) {
  EXPECT_EQ(FirstPollDelayMs(PollOutcome::kGood), 10u);
  EXPECT_EQ(FirstPollDelayMs(PollOutcome::kFailed), 500u);
  EXPECT_EQ(NextPollDelayMs(PollOutcome::kGood, 0), 500u);
  EXPECT_EQ(NextPollDelayMs(PollOutcome::kGood, 30), 470u);  // the rhythm counts from the start
  EXPECT_EQ(NextPollDelayMs(PollOutcome::kGood, 700), 1u);
  // A failed poll that spent its read time-out is followed at once; one that failed at once
  // waits out the rest of a short cycle.
  EXPECT_EQ(NextPollDelayMs(PollOutcome::kFailed, 1000), 1u);
  EXPECT_EQ(NextPollDelayMs(PollOutcome::kFailed, 100), 1u);
  EXPECT_EQ(NextPollDelayMs(PollOutcome::kFailed, 0), 100u);
  EXPECT_EQ(NextPollDelayMs(PollOutcome::kFailed, 99), 1u);
  EXPECT_EQ(NextPollDelayMs(PollOutcome::kFailed, 60), 40u);
}

TEST_F(LiveIndicatorModelTest, NothingStartsWhileAnExchangeRuns) {
  model.exchangeRunning = true;
  const PollResult r = RunPoll(model, link, ui);
  EXPECT_EQ(r.outcome, PollOutcome::kSkipped);
  EXPECT_EQ(r.nextDelayMs, kBusyRetryMs);
  EXPECT_EQ(PressIndicatorKey(model, link, ui, key::kTare), TransactStatus::kBad);
  EXPECT_TRUE(link.requests.empty());
  EXPECT_TRUE(model.exchangeRunning);
}

// A feedback whose message box, like a real one, lets the poll timer fire while it is open.
class ReentrantFeedback : public test::RecordingFeedback {
 public:
  std::function<void()> whileOpen;
  void SystemError(std::string_view text) override {
    RecordingFeedback::SystemError(text);
    if (whileOpen) whileOpen();
  }
};

TEST_F(LiveIndicatorModelTest, PollFiredFromInsideAMessageBoxIsSkipped) {
  ReentrantFeedback boxes;
  link.failPurgeAfterWrite = 6;
  link.responder = test::AlwaysReply(kZeros);
  std::vector<PollOutcome> nested;
  boxes.whileOpen = [&] { nested.push_back(RunPoll(model, link, boxes).outcome); };
  EXPECT_EQ(RunPoll(model, link, boxes).outcome, PollOutcome::kFailed);
  EXPECT_EQ(nested, std::vector<PollOutcome>{PollOutcome::kSkipped});
  EXPECT_EQ(link.requests.size(), 1u);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"ERROR_INVALID_HANDLE"});
}

TEST_F(LiveIndicatorModelTest, LastingPurgeFailureIsReportedOncePerStreak) {
  link.responder = test::AlwaysReply(kZeros);
  link.failPurgeAfterWrite = 31;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(RunPoll(model, link, ui).outcome, PollOutcome::kFailed);
    EXPECT_EQ(model.display.displayText, "  Err");
  }
  // A key pressed during the streak stays silent too.
  PressIndicatorKey(model, link, ui, key::kZero);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"UNKNOW_ERROR"});

  link.failPurgeAfterWrite = 0;
  EXPECT_EQ(RunPoll(model, link, ui).outcome, PollOutcome::kGood);
  EXPECT_EQ(ShownCharacters(model.display.displayText), "000000");

  link.failPurgeAfterWrite = 6;  // a new streak is reported again
  RunPoll(model, link, ui);
  RunPoll(model, link, ui);
  EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"UNKNOW_ERROR", "ERROR_INVALID_HANDLE"}));
  for (const auto& m : ui.messages) EXPECT_EQ(m.kind, Kind::kSystemError);
}

TEST_F(LiveIndicatorModelTest, LostDeviceGivesOneMessageAndPollingResumesWhenItReturns) {
  link.responder = test::AlwaysReply(kZeros);
  ASSERT_EQ(RunPoll(model, link, ui).outcome, PollOutcome::kGood);
  const auto lamps = model.display.lamps;

  link.deviceGone = true;
  for (int i = 0; i < 4; ++i) {
    const PollResult r = RunPoll(model, link, ui);
    EXPECT_EQ(r.outcome, PollOutcome::kFailed);
    // The failure came at once: the next poll backs off instead of spinning.
    EXPECT_GE(r.nextDelayMs, 50u);
    EXPECT_EQ(model.display.displayText, "  Err");
    EXPECT_EQ(model.display.lamps, lamps);
  }
  EXPECT_EQ(ui.messages,
            std::vector<test::RecordingFeedback::Message>({{Kind::kSystemError, "UNKNOW_ERROR"}}));

  link.deviceGone = false;
  const PollResult back = RunPoll(model, link, ui);
  EXPECT_EQ(back.outcome, PollOutcome::kGood);
  EXPECT_GE(back.nextDelayMs, 400u);
  EXPECT_LE(back.nextDelayMs, 500u);
  EXPECT_EQ(ShownCharacters(model.display.displayText), "000000");
  EXPECT_EQ(ui.messages.size(), 1u);
}

}  // namespace
}  // namespace tamarack
