// The errors of a real scale: the list that names them, and what the simulated indicator shows
// with them, load by load, place by place and minute by minute.

#include "sim/scale_errors.h"

#include <gtest/gtest.h>

#include <cmath>

#include "link/commands.h"
#include "verify_driver.h"

namespace tamarack::sim {
namespace {

using simtest::ClockedSim;

// What the display shows, without the blanks in front.
std::string Shown(SimulatedIndicator& m) {
  const std::string text = m.DisplayText();
  return text.substr(text.find_first_not_of(' '));
}

ScaleErrors Parsed(std::string_view list) {
  const ScaleErrorsRead read = ParseScaleErrors(list);
  EXPECT_TRUE(read.messages.empty()) << list << ": " << read.messages.front();
  return read.errors;
}

TEST(ScaleErrorsList, ReadsEveryItem) {
  const ScaleErrors e = Parsed(
      " span=+0.03%, curve=-2,fl=0.05%,fr=-0.05,bl=+1%,br=0.1%,hyst=1,noise=0.3,creep=0.5,"
      "vibration=2,seed=7 ");
  EXPECT_DOUBLE_EQ(e.spanPct, 0.03);
  EXPECT_DOUBLE_EQ(e.curveE, -2);
  EXPECT_DOUBLE_EQ(e.CornerPct(Position::kFrontLeft), 0.05);
  EXPECT_DOUBLE_EQ(e.CornerPct(Position::kFrontRight), -0.05);
  EXPECT_DOUBLE_EQ(e.CornerPct(Position::kBackLeft), 1);
  EXPECT_DOUBLE_EQ(e.CornerPct(Position::kBackRight), 0.1);
  EXPECT_DOUBLE_EQ(e.CornerPct(Position::kCentre), 0);
  EXPECT_DOUBLE_EQ(e.hysteresisE, 1);
  EXPECT_DOUBLE_EQ(e.noiseE, 0.3);
  EXPECT_DOUBLE_EQ(e.creepE, 0.5);
  EXPECT_DOUBLE_EQ(e.vibrationE, 2);
  EXPECT_EQ(e.seed, 7u);
  EXPECT_FALSE(e.Ideal());
  // Written back as it reads, and read back the same.
  EXPECT_EQ(ScaleErrorsText(e),
            "span=+0.03%,curve=-2,fl=+0.05%,fr=-0.05%,bl=+1%,br=+0.1%,hyst=+1,noise=0.3,"
            "creep=0.5,vibration=2,seed=7");
  EXPECT_EQ(Parsed(ScaleErrorsText(e)), e);
  EXPECT_TRUE(Parsed("").Ideal());
  EXPECT_TRUE(Parsed("  ").Ideal());
  EXPECT_TRUE(Parsed("seed=9,noise=0").Ideal()) << "a seed alone is no error";
  EXPECT_EQ(ScaleErrorsText(ScaleErrors{}), "");
}

TEST(ScaleErrorsList, SaysWhatIsWrongWithEachBadItem) {
  const struct {
    const char* list;
    std::vector<std::string> messages;
  } rows[] = {
      {"spam=1",
       {"\"spam=1\": no such item; the items are span, curve, fl, fr, bl, br, hyst, noise, "
        "creep, vibration, seed"}},
      {"span", {"\"span\": give a value, as in span=0.05%"}},
      {"noise=", {"\"noise=\": give a value"}},
      {"span=abc", {"\"span=abc\": \"abc\" is not a number"}},
      {"span=0.03%%", {"\"span=0.03%%\": \"0.03%\" is not a number"}},
      {"span=++1", {"\"span=++1\": \"++1\" is not a number"}},
      {"span=nan", {"\"span=nan\": \"nan\" is not a number"}},
      {"curve=1%", {"\"curve=1%\": curve is in e, not in %"}},
      {"noise=-0.1", {"\"noise=-0.1\": noise cannot be negative"}},
      {"span=11%", {"\"span=11%\": span must be within ±10 %"}},
      {"vibration=1001", {"\"vibration=1001\": vibration must be at most 1000 e"}},
      {"seed=-1", {"\"seed=-1\": the seed is a whole number"}},
      // Every bad item has its say; the good ones between them do not hide them.
      {"span=1,,hyst=x,span=2",
       {"Item 2 of the list is empty", "\"hyst=x\": \"x\" is not a number",
        "\"span=2\": span is given twice"}},
      {"fl=1,", {"Item 2 of the list is empty"}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ParseScaleErrors(row.list).messages, row.messages) << row.list;
  }
}

TEST(ScaleErrorsList, NamesPositions) {
  const struct {
    const char* text;
    std::optional<Position> position;
  } rows[] = {{"centre", Position::kCentre},
              {"Center", Position::kCentre},
              {"front left", Position::kFrontLeft},
              {"front-right", Position::kFrontRight},
              {" Back Left ", Position::kBackLeft},
              {"br", Position::kBackRight},
              {"front", std::nullopt},
              {"", std::nullopt}};
  for (const auto& row : rows) EXPECT_EQ(ParsePosition(row.text), row.position) << row.text;
}

// One load placed after another, and what the display shows once it rests; the factory scale,
// Max 1000.0 kg, e 0.1 kg, without dynamics.
struct Placed {
  double kg;
  Position position;
  const char* shown;
};

TEST(ScaleErrorModel, WhatTheDisplayShows) {
  constexpr Position C = Position::kCentre;
  const struct {
    const char* errors;
    std::vector<Placed> loads;
  } rows[] = {
      {"", {{0, C, "0.0"}, {1000, C, "1000.0"}, {333.3, Position::kBackLeft, "333.3"}}},
      // In proportion to the load: 3 e at Max, 1.5 e (shown 2) at half of it.
      {"span=+0.03%", {{1000, C, "1000.3"}, {400, C, "400.1"}, {0, C, "0.0"}}},
      {"span=-0.05%", {{1000, C, "999.5"}}},
      // The curve: all of it at half of Max, three quarters at a quarter, none at the ends.
      {"curve=4", {{500, C, "500.4"}, {250, C, "250.3"}, {1000, C, "1000.0"}, {0, C, "0.0"}}},
      // Each quarter its own; the centre none.
      {"fl=+0.05%,fr=-0.05%,bl=+0.1%,br=-0.1%",
       {{200, C, "200.0"},
        {200, Position::kFrontLeft, "200.1"},
        {200, Position::kFrontRight, "199.9"},
        {200, Position::kBackLeft, "200.2"},
        {200, Position::kBackRight, "199.8"},
        {200, C, "200.0"}}},
      // Decreasing loads read higher until a load goes up again; an empty scale reads zero.
      {"hyst=1",
       {{500, C, "500.0"},
        {400, C, "400.1"},
        {400, Position::kFrontLeft, "400.1"},
        {450, C, "450.0"},
        {50, C, "50.1"},
        {0, C, "0.0"}}},
      {"span=+0.03%,fl=+0.05%", {{1000, Position::kFrontLeft, "1000.8"}}},
  };
  for (const auto& row : rows) {
    ClockedSim scale(Parsed(row.errors));
    for (const Placed& p : row.loads) {
      const std::string shown = scale.sim.With([&](SimulatedIndicator& m) {
        m.SetPosition(p.position);
        m.SetLoad(p.kg);
        return Shown(m);
      });
      EXPECT_EQ(shown, p.shown) << row.errors << ": " << p.kg << " kg at the "
                                << PositionText(p.position);
    }
  }
}

// Creep runs on the injected clock: the reading drifts the way the load went, for 30 minutes.
TEST(ScaleErrorModel, CreepOverMinutes) {
  ClockedSim scale(Parsed("creep=0.5"));
  const auto at = [&](double minutes) {
    scale.nowMs = static_cast<std::int64_t>(minutes * 60'000);
    return scale.sim.With([](SimulatedIndicator& m) { return Shown(m); });
  };
  scale.sim.With([](SimulatedIndicator& m) { m.SetLoad(100); });
  EXPECT_EQ(at(0), "100.0");
  EXPECT_EQ(at(4), "100.2");
  EXPECT_EQ(at(30), "101.5");
  EXPECT_EQ(at(90), "101.5") << "creep stops after 30 minutes";
  scale.sim.With([](SimulatedIndicator& m) { m.SetLoad(0); });
  EXPECT_EQ(at(90), "0.0") << "a load change starts it afresh";
  EXPECT_EQ(at(92), "-0.1") << "down after unloading";
  // The load not changed: the same creep goes on.
  scale.sim.With([](SimulatedIndicator& m) { m.SetLoad(0); });
  EXPECT_EQ(at(96), "-0.3");
}

// The noise's spread is the standard deviation asked for, the same run for the same seed; with
// dynamics the filters narrow it.
TEST(ScaleErrorModel, SeededNoise) {
  const auto readings = [](const char* errors, bool dynamics) {
    ClockedSim scale(Parsed(errors), dynamics);
    scale.sim.With([](SimulatedIndicator& m) { m.SetLoad(500); });
    scale.nowMs += 10'000;  // the swing of placing it is over
    std::vector<double> kg;
    for (int i = 0; i < 4000; ++i) {
      scale.nowMs += 200;
      scale.sim.Feed(DisplayPollRequest());
      kg.push_back(scale.sim.With([](SimulatedIndicator& m) { return m.ReadingKg(); }));
    }
    return kg;
  };
  const auto spreadE = [](const std::vector<double>& kg) {
    double sum = 0, squares = 0;
    for (double v : kg) sum += v;
    const double mean = sum / static_cast<double>(kg.size());
    for (double v : kg) squares += (v - mean) * (v - mean);
    EXPECT_NEAR(mean, 500, 0.01);
    return std::sqrt(squares / static_cast<double>(kg.size() - 1)) / 0.1;
  };
  EXPECT_NEAR(spreadE(readings("noise=0.3", false)), 0.3, 0.015);
  EXPECT_EQ(readings("noise=0.3", false), readings("noise=0.3", false));
  EXPECT_NE(readings("noise=0.3", false), readings("noise=0.3,seed=2", false));
  // Through the factory's filters (averages of 2, 4 and 4 samples) a little over a third is left.
  const double filtered = spreadE(readings("noise=0.3", true));
  EXPECT_GT(filtered, 0.08);
  EXPECT_LT(filtered, 0.16);
  EXPECT_EQ(readings("noise=0.3", true), readings("noise=0.3", true));
}

}  // namespace
}  // namespace tamarack::sim
