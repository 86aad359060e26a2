// The simulated scale's dynamics on a clock the test moves: a load step's swing under the sample
// rates and filters, the Stable lamp against the motion band, the shake the filters calm.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "link/commands.h"
#include "link/display_reply.h"
#include "verify_driver.h"

namespace tamarack::sim {
namespace {

using simtest::ClockedSim;

constexpr double kE = 0.1;  // kg, the factory's scale interval

void SetCode(ClockedSim& scale, const char* number, int code) {
  scale.sim.With([&](SimulatedIndicator& m) { m.SetValue(number, "0" + std::to_string(code)); });
}

void SetFilters(ClockedSim& scale, int rate, int l1, int l2, int l3) {
  SetCode(scale, "F1.6", rate);
  SetCode(scale, "F1.7", l1);
  SetCode(scale, "F1.8", l2);
  SetCode(scale, "F1.9", l3);
}

struct Moment {
  std::string shown;
  bool lit;
  double kg;
};

// The display and its Stable lamp as a poll shows them.
Moment Look(ClockedSim& scale) {
  return scale.sim.With([](SimulatedIndicator& m) {
    const std::string reply = m.DisplayReply();
    const LampInfo& stable = LampOf(Lamp::kStable);
    const bool lit = (static_cast<std::uint8_t>(reply[stable.byte]) >> stable.bit) & 1;
    return Moment{m.DisplayText(), lit, m.ReadingKg()};
  });
}

// A step from the empty scale to 500 kg, watched every 10 ms for 30 s.
struct StepSeen {
  double steadyS = 0;     // the display's last change
  double litS = 0;        // the Stable lamp lit for good
  double overshootE = 0;  // the highest reading beyond 500 kg
  std::string last;
  bool litAtOnce = true;  // lit at the first look after the step
};

StepSeen WatchStep(ClockedSim& scale) {
  scale.sim.With([](SimulatedIndicator& m) { m.SetLoad(500); });
  StepSeen seen;
  const std::int64_t start = scale.nowMs;
  for (std::int64_t ms = 0; ms <= 30'000; ms += 10) {
    scale.nowMs = start + ms;
    const Moment now = Look(scale);
    if (now.shown != seen.last) seen.steadyS = ms / 1000.0;
    if (!now.lit) seen.litS = (ms + 10) / 1000.0;
    if (ms == 100) seen.litAtOnce = now.lit;
    seen.overshootE = std::max(seen.overshootE, (now.kg - 500) / kE);
    seen.last = now.shown;
  }
  return seen;
}

TEST(ScaleDynamics, MoreFilteringSettlesSlowerAndSwingsLess) {
  const struct {
    const char* what;
    int rate, l1, l2, l3;
  } orders[][5] = {
      // The filters' levels at the factory's 15 Hz, least to most.
      {{"15 Hz, no filter", 1, 0, 0, 0},
       {"15 Hz, 1 1 1", 1, 1, 1, 1},
       {"15 Hz, the factory's 1 2 2", 1, 1, 2, 2},
       {"15 Hz, 3 3 3", 1, 3, 3, 3},
       {"15 Hz, 5 5 5", 1, 5, 5, 5}},
      // The factory's filters at fewer samples a second: each average reaches further back.
      {{"960 Hz", 7, 1, 2, 2},
       {"120 Hz", 4, 1, 2, 2},
       {"30 Hz", 2, 1, 2, 2},
       {"15 Hz", 1, 1, 2, 2},
       {"7.5 Hz", 0, 1, 2, 2}},
  };
  for (const auto& order : orders) {
    StepSeen before;
    for (std::size_t i = 0; i < std::size(order); ++i) {
      const auto& row = order[i];
      ClockedSim scale({}, true);
      SetFilters(scale, row.rate, row.l1, row.l2, row.l3);
      const StepSeen seen = WatchStep(scale);
      EXPECT_EQ(seen.last, "  500.0") << row.what;
      EXPECT_LT(seen.steadyS, 30) << row.what;
      if (i > 0) {
        EXPECT_GT(seen.steadyS, before.steadyS) << row.what << " settles slower";
        EXPECT_GT(seen.litS, before.litS) << row.what << " lights its lamp later";
        EXPECT_LT(seen.overshootE, before.overshootE) << row.what << " swings less";
      }
      before = seen;
    }
  }
}

TEST(ScaleDynamics, StableLampFollowsTheMotionBand) {
  const struct {
    const char* what;
    int bandCode;
  } bands[] = {{"1D", 0}, {"5D", 3}, {"20D", 5}};
  double before = 1e9;
  for (const auto& band : bands) {
    ClockedSim scale({}, true);
    SetCode(scale, "F1.4", band.bandCode);
    const StepSeen seen = WatchStep(scale);
    EXPECT_FALSE(seen.litAtOnce) << band.what << ": off while the load swings in";
    EXPECT_LT(seen.litS, before) << band.what << ": a wider band lights sooner";
    EXPECT_GT(seen.litS, 0.5) << band.what;
    before = seen.litS;
  }

  // OFF: no motion detection; the Motion switch still puts the lamp out.
  ClockedSim off({}, true);
  SetCode(off, "F1.4", 6);
  EXPECT_EQ(WatchStep(off).litS, 0);
  off.sim.With([](SimulatedIndicator& m) { m.SetMotion(true); });
  EXPECT_FALSE(Look(off).lit);

  // While the lamp is out, PRINT prints nothing; once it is lit, a ticket.
  ClockedSim scale({}, true);
  scale.sim.With([](SimulatedIndicator& m) { m.SetLoad(200); });
  scale.nowMs += 300;
  ASSERT_FALSE(Look(scale).lit);
  scale.sim.Feed(KeyRequest(key::kPrint));
  EXPECT_TRUE(scale.sim.Snapshot().tickets.empty());
  scale.nowMs += 5000;
  ASSERT_TRUE(Look(scale).lit);
  scale.sim.Feed(KeyRequest(key::kPrint));
  EXPECT_EQ(scale.sim.Snapshot().tickets.size(), 1u);
}

// Without dynamics a load is shown at the next poll; with them, from the next sample on, and
// turning them off ends the swing at once.
TEST(ScaleDynamics, ALoadIsShownAtOnceOnlyWithoutDynamics) {
  ClockedSim still;
  still.sim.With([](SimulatedIndicator& m) { m.SetLoad(500); });
  EXPECT_EQ(Look(still).shown, "  500.0");
  EXPECT_TRUE(Look(still).lit);

  ClockedSim moving({}, true);
  moving.nowMs = 1000;
  moving.sim.With([](SimulatedIndicator& m) { m.SetLoad(500); });
  EXPECT_EQ(Look(moving).shown, "    0.0") << "the sample before the load came";
  moving.nowMs += 67;  // the next sample at 15 Hz
  const Moment swinging = Look(moving);
  EXPECT_NE(swinging.shown, "    0.0");
  EXPECT_NE(swinging.shown, "  500.0");
  EXPECT_FALSE(swinging.lit);
  moving.sim.With([](SimulatedIndicator& m) { m.SetDynamics(false); });
  EXPECT_EQ(Look(moving).shown, "  500.0");
  EXPECT_TRUE(Look(moving).lit);
}

// A steady shake: the readings over ten seconds spread less, the more the filters average, and
// the lamp stays lit once the shake that is left lies within the band.
TEST(ScaleDynamics, FiltersCalmAShake) {
  const struct {
    const char* what;
    int l1, l2, l3;
    bool lit;
  } rows[] = {{"no filter", 0, 0, 0, false},
              {"the factory's", 1, 2, 2, true},
              {"the strongest", 5, 5, 5, true}};
  double before = 1e9;
  for (const auto& row : rows) {
    ClockedSim scale(ParseScaleErrors("vibration=0.8").errors, true);
    SetFilters(scale, 1, row.l1, row.l2, row.l3);
    scale.sim.With([](SimulatedIndicator& m) { m.SetLoad(300); });
    scale.nowMs += 20'000;
    double low = 1e9, high = -1e9;
    bool alwaysLit = true;
    for (int ms = 0; ms < 10'000; ms += 50) {
      scale.nowMs += 50;
      const Moment now = Look(scale);
      low = std::min(low, now.kg);
      high = std::max(high, now.kg);
      alwaysLit = alwaysLit && now.lit;
    }
    const double spreadE = (high - low) / kE;
    EXPECT_LT(spreadE, before) << row.what;
    EXPECT_EQ(alwaysLit, row.lit) << row.what << ": spread " << spreadE << " e";
    before = spreadE;
  }
}

}  // namespace
}  // namespace tamarack::sim
