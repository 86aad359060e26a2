#include "indicator/live_indicator_model.h"

#include <algorithm>
#include <chrono>

#include "feedback/forwarding_feedback.h"
#include "link/forwarding_link.h"
#include "link/key_command.h"

namespace tamarack {
namespace {

// Notes whether a read failed outright, which is how a port whose device has gone away shows
// itself.
class WatchedLink : public ForwardingLink {
 public:
  using ForwardingLink::ForwardingLink;

  bool readFailed = false;

  int Read(std::uint8_t* buffer, std::size_t size) override {
    const int got = ForwardingLink::Read(buffer, size);
    if (got < 0) readFailed = true;
    return got;
  }
};

// Shows a port failure only once per failure streak.
class StreakFeedback : public ForwardingFeedback {
 public:
  StreakFeedback(UserFeedback& ui, bool& reported) : ForwardingFeedback(ui), reported_(reported) {}

  void SystemError(std::string_view text) override {
    if (reported_) return;
    // Mark first: the message box runs a nested event loop in which the timers keep firing.
    reported_ = true;
    ForwardingFeedback::SystemError(text);
  }

 private:
  bool& reported_;
};

// Marks an exchange as running for as long as it lives.
class ExchangeScope {
 public:
  explicit ExchangeScope(bool& running) : running_(running) { running_ = true; }
  ~ExchangeScope() { running_ = false; }
  ExchangeScope(const ExchangeScope&) = delete;
  ExchangeScope& operator=(const ExchangeScope&) = delete;

 private:
  bool& running_;
};

}  // namespace

PollResult RunPoll(LiveIndicatorModel& model, SerialLink& link, UserFeedback& ui) {
  if (model.exchangeRunning) return {PollOutcome::kSkipped, kBusyRetryMs};
  const ExchangeScope scope(model.exchangeRunning);
  const auto began = std::chrono::steady_clock::now();

  WatchedLink watched(link);
  StreakFeedback streak(ui, model.failureReported);
  const bool good = PollDisplay(model.display, watched, streak, model.blinkPhase);
  if (good) {
    model.failureReported = false;
  } else if (watched.readFailed) {
    streak.SystemError(PortFailureText(link.LastError()));
  }

  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - began)
                        .count();
  const auto outcome = good ? PollOutcome::kGood : PollOutcome::kFailed;
  // Any poll ends within seconds; the clamp only keeps the conversion defined.
  const auto tookMs = static_cast<std::uint32_t>(std::clamp<long long>(took, 0, 60'000));
  return {outcome, NextPollDelayMs(outcome, tookMs)};
}

std::uint32_t FirstPollDelayMs(PollOutcome outcome) {
  switch (outcome) {
    case PollOutcome::kGood:
      return kFirstGoodPollDelayMs;
    case PollOutcome::kFailed:
      return kPollPeriodMs;
    case PollOutcome::kSkipped:
      break;
  }
  return kBusyRetryMs;
}

std::uint32_t NextPollDelayMs(PollOutcome outcome, std::uint32_t pollTookMs) {
  switch (outcome) {
    case PollOutcome::kGood:
      // Counted from the start of the good poll, so that polls keep a steady half-second rhythm
      // whatever the exchange itself took.
      return pollTookMs >= kPollPeriodMs ? kPollAtOnceMs : kPollPeriodMs - pollTookMs;
    case PollOutcome::kFailed:
      return pollTookMs >= kFailedPollCycleMs
                 ? kPollAtOnceMs
                 : std::max(kPollAtOnceMs, kFailedPollCycleMs - pollTookMs);
    case PollOutcome::kSkipped:
      break;
  }
  return kBusyRetryMs;
}

TransactStatus PressIndicatorKey(LiveIndicatorModel& model, SerialLink& link, UserFeedback& ui,
                                 std::string_view keyCode) {
  if (model.exchangeRunning) return TransactStatus::kBad;
  const ExchangeScope scope(model.exchangeRunning);
  StreakFeedback streak(ui, model.failureReported);
  return SendKeyCommand(link, streak, keyCode);
}

}  // namespace tamarack
