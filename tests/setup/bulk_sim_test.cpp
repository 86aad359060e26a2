// The whole-setup operations against the simulated indicator: what Write All, Set Default, Save,
// Restore, the setup value file and the calibration steps leave in the indicator. Each test runs
// over an in-memory line and, where the windows are built, through the real port on the
// simulator's pseudo-terminal.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "setup/bulk_ops.h"
#include "setup/calibration.h"
#include "setup/setup_handlers.h"
#include "setup/setup_value_file.h"
#include "sim/simulator.h"
#include "support/quick_sim.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"
#include "support/temp_folder.h"

#if defined(TAMARACK_WITH_PORT)
#include "support/sim_port.h"
#endif

namespace tamarack {
namespace {

using sim::SimulatedIndicator;
using test::SimLine;

std::string& NewValue(SetupModel& model, std::string_view displayNumber) {
  return model.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(displayNumber)))];
}

std::string SixDigits(const std::string& text) {
  return std::string(6 - std::min<std::size_t>(6, text.size()), '0') + text;
}

enum class Line { kInMemory, kPort };

class BulkSim : public testing::TestWithParam<Line> {
 protected:
  BulkSim() : simulator(test::QuickSim()) {}

  void SetUp() override {
    if (GetParam() == Line::kInMemory) {
      line = std::make_unique<SimLine>(simulator);
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

  // A setup unlike the simulator's own in every field.
  SetupModel Edited() {
    SetupModel model = OpeningModel("24-03-2027", "17:05:09");
    const char* numbers[][2] = {{"F1.1", "3000"},  {"F3.1", "12000"}, {"F3.2", "500"},
                                {"F3.3", "62000"}, {"F6.2", "250"},   {"F6.3", "999999"},
                                {"F7.1", "42"},    {"F7.2", "000100"}};
    for (const auto& [param, text] : numbers) NewValue(model, param) = text;
    for (const SetupParam& p : SetupParams()) {
      if (p.kind != ParamKind::kChoice) continue;
      // The last option, or the one before it where the last is the default.
      const int last = static_cast<int>(p.options.size()) - 1;
      model.choice[RowIndex(p)] = p.defaultCode == last ? last - 1 : last;
    }
    return model;
  }

  // The indicator's working setup equals the editable column.
  void ExpectIndicatorHolds(const SetupModel& model) {
    for (const SetupParam& p : SetupParams()) {
      if (const int slot = NewValueSlot(p); slot >= 0) {
        EXPECT_EQ(Sim().Value(p.displayNumber),
                  SixDigits(model.newValue[static_cast<std::size_t>(slot)]))
            << p.displayNumber;
      } else if (p.kind == ParamKind::kChoice) {
        EXPECT_EQ(Sim().Code(p.displayNumber), model.choice[RowIndex(p)]) << p.displayNumber;
      }
    }
  }

  // A copy of the indicator's state, taken under its lock: on the port its own thread answers.
  SimulatedIndicator Sim() {
    return simulator.With([](SimulatedIndicator& m) { return m; });
  }

  sim::Simulator simulator;
#if defined(TAMARACK_WITH_PORT)
  std::unique_ptr<sim::PtyTransport> transport;
#endif
  std::unique_ptr<SerialLink> line;
  test::RecordingFeedback ui;
};

INSTANTIATE_TEST_SUITE_P(Lines, BulkSim, testing::Values(Line::kInMemory, Line::kPort),
                         [](const testing::TestParamInfo<Line>& which) {
                           return which.param == Line::kInMemory ? "in_memory" : "port";
                         });

TEST_P(BulkSim, WriteAllLeavesTheEditableColumnInTheIndicator) {
  SetupModel model = Edited();
  ASSERT_TRUE(WriteAllParams(model, *line, ui));
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{std::string(kWriteAllSuccess)});
  ExpectIndicatorHolds(model);
  EXPECT_EQ(Sim().ClockDate(), "270324");
  EXPECT_TRUE(model.valueModified);
}

TEST_P(BulkSim, WriteAllWithTheCajSwitchOffChangesNothing) {
  simulator.With([](SimulatedIndicator& m) { m.SetCaj(false); });
  const std::string graduations = Sim().Value("F1.1");
  SetupModel model = Edited();
  EXPECT_FALSE(WriteAllParams(model, *line, ui));
  EXPECT_EQ(ui.Texts().back(), kTurnOnCaj);
  EXPECT_EQ(Sim().Value("F1.1"), graduations);
}

TEST_P(BulkSim, ARefusedFieldReachesNothing) {
  SetupModel model = Edited();
  NewValue(model, "F3.3").clear();
  const auto traceBefore = simulator.Trace().size();
  EXPECT_FALSE(WriteAllParams(model, *line, ui));
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"F3.3 Value can not be Empt!"});
  EXPECT_EQ(simulator.Trace().size(), traceBefore);
}

TEST_P(BulkSim, SaveRestoreAndFactoryDefaultMoveTheIndicatorsCopies) {
  const std::string factoryGraduations = Sim().Value("F1.1", SimulatedIndicator::Copy::kFactory);
  SetupModel model = Edited();
  ASSERT_TRUE(WriteAllParams(model, *line, ui));
  SaveParams(model, *line, ui);
  EXPECT_FALSE(model.valueModified);
  EXPECT_EQ(Sim().Value("F1.1", SimulatedIndicator::Copy::kSaved), "003000");

  NewValue(model, "F1.1") = "7000";
  ASSERT_TRUE(WriteAllParams(model, *line, ui));
  EXPECT_EQ(Sim().Value("F1.1"), "007000");
  RestoreParams(model, *line, ui);
  EXPECT_EQ(Sim().Value("F1.1"), "003000");
  EXPECT_FALSE(model.valueModified);

  SetFactoryDefaults(model, *line, ui, [] { return PasswordAnswer::kAccepted; });
  EXPECT_EQ(Sim().Value("F1.1"), factoryGraduations);
  EXPECT_EQ(ui.Texts().back(), kDefaultSuccess);
}

TEST_P(BulkSim, ReadSaveLoadWriteCopiesOneIndicatorIntoAnother) {
  SetupModel first = Edited();
  ASSERT_TRUE(WriteAllParams(first, *line, ui));
  SetupModel reader = OpeningModel("24-03-2027", "17:05:09");
  ASSERT_TRUE(ReadAllParams(reader, *line, ui));

  const test::TempFolder folder;
  const std::string file = folder.PathOf("copy.stx");
  ASSERT_TRUE(SaveSetupFile(file, reader, ui));
  SetupModel writer = OpeningModel("24-03-2027", "17:05:09");
  ASSERT_TRUE(LoadSetupFile(file, writer, ui));

  sim::Simulator other(test::QuickSim());
  SimLine otherLine(other);
  ASSERT_TRUE(WriteAllParams(writer, otherLine, ui));
  for (const SetupParam& p : SetupParams()) {
    if (p.kind == ParamKind::kNumber || p.kind == ParamKind::kChoice) {
      EXPECT_EQ(other.With([&](SimulatedIndicator& m) { return m.Value(p.displayNumber); }),
                Sim().Value(p.displayNumber))
          << p.displayNumber;
    }
  }
}

TEST_P(BulkSim, CalibrationCapturesZeroAndSpan) {
  CalibrationModel wizard = CalibrationModel::Initial();
  simulator.With([](SimulatedIndicator& m) { m.SetLoad(0); });
  PressCalibrationAction(wizard, *line, ui);
  ASSERT_EQ(wizard.caption, "WVALUE");
  const long zero = std::stol(Sim().Value("F3.1"));

  wizard.testWeight = "150";
  PressCalibrationAction(wizard, *line, ui);
  ASSERT_EQ(wizard.caption, "WSPAN");
  EXPECT_EQ(Sim().Value("F3.2"), "000150");

  simulator.With([](SimulatedIndicator& m) { m.SetLoad(150); });
  PressCalibrationAction(wizard, *line, ui);
  ASSERT_EQ(wizard.caption, "REZERO");
  EXPECT_GT(std::stol(Sim().Value("F3.3")), zero);
  EXPECT_TRUE(CalibrationFinishedOnExit(wizard));

  simulator.With([](SimulatedIndicator& m) { m.SetLoad(2); });
  PressCalibrationAction(wizard, *line, ui);
  EXPECT_TRUE(wizard.ended);
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace tamarack
