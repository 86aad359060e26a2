// Copy Current and Verify against the simulated indicator, over an in-memory
// line and, where the windows are built, through the real port on its pseudo-terminal.

#include <gtest/gtest.h>

#include <memory>

#include "setup/bulk_ops.h"
#include "setup/setup_diff.h"
#include "setup/setup_handlers.h"
#include "sim/simulator.h"
#include "support/quick_sim.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"

#if defined(TAMARACK_WITH_PORT)
#include "support/sim_port.h"
#endif

namespace tamarack {
namespace {

using sim::SimulatedIndicator;
using test::RecordingFeedback;
using Kind = RecordingFeedback::Kind;

enum class Line { kInMemory, kPort };

class SafeSim : public testing::TestWithParam<Line> {
 protected:
  SafeSim() : simulator(test::QuickSim()) {}

  void SetUp() override {
    // A setup unlike the factory one in a few places.
    simulator.With([](SimulatedIndicator& m) {
      m.SetValue("F1.1", "003000");
      m.SetValue("F1.6", "04");
      m.SetValue("F3.1", "012345");
      m.SetValue("F6.2", "000250");
      m.SetValue("F7.1", "000042");
    });
    if (GetParam() == Line::kInMemory) {
      line = std::make_unique<test::SimLine>(simulator);
      return;
    }
#if defined(TAMARACK_WITH_PORT)
    test::EnsureCoreApplication();
    transport = std::make_unique<sim::PtyTransport>(simulator, sim::PtyTransport::Options{});
    auto port = std::make_unique<CommPort>();
    const std::string error = test::ServeAndOpen(*transport, *port, ui);
    ASSERT_TRUE(error.empty()) << error;
    line = std::move(port);
#else
    GTEST_SKIP() << "built without the port";
#endif
  }

  void TearDown() override {
    line.reset();
#if defined(TAMARACK_WITH_PORT)
    if (transport) transport->Stop();
#endif
  }

  // The working values of the 30 parameters Write All sends.
  std::vector<std::string> IndicatorSetup() {
    return simulator.With([](SimulatedIndicator& m) {
      std::vector<std::string> values;
      for (const SetupParam& p : ComparedParams()) values.push_back(m.Value(p.displayNumber));
      return values;
    });
  }

  sim::Simulator simulator;
#if defined(TAMARACK_WITH_PORT)
  std::unique_ptr<sim::PtyTransport> transport;
#endif
  std::unique_ptr<SerialLink> line;
  RecordingFeedback ui;
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
};

INSTANTIATE_TEST_SUITE_P(Lines, SafeSim, testing::Values(Line::kInMemory, Line::kPort),
                         [](const testing::TestParamInfo<Line>& which) {
                           return which.param == Line::kInMemory ? "in_memory" : "port";
                         });

TEST_P(SafeSim, WriteAllAfterCopyCurrentLeavesTheIndicatorAsItWas) {
  const std::vector<std::string> before = IndicatorSetup();
  ASSERT_TRUE(ReadAllParams(model, *line, ui));
  // The opening column would have written the factory defaults over the indicator's setup.
  EXPECT_EQ(Differences(model).size(), 7U);
  CopyCurrentValues(model);
  EXPECT_TRUE(Differences(model).empty());
  ASSERT_TRUE(WriteAllParams(model, *line, ui)) << testing::PrintToString(ui.Texts());
  EXPECT_EQ(IndicatorSetup(), before);

  // Read, change one, Write All: only that one changes.
  model.choice[RowIndex(*FindParam("F1.6"))] = 2;
  ASSERT_TRUE(WriteAllParams(model, *line, ui));
  std::vector<std::string> expected = before;
  expected[RowIndex(*FindParam("F1.6"))] = "02";
  EXPECT_EQ(IndicatorSetup(), expected);
}

TEST_P(SafeSim, VerifyFindsWhatChangedBehindTheWindowsBack) {
  ASSERT_TRUE(ReadAllParams(model, *line, ui));
  CopyCurrentValues(model);
  EXPECT_TRUE(VerifyParams(model, *line, ui));
  ASSERT_EQ(ui.messages.size(), 1U);
  EXPECT_EQ(ui.messages[0],
            (RecordingFeedback::Message{Kind::kSuccess, "All 30 values match the indicator."}));

  simulator.With([](SimulatedIndicator& m) {
    m.SetValue("F1.6", "01");
    m.SetValue("F7.1", "000043");
  });
  EXPECT_FALSE(VerifyParams(model, *line, ui));
  ASSERT_EQ(ui.messages.size(), 2U);
  EXPECT_EQ(ui.messages[1],
            (RecordingFeedback::Message{Kind::kFailure,
                                        "F1.6: new value 4 (120Hz), indicator 1 (15Hz)\n"
                                        "F7.1: new value 000042, indicator 000043"}));
  // The read refreshed the current column.
  EXPECT_EQ(model.currentValue[RowIndex(*FindParam("F1.6"))], "1 (15Hz)");
}

}  // namespace
}  // namespace tamarack
