// Readings taken off the display poll by poll: settled after three steady polls, never from a
// display that shows something else than the scale's weight, and given up after 30 s.

#include "verify/reading_taker.h"

#include <gtest/gtest.h>

#include "verify_test_util.h"

namespace tamarack {
namespace {

using test::Shows;

constexpr std::int64_t kPollMs = 200;

struct Poll {
  std::optional<DisplayReading> reading;  // none: the poll failed
};

Poll Good(const char* shown, bool stable = true, WeightUnit unit = WeightUnit::kKg) {
  return {Shows(shown, stable, unit)};
}

// One letter per poll: W waiting, T taken, S stopped, O timed out, I idle.
char Letter(TakeState state) {
  switch (state) {
    case TakeState::kIdle:
      return 'I';
    case TakeState::kWaiting:
      return 'W';
    case TakeState::kTaken:
      return 'T';
    case TakeState::kStopped:
      return 'S';
    case TakeState::kTimedOut:
      return 'O';
  }
  return '?';
}

TEST(ReadingTaker, PollSequences) {
  const Poll kFailed{std::nullopt};
  const struct {
    const char* name;
    std::vector<Poll> polls;
    const char* states;
    const char* taken;  // or the message
  } rows[] = {
      {"three steady polls", {Good(" 500.1"), Good(" 500.1"), Good(" 500.1")}, "WWT", "500.1"},
      {"the lamp lights on a number already held",
       {Good(" 500.1", false), Good(" 500.1", false), Good(" 500.1", false), Good(" 500.1")},
       "WWWT",
       "500.1"},
      {"a held number without the lamp",
       {Good(" 500.1", false), Good(" 500.1", false), Good(" 500.1", false)},
       "WWW",
       ""},
      {"the lamp lit while the number moves",
       {Good(" 500.0"), Good(" 500.1"), Good(" 500.2"), Good(" 500.2")},
       "WWWW",
       ""},
      {"noise that still settles",
       {Good(" 500.0"), Good(" 500.1"), Good(" 500.0"), Good(" 500.0"), Good(" 500.1"),
        Good(" 500.1"), Good(" 500.1")},
       "WWWWWWT",
       "500.1"},
      {"a negative zero reading", {Good("  -0.1"), Good("  -0.1"), Good("  -0.1")}, "WWT", "-0.1"},
      {"the unit lamp changes",
       {Good(" 500.1"), Good(" 500.1"), Good(" 500.1", true, WeightUnit::kLb)},
       "WWS",
       "The display changed to lb; the test is in kg"},
      {"no unit lamp",
       {Good(" 500.1", true, WeightUnit::kNone)},
       "S",
       "The display shows no unit; the test is in kg"},
      {"no number",
       {Good(" 500.1"), Good("  Err")},
       "WS",
       "The display shows \"Err\", not a weight"},
      {"overload dashes", {Good("------")}, "S", "The display shows \"------\", not a weight"},
      {"a failed poll",
       {Good(" 500.1"), kFailed},
       "WS",
       "The indicator did not answer the display poll"},
      {"other decimals than the setup's",
       {Good(" 500.10")},
       "S",
       "The display shows 2 decimals; the setup read has 1"},
  };
  for (const auto& row : rows) {
    std::int64_t now = 1000;
    ReadingTaker taker(test::FactoryScale(), [&now] { return now; });
    taker.Start();
    std::string states;
    for (const Poll& poll : row.polls) {
      now += kPollMs;
      states += Letter(taker.Feed(poll.reading));
    }
    EXPECT_EQ(states, row.states) << row.name;
    const std::string got = taker.Taken() ? MassText(*taker.Taken(), 1) : taker.Message();
    EXPECT_EQ(got, row.taken) << row.name;
    // Once ended, later polls change nothing.
    EXPECT_EQ(taker.Feed(Shows(" 600.0")), taker.State()) << row.name;
  }
}

TEST(ReadingTaker, AReadingThatNeverSettlesEndsAfterThirtySeconds) {
  std::int64_t now = 0;
  ReadingTaker taker(test::FactoryScale(), [&now] { return now; });
  taker.Start();
  int polls = 0;
  while (taker.Feed(Shows(polls % 2 ? " 500.1" : " 500.2")) == TakeState::kWaiting) {
    ++polls;
    now += kPollMs;
  }
  EXPECT_EQ(taker.State(), TakeState::kTimedOut);
  EXPECT_EQ(now, kSettleLimitMs);
  EXPECT_EQ(taker.Message(), kNotSettled);
  EXPECT_FALSE(taker.Taken());

  // Also when the polls stop coming; and a new start waits afresh.
  taker.Start();
  now += kSettleLimitMs - 1;
  EXPECT_EQ(taker.CheckTime(), TakeState::kWaiting);
  now += 1;
  EXPECT_EQ(taker.CheckTime(), TakeState::kTimedOut);
}

TEST(ReadingTaker, IgnoresPollsUntilStarted) {
  std::int64_t now = 0;
  ReadingTaker taker(test::FactoryScale(), [&now] { return now; });
  for (int i = 0; i < 3; ++i) EXPECT_EQ(taker.Feed(Shows(" 500.1")), TakeState::kIdle);
  taker.Start();
  taker.Feed(Shows(" 500.1"));
  taker.Feed(Shows(" 500.1"));
  taker.Cancel();
  taker.Start();
  EXPECT_EQ(taker.Feed(Shows(" 500.1")), TakeState::kWaiting) << "the count starts again";
}

TEST(ReadingTaker, ShownNumbersAreExact) {
  const std::pair<const char*, const char*> rows[] = {
      {"1000.3", "1000.3"}, {" 0.0001", "0.0001"}, {"999999", "999999"}, {"-  2.5", "-2.5"}};
  for (const auto& [shown, exact] : rows) {
    EXPECT_EQ(MassText(MassFromShown(*ParseShownWeight(shown)), 0), exact);
  }
}

}  // namespace
}  // namespace tamarack
