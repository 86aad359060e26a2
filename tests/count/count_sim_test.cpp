// The count handlers over the whole serial stack: CommPort on a pseudo-terminal, served by the
// simulated indicator, which keeps the average weights and works them out from a sample.

#include <gtest/gtest.h>

#include "count/aws_wizard.h"
#include "count/count_setup.h"
#include "count/count_wire.h"
#include "link/commands.h"
#include "support/fixed_clock.h"
#include "support/sim_port.h"

namespace tamarack {
namespace {

using namespace std::chrono_literals;
using sim::SimulatedIndicator;
using Kind = test::RecordingFeedback::Kind;

sim::Simulator::Options SimOptions() {
  sim::Simulator::Options options;
  options.indicator.clock = [] { return test::kFixedNow; };
  // Zeroing and confirming take a while, well inside the reply's read time.
  options.indicator.stepTime = 150ms;
  return options;
}

class CountOverPortTest : public test::SimPortTest {
 protected:
  CountOverPortTest() : SimPortTest(SimOptions()) {}

  std::string AverageWeight(int item) {
    return sim.With([item](SimulatedIndicator& m) { return m.AverageWeight(item); });
  }

  // Runs the wizard for `itemText` as a user would: empty scale, zero, sample of `pieces`
  // pieces weighing `sampleKg`, quantity, confirm.
  AwsOutcome RunWizard(const std::string& itemText, int pieces, double sampleKg) {
    AwsModel wizard = OpenAws(itemText);
    sim.With([](SimulatedIndicator& m) { m.SetLoad(0); });
    if (AwsPress(wizard, port, ui) != AwsOutcome::kNextStep) return AwsOutcome::kStay;
    sim.With([sampleKg](SimulatedIndicator& m) { m.SetLoad(sampleKg); });
    wizard.quantityText = std::to_string(pieces);
    if (AwsPress(wizard, port, ui) != AwsOutcome::kNextStep) return AwsOutcome::kStay;
    return AwsPress(wizard, port, ui);
  }

  CountSetupModel model;
};

TEST_F(CountOverPortTest, WriteToCurrentItemThenReadItBack) {
  sim.With([](SimulatedIndicator& m) { m.SetCurrentItem(12); });
  model.itemPosition = kCurrentItemPosition;
  model.weightText = "20000000.9";
  CountWrite(model, port, ui);
  EXPECT_EQ(model.itemPosition, 12);
  EXPECT_EQ(AverageWeight(12), "0020000000");
  EXPECT_EQ(Requests(),
            (std::vector<Frame>{WeightReadRequest("AA"), WeightRequest("12", "0020000000")}));

  model.weightText.clear();
  CountRead(model, port, ui);
  EXPECT_EQ(model.weightText, "0020000000");
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Average Weight Write Sucess!"});
}

TEST_F(CountOverPortTest, ItemWithoutWeightAndRefusedOrGarbledReplies) {
  model.itemPosition = 40;
  CountRead(model, port, ui);
  EXPECT_EQ(model.weightText, "9999999999");

  sim.SetFault(sim::RequestKind::kWeight, sim::FaultKind::kRefuse, 1);
  model.weightText = "20000000";
  CountWrite(model, port, ui);
  EXPECT_EQ(AverageWeight(40), "9999999999");

  sim.SetFault(sim::RequestKind::kWeight, sim::FaultKind::kBadCheck, 1);
  CountRead(model, port, ui);
  EXPECT_EQ(model.weightText, "20000000");
  EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Read Average Weight is invalidation!",
                                                  "Average Weight Write Fault!",
                                                  "Average Weight read Fault!"}));
}

TEST_F(CountOverPortTest, WizardForItemFiveThenTheWorkedOutWeightIsRead) {
  ASSERT_EQ(RunWizard("5", 100, 50.0), AwsOutcome::kFinished) << testing::PrintToString(ui.Texts());
  EXPECT_EQ(Requests(),
            (std::vector<Frame>{
                WriteParamRequest({5, 2}, "000005"), WriteParamRequest({5, 3}, "000000"),
                WriteParamRequest({5, 4}, "000100"), WriteParamRequest({5, 5}, "000000")}));
  const std::string worked = AverageWeight(5);
  EXPECT_NE(worked, "9999999999");

  model.itemPosition = 5;
  CountAfterAws(model, port, ui, 1);
  EXPECT_EQ(model.weightText, worked);
  EXPECT_TRUE(ui.messages.empty()) << testing::PrintToString(ui.Texts());
}

TEST_F(CountOverPortTest, WizardForCurrentItem) {
  sim.With([](SimulatedIndicator& m) { m.SetCurrentItem(12); });
  ASSERT_EQ(RunWizard("AA", 50, 10.0), AwsOutcome::kFinished) << testing::PrintToString(ui.Texts());
  const auto requests = Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[0], WeightReadRequest("AA"));
  EXPECT_EQ(requests[1], WriteParamRequest({5, 2}, "000012"));
  EXPECT_NE(AverageWeight(12), "9999999999");
}

TEST_F(CountOverPortTest, RefusedCountItemStopsBeforeZeroing) {
  sim.SetFault(sim::RequestKind::kCountStep, sim::FaultKind::kRefuse, 1);
  AwsModel wizard = OpenAws("7");
  EXPECT_EQ(AwsPress(wizard, port, ui), AwsOutcome::kStay);
  EXPECT_EQ(Requests(), std::vector<Frame>{WriteParamRequest({5, 2}, "000007")});
  EXPECT_EQ(wizard.step, AwsStep::kZero);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Count Item Send Fault!"});
}

}  // namespace
}  // namespace tamarack
