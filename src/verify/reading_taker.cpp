#include "verify/reading_taker.h"

#include <cmath>

namespace tamarack {

Mass MassFromShown(const ShownNumber& number) {
  std::int64_t scale = 1;
  for (int i = 0; i < number.decimals; ++i) scale *= 10;
  // The display holds six digits, so the value times its decimals' scale is a whole number that a
  // double keeps exactly; only the division that made `value` is undone here.
  const std::int64_t digits = std::llround(number.value * static_cast<double>(scale));
  return Mass{digits * (kMicroPerUnit / scale)};
}

ReadingTaker::ReadingTaker(const Instrument& instrument, MonotonicMs clock)
    : instrument_(instrument), clock_(std::move(clock)) {}

void ReadingTaker::Start() {
  state_ = TakeState::kWaiting;
  startedMs_ = clock_();
  last_.reset();
  steady_ = 0;
  taken_.reset();
  message_.clear();
}

void ReadingTaker::Cancel() {
  state_ = TakeState::kIdle;
  last_.reset();
  steady_ = 0;
  taken_.reset();
  message_.clear();
}

TakeState ReadingTaker::Stop(std::string message, TakeState state) {
  state_ = state;
  message_ = std::move(message);
  last_.reset();
  steady_ = 0;
  return state_;
}

TakeState ReadingTaker::Feed(const std::optional<DisplayReading>& poll) {
  if (state_ != TakeState::kWaiting) return state_;
  if (!poll) return Stop(std::string(kPollFailed));
  const std::string unit(instrument_.UnitName());
  if (!poll->number) {
    std::string_view shown = poll->shown;
    while (!shown.empty() && shown.front() == ' ') shown.remove_prefix(1);
    return Stop("The display shows \"" + std::string(shown) + "\", not a weight");
  }
  if (poll->unit == WeightUnit::kNone) {
    return Stop("The display shows no unit; the test is in " + unit);
  }
  if (poll->unit != instrument_.unit) {
    return Stop("The display changed to " + std::string(UnitText(poll->unit)) +
                "; the test is in " + unit);
  }
  if (poll->number->decimals != instrument_.decimals) {
    return Stop("The display shows " + std::to_string(poll->number->decimals) +
                " decimals; the setup read has " + std::to_string(instrument_.decimals));
  }
  const Mass shown = MassFromShown(*poll->number);
  steady_ = last_ && *last_ == shown ? steady_ + 1 : 1;
  last_ = shown;
  if (poll->stable && steady_ >= kSteadyPolls) {
    state_ = TakeState::kTaken;
    taken_ = shown;
    return state_;
  }
  return CheckTime();
}

TakeState ReadingTaker::CheckTime() {
  if (state_ == TakeState::kWaiting && clock_() - startedMs_ >= kSettleLimitMs) {
    return Stop(std::string(kNotSettled), TakeState::kTimedOut);
  }
  return state_;
}

}  // namespace tamarack
