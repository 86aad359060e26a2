// The setup handlers over the whole serial stack: CommPort on a pseudo-terminal served by the
// simulated indicator.

#include <gtest/gtest.h>

#include "link/commands.h"
#include "setup/param_codec.h"
#include "setup/setup_handlers.h"
#include "sim/sim_test_util.h"
#include "support/sim_port.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using sim::FaultKind;
using sim::SimulatedIndicator;
using test::RecordingFeedback;
using Kind = RecordingFeedback::Kind;

class SetupOverSim : public test::SimPortTest {
 protected:
  SetupOverSim() : SimPortTest(test::FixedClockSim()) { ui.realWaits = true; }

  void SetUp() override {
    SimPortTest::SetUp();
    sim.ClearTrace();
  }

  // The request payloads the simulator received, in order.
  std::vector<std::string> Requests() const {
    std::vector<std::string> out;
    for (const Frame& request : SimPortTest::Requests()) out.push_back(sim::simtest::Text(request));
    return out;
  }

  std::vector<std::string> Failures() const {
    std::vector<std::string> out;
    for (const auto& m : ui.messages) {
      if (m.kind == Kind::kFailure) out.push_back(m.text);
    }
    return out;
  }

  std::string Set(std::string_view number, std::string_view value) {
    sim.With([&](SimulatedIndicator& m) { m.SetValue(number, value); });
    return std::string(value);
  }

  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
};

TEST_F(SetupOverSim, ReadAllAsksInTableOrderAndShowsTheIndicatorsValues) {
  Set("F1.1", "005000");
  Set("F1.11", "03");
  Set("F2.3", "02");
  Set("F7.1", "000042");
  ASSERT_TRUE(ReadAllParams(model, port, ui)) << testing::PrintToString(ui.Texts());
  EXPECT_TRUE(ui.messages.empty());

  std::vector<std::string> expected;
  for (const SetupParam& p : SetupParams()) {
    expected.push_back(sim::simtest::Text(ReadParamRequest(p.address)));
  }
  EXPECT_EQ(Requests(), expected);

  auto shown = [&](std::string_view number) {
    return model.currentValue[RowIndex(*FindParam(number))];
  };
  EXPECT_EQ(shown("F1.1"), "005000");
  EXPECT_EQ(shown("F1.2"), "1 (0.5D)");
  EXPECT_EQ(shown("F1.11"), "3 (1OD)");
  EXPECT_EQ(shown("F2.3"), "2 (d=5)");
  EXPECT_EQ(shown("F7.1"), "000042");
  EXPECT_EQ(shown("F7.3"), sim::kSimVersion);
  EXPECT_EQ(shown("F7.4"), "07-12-26");
  EXPECT_EQ(shown("F7.5"), "09:30:45");
}

class ReadAllLineFaults : public SetupOverSim, public testing::WithParamInterface<FaultKind> {};

TEST_P(ReadAllLineFaults, StopAtTheFirstParameterAndChangeNoField) {
  model.currentValue.fill("kept");
  sim.InjectNext(GetParam());
  EXPECT_FALSE(ReadAllParams(model, port, ui));
  EXPECT_EQ(Failures(), std::vector<std::string>{"F01.01 Read Value False!"});
  EXPECT_EQ(Requests(), std::vector<std::string>{sim::simtest::Text(ReadParamRequest({1, 1}))});
  for (const std::string& v : model.currentValue) EXPECT_EQ(v, "kept");
}

INSTANTIATE_TEST_SUITE_P(Faults, ReadAllLineFaults, testing::ValuesIn(test::ReplyFaults(false)),
                         test::ByFault());

struct ValueFault {
  const char* what;
  std::string_view number;
  std::string_view value;
  std::string_view message;
};

class ReadAllValueFaults : public SetupOverSim, public testing::WithParamInterface<ValueFault> {};

TEST_P(ReadAllValueFaults, StopAtThatParameter) {
  const ValueFault& f = GetParam();
  Set(f.number, f.value);
  model.currentValue.fill("kept");
  EXPECT_FALSE(ReadAllParams(model, port, ui));
  EXPECT_EQ(Failures(), std::vector<std::string>{std::string(f.message)});
  const SetupParam& p = *FindParam(f.number);
  EXPECT_EQ(Requests().size(), RowIndex(p) + 1);
  EXPECT_EQ(Requests().back(), sim::simtest::Text(ReadParamRequest(p.address)));
  for (const std::string& v : model.currentValue) EXPECT_EQ(v, "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadAllValueFaults,
    testing::Values(ValueFault{"code past the list", "F2.6", "07", "F2.6 Value err!"},
                    ValueFault{"short number", "F5.1", "1", "F05.01 Read Value False!"},
                    ValueFault{"long choice", "F6.1", "001", "F06.01 Read Value False!"}),
    test::ByWhat());

TEST_F(SetupOverSim, WritesSendByteExactFramesAndTheIndicatorTakesThem) {
  model.choice[RowIndex(*FindParam("F1.6"))] = 7;
  const struct {
    std::string_view number;
    std::string_view frame;
  } writes[] = {{"F1.1", "P01.01=010000E"},
                {"F1.6", "P01.06=000007E"},
                {"F2.1", "P02.01=000001E"},
                {"F7.4", "P07.04=261207E"},
                {"F7.5", "P07.05=093045E"}};
  for (const auto& w : writes) {
    EXPECT_TRUE(WriteParamHandler(model, port, ui, *FindParam(w.number))) << w.number;
  }
  std::vector<std::string> expected;
  for (const auto& w : writes) expected.push_back(sim::simtest::Text(ShortFrame(w.frame)));
  EXPECT_EQ(Requests(), expected);
  EXPECT_EQ(ui.Texts(),
            (std::vector<std::string>{"F1.1 Value Write Sucess!", "F1.6 Value Write Sucess!",
                                      "F2.1 Value Write Sucess!", "Date Write Sucess!",
                                      "Time Write Sucess!"}));
  sim.With([](SimulatedIndicator& m) {
    EXPECT_EQ(m.Value("F1.1"), "010000");
    EXPECT_EQ(m.Code("F1.6"), 7);
  });
  EXPECT_TRUE(model.valueModified);
  EXPECT_EQ(model.caption, kCaptionNewValue);
}

TEST_F(SetupOverSim, ExitAnsweredNoSendsOnlyTheEndCode) {
  ASSERT_TRUE(WriteParamHandler(model, port, ui, *FindParam("F1.2")));
  sim.ClearTrace();
  ui.answers = {false};
  EXPECT_TRUE(ExitSetup(model, port, ui));
  EXPECT_EQ(Requests(), std::vector<std::string>{sim::simtest::Text(KeyRequest(key::kEndSetup))});
}

TEST_F(SetupOverSim, ExitWhoseSaveGetsNoAnswerStaysOpen) {
  model.valueModified = true;
  ui.answers = {true};
  sim.InjectNext(FaultKind::kSilence);
  EXPECT_FALSE(ExitSetup(model, port, ui));
  EXPECT_EQ(Requests(), std::vector<std::string>{sim::simtest::Text(KeyRequest(key::kSave))});
  EXPECT_EQ(Failures(), std::vector<std::string>{"Value Save Fault!"});
  EXPECT_TRUE(model.valueModified);
}

}  // namespace
}  // namespace tamarack
