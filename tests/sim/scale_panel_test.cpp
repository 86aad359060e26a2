// The simulated indicator as a panel beside it drives it: changes posted to its serving thread,
// the published snapshot, the scale's capacity, and the printed ticket.

#include <gtest/gtest.h>

#include <thread>

#include "link/commands.h"
#include "printfmt/print_format.h"
#include "printfmt/ticket_renderer.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"
#include "sim_test_util.h"
#include "support/test_names.h"

namespace tamarack::sim {
namespace {

using test::FixedClockSim;
using test::kFixedNow;

Frame Send(char mode, std::string_view text) {
  return SendFormatRequest(
      mode, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(ScalePanelTest, PrintedTicketIsTheRenderedFormatWithThePreviewValues) {
  Simulator::Options options = FixedClockSim();
  options.indicator.localTime = true;  // the preview shows the PC's local time
  Simulator sim(options);
  FormatLines lines;
  lines[0] = "No.<CN><SP2><D> <I><nl>";
  lines[1] = "<G>|<T>|<N>|<P><NL>";
  lines[2] = "item <CD>: <CO> pcs<NL2>";
  lines[3] = "<X1><NL";
  lines[4] = "<E>not printed";
  const std::string format = JoinLines(lines, false).value();
  // Everything over the wire: the net format, the consecutive number, item 5 with an average
  // weight of 0.2 kg, a tare of 5 kg and 25 kg on the scale.
  ASSERT_EQ(sim.Feed(Send('N', format)), ShortFrame("OK"));
  ASSERT_EQ(sim.Feed(WriteParamRequest({7, 1}, "000123")), ShortFrame("OK"));
  ASSERT_EQ(sim.Feed(WriteParamRequest({5, 2}, "000005")), ShortFrame("OK"));
  ASSERT_EQ(sim.Feed(WeightRequest("05", "0335544320")), ShortFrame("OK"));
  sim.Post([](SimulatedIndicator& m, FaultPlan&) { m.SetLoad(5); });
  ASSERT_EQ(sim.Feed(KeyRequest(key::kTare)), ShortFrame("OK"));
  sim.Post([](SimulatedIndicator& m, FaultPlan&) { m.SetLoad(25); });
  ASSERT_EQ(sim.Feed(KeyRequest(key::kPrint)), ShortFrame("OK"));

  const std::vector<std::string> tickets = sim.Snapshot().tickets;
  ASSERT_EQ(tickets.size(), 1u);
  const std::string expected = RenderTicket(format, SampleTicketValues(kFixedNow));
  EXPECT_EQ(tickets[0], expected);
  EXPECT_TRUE(expected.starts_with("No.000123  ")) << expected;
  EXPECT_NE(expected.find("\n25.0 kg|5.0 kg|20.0 kg|25.0 kg\nitem 05: 100 pcs\n\n<X1>"),
            std::string::npos)
      << expected;
}

TEST(ScalePanelTest, PostedChangesWaitForTheNextRequestWithoutAWakeUp) {
  Simulator sim(FixedClockSim());
  sim.Post([](SimulatedIndicator& m, FaultPlan& faults) {
    m.SetLoad(100);
    m.SetMotion(true);
    faults.InjectNext(FaultKind::kSilence, 2);
  });
  // Nothing has run yet: the snapshot still shows the empty scale.
  EXPECT_EQ(sim.Snapshot().loadKg, 0);
  EXPECT_EQ(sim.Snapshot().faultsWaiting, 0u);

  // The next request finds the change made, and the first of the two spoilt replies.
  EXPECT_TRUE(sim.Feed(DisplayPollRequest()).empty());
  SimSnapshot seen = sim.Snapshot();
  EXPECT_EQ(seen.loadKg, 100);
  EXPECT_TRUE(seen.motion);
  EXPECT_EQ(seen.faultsWaiting, 1u);
  EXPECT_TRUE(sim.Feed(DisplayPollRequest()).empty());
  EXPECT_FALSE(sim.Feed(DisplayPollRequest()).empty());
  EXPECT_EQ(sim.Snapshot().faultsWaiting, 0u);
  EXPECT_EQ(sim.With([](SimulatedIndicator& m) { return m.DisplayText(); }), "  100.0");
}

struct CapacityCase {
  const char* what;
  std::vector<std::pair<std::string_view, std::string_view>> settings;
  double kg;
};

class CapacityTest : public testing::TestWithParam<CapacityCase> {};

TEST_P(CapacityTest, GraduationsTimesDivision) {
  Simulator sim(FixedClockSim());
  sim.With([&](SimulatedIndicator& m) {
    for (const auto& [number, value] : GetParam().settings) m.SetValue(number, value);
  });
  EXPECT_NEAR(sim.Snapshot().capacityKg, GetParam().kg, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, CapacityTest,
    testing::Values(
        CapacityCase{"factory 10000 x 0.1 kg", {}, 1000.0},
        CapacityCase{"3000 x 0.05 kg", {{"F1.1", "003000"}, {"F2.2", "02"}, {"F2.3", "02"}}, 150.0},
        CapacityCase{"whole kg, d 2", {{"F2.2", "00"}, {"F2.3", "01"}}, 20000.0},
        CapacityCase{"last digit fixed at 0", {{"F1.1", "000500"}, {"F2.2", "05"}}, 5000.0},
        CapacityCase{"pounds", {{"F2.1", "00"}}, 1000.0 / 2.20462262185}),
    test::ByWhat{});

// With the line served, a posted change is made at once, before any request comes.
TEST(ScalePanelTest, ServingThreadIsWokenForAPostedChange) {
  Simulator sim(FixedClockSim());
  PtyTransport transport(sim, {});
  std::string error;
  ASSERT_TRUE(transport.Start(&error)) << error;
  sim.Post([](SimulatedIndicator& m, FaultPlan&) { m.SetLoad(42.5); });
  const auto giveUp = Clock::now() + std::chrono::seconds(10);
  while (sim.Snapshot().loadKg != 42.5 && Clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(sim.Snapshot().loadKg, 42.5);
  transport.Stop();
  // Once the transport has stopped, posting no longer touches its closed pipe.
  sim.Post([](SimulatedIndicator& m, FaultPlan&) { m.SetLoad(1); });
  EXPECT_EQ(sim.Snapshot().loadKg, 42.5);
}

}  // namespace
}  // namespace tamarack::sim
