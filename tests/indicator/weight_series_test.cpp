// The weight series: numbers read off the display, gaps, traces broken at unit and gross/net
// changes, the figures over a span, the bound and the CSV rows.

#include "indicator/weight_series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "indicator/trend_watch.h"
#include "link/frame.h"

namespace tamarack {
namespace {

// The six digit codes of a six-digit display text such as "  10.00" (a point marks the digit
// before it).
std::array<std::uint8_t, kDisplayDigitCount> Digits(std::string_view shown) {
  static const std::map<char, std::uint8_t> codes = {
      {' ', 0x00}, {'0', 0x3F}, {'1', 0x06}, {'2', 0x5B}, {'3', 0x4F}, {'4', 0x66}, {'5', 0x6D},
      {'6', 0x7D}, {'7', 0x27}, {'8', 0x7F}, {'9', 0x6F}, {'-', 0x40}, {'F', 0x71}, {'E', 0x79}};
  std::array<std::uint8_t, kDisplayDigitCount> digits{};
  std::size_t n = 0;
  for (const char c : shown) {
    if (c == '.') {
      digits[n - 1] |= kPointBit;
    } else {
      digits[n++] = codes.at(c);
    }
  }
  return digits;
}

struct Lamps {
  bool stable = true;
  bool kg = true;
  bool net = false;
  bool zero = false;
};

// A display poll as the trace records it: request "R", a good reply frame.
TracedExchange Poll(std::string_view shown, Lamps lamps = {}, std::uint8_t editByte = 0x47) {
  std::vector<std::uint8_t> payload;
  for (const std::uint8_t d : Digits(shown)) payload.push_back(d);
  payload.push_back(editByte);
  payload.push_back(
      static_cast<std::uint8_t>(0x40 | (lamps.stable ? 0x01 : 0) | (lamps.kg ? 0x04 : 0x08)));
  payload.push_back(
      static_cast<std::uint8_t>(0x40 | (lamps.net ? 0x08 : 0x04) | (lamps.zero ? 0x20 : 0)));
  TracedExchange e;
  e.request = ShortFrame("R");
  e.reply = ShortFrame(payload);
  e.status = 0;
  e.shape = ShapeOf(e.reply);
  e.poll = true;
  return e;
}

TracedExchange FailedPoll() {
  TracedExchange e;
  e.request = ShortFrame("R");
  e.status = 5;
  e.shape = ReplyShape::kNoReply;
  e.poll = true;
  return e;
}

WeightSample Point(double seconds, double value, bool stable = true, int decimals = 2) {
  DisplayReading r;
  r.number = ShownNumber{value, decimals};
  r.unit = WeightUnit::kKg;
  r.stable = stable;
  r.gross = true;
  return {seconds, 0, r};
}

TEST(ParseShownWeight, ReadsWhatTheDisplayShows) {
  struct Row {
    std::string_view shown;
    std::optional<double> value;
    int decimals;
  };
  const Row rows[] = {
      {"  10.00", 10.0, 2}, {"-  2.5", -2.5, 1},   {"    55", 55, 0},
      {"  -1.5", -1.5, 1},  {" 10.0 ", 10.0, 1},  // moved left by the shift flag
      {"   0.00", 0.0, 2},  {"123456", 123456, 0}, {"  Err", {}, 0},
      {"1 0.00", {}, 0},  // a digit blanked while it is edited
      {"F1.6", {}, 0},      {"  -", {}, 0},        {"", {}, 0},
      {"1..0", {}, 0},      {"1.0.0", {}, 0},      {"- -1", {}, 0},
      {"------", {}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.shown));
    const auto number = ParseShownWeight(row.shown);
    ASSERT_EQ(number.has_value(), row.value.has_value());
    if (!number) continue;
    EXPECT_DOUBLE_EQ(number->value, *row.value);
    EXPECT_EQ(number->decimals, row.decimals);
  }
}

TEST(WeightSeries, TakesPollsOnlyAndKeepsFailuresAsOneGap) {
  WeightSeries series;
  TracedExchange read = Poll("  10.00");
  read.poll = false;
  EXPECT_FALSE(series.AddExchange(read, 0, 0));
  EXPECT_TRUE(series.AddExchange(Poll("  10.00"), 0.5, 0));
  EXPECT_TRUE(series.AddExchange(FailedPoll(), 1.0, 0));
  EXPECT_TRUE(series.AddExchange(FailedPoll(), 1.1, 0));
  TracedExchange cut = Poll("  10.00");
  cut.reply.pop_back();  // no check character
  cut.shape = ShapeOf(cut.reply);
  cut.status = 5;
  EXPECT_TRUE(series.AddExchange(cut, 1.2, 0));
  EXPECT_TRUE(series.AddExchange(Poll("   F1.6"), 1.5, 0));  // a display that is no number

  ASSERT_EQ(series.Samples().size(), 3u);
  EXPECT_TRUE(series.Samples()[0].HasValue());
  EXPECT_FALSE(series.Samples()[1].reading.has_value());  // the three failures: one gap
  EXPECT_TRUE(series.Samples()[2].reading.has_value());
  EXPECT_FALSE(series.Samples()[2].HasValue());
  EXPECT_EQ(series.Samples()[2].reading->shown, "   F1.6");
}

TEST(WeightSeries, ReadsDigitsBeingEditedWithoutTheirBlink) {
  WeightSeries series;
  // Digit 3 is being edited: the window blanks it every other half second; the series never does.
  for (int i = 0; i < 4; ++i) series.AddExchange(Poll("  12.50", {}, 0x43), i * 0.5, 0);
  ASSERT_EQ(series.Samples().size(), 4u);
  for (const WeightSample& s : series.Samples()) {
    ASSERT_TRUE(s.HasValue());
    EXPECT_DOUBLE_EQ(s.Value(), 12.5);
  }
}

TEST(WeightSeries, ReadsUnitAndLampsAndBreaksTheTraceAtAChange) {
  WeightSeries series;
  series.AddExchange(Poll("   0.00", {.stable = true, .zero = true}), 0, 0);
  series.AddExchange(Poll("  10.00", {.stable = false}), 0.5, 0);
  series.AddExchange(Poll("  22.05", {.kg = false}), 1.0, 0);
  series.AddExchange(Poll("  22.05", {.kg = false, .net = true}), 1.5, 0);
  series.AddExchange(Poll("  22.05", {.kg = false, .net = true}), 2.0, 0);
  const auto& s = series.Samples();
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[0].reading->unit, WeightUnit::kKg);
  EXPECT_TRUE(s[0].reading->zero);
  EXPECT_TRUE(s[0].reading->gross);
  EXPECT_FALSE(s[1].reading->stable);
  EXPECT_EQ(s[2].reading->unit, WeightUnit::kLb);
  EXPECT_TRUE(s[3].reading->net);

  EXPECT_TRUE(SameTrace(s[0], s[1]));
  EXPECT_FALSE(SameTrace(s[1], s[2]));  // kg to lb
  EXPECT_FALSE(SameTrace(s[2], s[3]));  // gross to net
  EXPECT_TRUE(SameTrace(s[3], s[4]));
}

TEST(WeightSeries, StaysInOrderWhenTheTimeGoesBack) {
  WeightSeries series;
  series.Add(Point(10, 1));
  series.Add(Point(4, 2));
  EXPECT_DOUBLE_EQ(series.Samples().back().seconds, 10);
}

TEST(WeightSeries, KeepsTheLastThirtyMinutesAtTwoPollsASecond) {
  WeightSeries series;
  for (int i = 0; i < 3 * static_cast<int>(kTrendCapacity); ++i) series.Add(Point(i * 0.5, i));
  EXPECT_EQ(series.Samples().size(), kTrendCapacity);
  EXPECT_DOUBLE_EQ(series.Samples().back().Value(), 3 * kTrendCapacity - 1);

  // Slower polls are bounded by age instead.
  WeightSeries slow;
  for (int i = 0; i < 100; ++i) slow.Add(Point(i * 60.0, i));
  EXPECT_LE(slow.Samples().back().seconds - slow.Samples().front().seconds, kTrendKeepSeconds);
  EXPECT_EQ(slow.Samples().size(), 31u);
}

TEST(SeriesFigures, StepThatSettlesAfterThreeSeconds) {
  WeightSeries series;
  double t = 0;
  for (int i = 0; i < 20; ++i, t += 0.5) series.Add(Point(t, 0.00));
  const double stepAt = t;
  for (const double v : {7.31, 11.02, 9.54, 10.21, 9.93, 10.04})
    series.Add(Point(t, v, false)), t += 0.5;
  for (int i = 0; i < 10; ++i, t += 0.5) series.Add(Point(t, 10.00));

  const auto f = series.Figures(0, t);
  ASSERT_TRUE(f);
  ASSERT_TRUE(f->settleSeconds);
  EXPECT_DOUBLE_EQ(*f->settleSeconds, 3.0);
  EXPECT_TRUE(f->stableAtEnd);
  EXPECT_EQ(f->points, 36u);
  EXPECT_DOUBLE_EQ(f->minimum, 0.0);
  EXPECT_DOUBLE_EQ(f->maximum, 11.02);
  EXPECT_EQ(f->decimals, 2);

  // Still moving at the end of the span: not settled.
  const auto moving = series.Figures(0, stepAt + 1.0);
  ASSERT_TRUE(moving);
  EXPECT_FALSE(moving->settleSeconds);
  EXPECT_FALSE(moving->stableAtEnd);
  // A span that begins in the movement does not know when the change began.
  EXPECT_FALSE(series.Figures(stepAt + 1.0, t)->settleSeconds);
  // Only the last steady stretch: nothing changed, nothing to time.
  EXPECT_FALSE(series.Figures(t - 3, t)->settleSeconds);
}

TEST(SeriesFigures, StableStepCountsAsSettledAtOnce) {
  WeightSeries series;
  series.Add(Point(0, 1.00));
  series.Add(Point(0.5, 1.00));
  series.Add(Point(1.0, 1.01));  // zero tracking moved it by a division, the lamp stayed on
  series.Add(Point(1.5, 1.01));
  EXPECT_DOUBLE_EQ(*series.Figures(0, 2)->settleSeconds, 0.0);
}

TEST(SeriesFigures, DriftOfATenthPerMinute) {
  WeightSeries series;
  // Ten minutes of a slow creep, read to three decimals, with a little alternating noise.
  for (int i = 0; i <= 1200; ++i) {
    const double t = i * 0.5;
    const double v = std::round((50.0 + 0.1 * t / 60.0 + (i % 2 ? 0.002 : -0.002)) * 1000) / 1000;
    series.Add(Point(t, v, true, 3));
  }
  const auto f = series.Figures(0, 600);
  ASSERT_TRUE(f && f->driftPerMinute);
  EXPECT_NEAR(*f->driftPerMinute, 0.1, 0.001);
  EXPECT_NEAR(f->mean, 50.5, 0.001);
  // A single point has no slope.
  EXPECT_FALSE(series.Figures(0, 0)->driftPerMinute);
}

TEST(SeriesFigures, KnownStatisticsAndOnlyTheLastUnitAndMode) {
  WeightSeries series;
  for (const double v : {2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0}) {
    series.Add(Point(series.LastSeconds() + 0.5, v, true, 1));
  }
  auto f = series.Figures(0, 100);
  ASSERT_TRUE(f);
  EXPECT_DOUBLE_EQ(f->mean, 5.0);
  EXPECT_DOUBLE_EQ(f->stdDev, 2.0);
  EXPECT_DOUBLE_EQ(f->minimum, 2.0);
  EXPECT_DOUBLE_EQ(f->maximum, 9.0);

  // After a switch to lb, the kg points no longer count; a gap at the end changes nothing.
  WeightSample lb = Point(10, 20.0, true, 1);
  lb.reading->unit = WeightUnit::kLb;
  series.Add(lb);
  series.Add({11, 0, std::nullopt});
  f = series.Figures(0, 100);
  EXPECT_EQ(f->points, 1u);
  EXPECT_EQ(f->unit, WeightUnit::kLb);
  EXPECT_DOUBLE_EQ(f->mean, 20.0);

  // A span without a value has no figures.
  EXPECT_FALSE(series.Figures(10.5, 11.5));
  EXPECT_FALSE(WeightSeries().Figures(0, 100));
}

// One point of a picture's table: a value in a unit and mode, or a gap.
struct Shown {
  std::optional<double> value;
  WeightUnit unit = WeightUnit::kKg;
  bool net = false;
  bool stable = true;
};
constexpr Shown kGap{std::nullopt};

TEST(TrendPicture, BreaksShadesAndMarks) {
  using Line = std::tuple<std::size_t, std::size_t, bool>;  // first, end, net
  using Stretch = std::pair<double, double>;
  using Change = std::pair<double, std::string>;
  struct Row {
    const char* name;
    std::vector<Shown> points;  // half a second apart from 0
    std::vector<Line> lines;
    std::vector<Stretch> unstable;
    std::vector<Change> changes;
  };
  const Shown lb{1, WeightUnit::kLb};
  const Shown net{1, WeightUnit::kKg, true};
  const Shown moving{5, WeightUnit::kKg, false, false};
  const Row rows[] = {
      {"steady", {{1}, {1}, {1}}, {{0, 3, false}}, {}, {}},
      {"a gap breaks the line and is no change",
       {{1}, kGap, {1}},
       {{0, 1, false}, {2, 3, false}},
       {},
       {}},
      {"a unit change",
       {{1}, {1}, lb, lb},
       {{0, 2, false}, {2, 4, false}},
       {},
       {{1.0, "Gross lb"}}},
      {"a switch to net", {{1}, net}, {{0, 1, false}, {1, 2, true}}, {}, {{0.5, "Net kg"}}},
      {"no unit lamp",
       {{1}, {1, WeightUnit::kNone}},
       {{0, 1, false}, {1, 2, false}},
       {},
       {{0.5, "Gross"}}},
      {"a change behind a gap is not marked",
       {{1}, kGap, lb},
       {{0, 1, false}, {2, 3, false}},
       {},
       {}},
      {"movement until stable", {{1}, moving, moving, {5}}, {{0, 4, false}}, {{0.5, 1.5}}, {}},
      {"movement until a gap", {moving, kGap, {5}}, {{0, 1, false}, {2, 3, false}}, {{0, 0.5}}, {}},
      {"movement to the end", {{1}, moving, moving}, {{0, 3, false}}, {{0.5, 1.0}}, {}},
      {"movement across a unit change",
       {moving, {5, WeightUnit::kLb, false, false}, {5, WeightUnit::kLb}},
       {{0, 1, false}, {1, 3, false}},
       {{0, 1.0}},
       {{0.5, "Gross lb"}}},
      {"only gaps", {kGap}, {}, {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WeightSeries series;
    double t = 0;
    for (const Shown& shown : row.points) {
      if (!shown.value) {
        series.Add({t, 0, std::nullopt});
      } else {
        WeightSample sample = Point(t, *shown.value, shown.stable);
        sample.reading->unit = shown.unit;
        sample.reading->net = shown.net;
        sample.reading->gross = !shown.net;
        series.Add(sample);
      }
      t += 0.5;
    }
    const TrendPicture picture = series.Picture(60);
    std::vector<Line> lines;
    for (const auto& line : picture.lines) lines.emplace_back(line.first, line.end, line.net);
    EXPECT_EQ(lines, row.lines);
    EXPECT_EQ(picture.unstable, row.unstable);
    std::vector<Change> changes;
    for (const auto& change : picture.changes) changes.emplace_back(change.seconds, change.label);
    EXPECT_EQ(changes, row.changes);
  }
}

TEST(TrendPicture, DrawsTheLastSpanAndTheValuesInIt) {
  WeightSeries series;
  EXPECT_EQ(series.Picture(60).from, 0);
  EXPECT_EQ(series.Picture(60).to, 60);
  EXPECT_TRUE(series.Picture(60).lines.empty());

  for (int i = 0; i <= 200; ++i) series.Add(Point(i * 0.5, i < 100 ? 50.0 : 2.0 + i % 3));
  // Younger than the span: it begins at 0.
  TrendPicture picture = series.Picture(300);
  EXPECT_EQ(picture.from, 0);
  EXPECT_EQ(picture.to, 300);
  EXPECT_EQ(picture.high, 50);
  // Older: the span ends at the last point and leaves the 50s out.
  picture = series.Picture(40);
  EXPECT_EQ(picture.from, 60);
  EXPECT_EQ(picture.to, 100);
  ASSERT_EQ(picture.lines.size(), 1u);
  EXPECT_EQ(picture.lines[0].first, 120u);
  EXPECT_EQ(picture.lines[0].end, 201u);
  EXPECT_EQ(picture.low, 2);
  EXPECT_EQ(picture.high, 4);
}

TEST(TrendCsv, RowsForGoodAndFailedPolls) {
  WeightSeries series;
  // 2024-05-01 11:45:12.500 UTC
  const std::int64_t wall = 1714563912500;
  series.AddExchange(Poll("-   2.5", {.stable = false, .kg = false, .net = true}), 1.25, wall);
  series.AddExchange(FailedPoll(), 1.75, wall + 500);
  EXPECT_EQ(TrendCsv(series.Samples()),
            "time,seconds,shown,value,unit,stable,gross,net,zero\r\n"
            "2024-05-01T11:45:12.500Z,1.250,\"-   2.5\",-2.5,lb,0,0,1,0\r\n"
            "2024-05-01T11:45:13.000Z,1.750,,,,,,,\r\n");
  // A display that is no number keeps its text and leaves the value empty.
  series.AddExchange(Poll("   F1.6"), 2, 0);
  EXPECT_EQ(TrendCsvRow(series.Samples().back()),
            "1970-01-01T00:00:00.000Z,2.000,\"   F1.6\",,kg,1,1,0,0");
}

TEST(NextWatchStep, PollsOnlyWhenTheLineIsFree) {
  struct Row {
    const char* name;
    WatchState state;
    WatchStep step;
  };
  const Row rows[] = {
      {"free", {true, false, false, 1e9}, WatchStep::kPoll},
      {"port closed", {false, false, false, 1e9}, WatchStep::kStop},
      {"closed while busy", {false, true, true, 0}, WatchStep::kStop},
      {"operation", {true, true, false, 1e9}, WatchStep::kBusy},
      {"exchange", {true, false, true, 1e9}, WatchStep::kBusy},
      {"indicator window polls", {true, false, false, 600}, WatchStep::kOtherPoller},
      {"indicator window gone", {true, false, false, kOtherPollerQuietMs}, WatchStep::kPoll},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(NextWatchStep(row.state), row.step) << row.name;
  }
}

}  // namespace
}  // namespace tamarack
