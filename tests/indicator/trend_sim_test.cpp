// The weight series fed by real polls of the simulated indicator through the traced line, on a
// simulated clock of half a second a poll.

#include <gtest/gtest.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>

#include "indicator/live_indicator_model.h"
#include "indicator/weight_series.h"
#include "link/tracing_link.h"
#include "sim/simulator.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"

namespace tamarack {
namespace {

class TrendSim : public ::testing::Test {
 protected:
  TrendSim() {
    trace.AddListener([this](const TracedExchange& e) { series.AddExchange(e, clock, 0); });
    simulator.With([](sim::SimulatedIndicator& m) { m.SetLoad(0); });
  }

  void PollFor(double seconds) {
    for (const double end = clock + seconds; clock < end; clock += 0.5) {
      ASSERT_NE(RunPoll(model, trace, ui).outcome, PollOutcome::kSkipped);
    }
  }

  static sim::Simulator::Options Untraced() {
    sim::Simulator::Options options;
    options.traceLimit = 0;  // the simulator's own trace is not what this test measures
    return options;
  }

  sim::Simulator simulator{Untraced()};
  test::SimLine line{simulator};
  // A short ring: the trace keeps its own copies, which this test does not measure.
  TracingLink trace{line, 8};
  test::RecordingFeedback ui;
  LiveIndicatorModel model;
  WeightSeries series;
  double clock = 0;
};

TEST_F(TrendSim, LoadStepShowsAndItsSettleTimeIsMeasured) {
  PollFor(5);
  // 25 kg goes on: the scale swings for three seconds, then settles.
  simulator.With([](sim::SimulatedIndicator& m) { m.SetMotion(true); });
  for (const double kg : {18.0, 27.5, 24.2, 25.4, 24.9, 25.1}) {
    simulator.With([kg](sim::SimulatedIndicator& m) { m.SetLoad(kg); });
    PollFor(0.5);
  }
  simulator.With([](sim::SimulatedIndicator& m) {
    m.SetLoad(25);
    m.SetMotion(false);
  });
  PollFor(5);

  const auto figures = series.Figures(0, clock);
  ASSERT_TRUE(figures);
  EXPECT_DOUBLE_EQ(figures->minimum, 0);
  EXPECT_DOUBLE_EQ(figures->maximum, 27.5);
  EXPECT_EQ(figures->unit, WeightUnit::kKg);
  ASSERT_TRUE(figures->settleSeconds);
  EXPECT_DOUBLE_EQ(*figures->settleSeconds, 3.0);
  EXPECT_DOUBLE_EQ(series.Samples().back().Value(), 25.0);

  // The line fails for a while: a gap, then the weight again.
  simulator.SetFault(sim::RequestKind::kPoll, sim::FaultKind::kSilence, 3);
  PollFor(2);
  const auto& s = series.Samples();
  const auto gaps = std::count_if(s.begin(), s.end(), [](const auto& p) { return !p.reading; });
  EXPECT_EQ(gaps, 1);
  EXPECT_TRUE(s.back().HasValue());
}

// What the heap holds, as glibc counts it. Elsewhere it is 0, and only the bound on the points
// is checked.
std::size_t HeapInUse() {
#if defined(__GLIBC__)
  return mallinfo2().uordblks;
#else
  return 0;
#endif
}

TEST_F(TrendSim, ThirtyMinutesOfPollsKeepMemoryFlat) {
  PollFor(kTrendKeepSeconds);
  ASSERT_EQ(series.Samples().size(), kTrendCapacity);
  const std::size_t heldAfterHalfHour = HeapInUse();
  PollFor(kTrendKeepSeconds);
  const std::size_t heldAfterAnHour = HeapInUse();
  EXPECT_EQ(series.Samples().size(), kTrendCapacity);
  EXPECT_DOUBLE_EQ(series.Samples().back().seconds, clock - 0.5);
  // The second half hour replaced the first one without growing; a few pages of slack only.
  EXPECT_LE(heldAfterAnHour, heldAfterHalfHour + 64 * 1024);
}

}  // namespace
}  // namespace tamarack
