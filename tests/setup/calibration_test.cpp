#include "setup/calibration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/frame.h"
#include "support/fake_indicator.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using test::FakeLink;
using test::Payload;
using test::RecordingFeedback;
using test::Reply;
using Kind = RecordingFeedback::Kind;
using Wait = RecordingFeedback::Wait;

struct WeightCase {
  const char* what;
  const char* text;
  const char* value;  // the six characters sent, or nullptr when refused
  std::string_view message;
};

class TestWeight : public testing::TestWithParam<WeightCase> {};

TEST_P(TestWeight, IsCheckedInOrderBeforeAnythingIsSent) {
  const WeightCase& c = GetParam();
  FakeLink link;
  RecordingFeedback ui;
  link.QueueReply("OK");
  link.QueueReply("OK");
  CalibrationModel model = CalibrationModel::Initial();
  PressCalibrationAction(model, link, ui);  // WZERO
  model.testWeight = c.text;
  const CalibrationModel before = model;

  PressCalibrationAction(model, link, ui);

  if (c.value) {
    ASSERT_EQ(link.requests.size(), 2u);
    EXPECT_EQ(Payload(link.requests[1]), "P03.02=" + std::string(c.value) + "E");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(model.caption, "WSPAN");
  } else {
    EXPECT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(ui.messages,
              (std::vector<RecordingFeedback::Message>{{Kind::kFailure, std::string(c.message)}}));
    EXPECT_EQ(model.caption, before.caption);
    EXPECT_EQ(model.prompt, before.prompt);
    EXPECT_EQ(model.testWeight, c.text);
    EXPECT_TRUE(model.testWeightEnabled);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Calibration, TestWeight,
    testing::Values(WeightCase{"empty", "", nullptr, kTestWeightEmpty},
                    WeightCase{"99", "99", nullptr, kTestWeightRange},
                    WeightCase{"100", "100", "000100", {}},
                    WeightCase{"999999", "999999", "999999", {}},
                    WeightCase{"1000000", "1000000", nullptr, kTestWeightRange},
                    WeightCase{"minus 150", "-150", nullptr, kTestWeightRange},
                    WeightCase{"kg150", "kg150", nullptr, kTestWeightRange},
                    WeightCase{"150kg", "150kg", nullptr, kTestWeightNotNumber},
                    WeightCase{"150 5", "150.5", nullptr, kTestWeightNotNumber},
                    WeightCase{"plus 150", "+150", nullptr, kTestWeightNotNumber},
                    WeightCase{"blank 150", " 150", nullptr, kTestWeightNotNumber},
                    WeightCase{"leading zeros dropped", "0002500", "002500", {}},
                    WeightCase{"many leading zeros", "00000000000100", "000100", {}},
                    WeightCase{"huge", "99999999999999999999999", nullptr, kTestWeightRange}),
    test::ByWhat());

// Runs the steps before `step` successfully.
CalibrationModel ReachStep(CalibrationStep step, FakeLink& link, RecordingFeedback& ui) {
  CalibrationModel model = CalibrationModel::Initial();
  model.testWeight = "2500";
  for (int i = 0; i < static_cast<int>(step); ++i) {
    link.QueueReply("OK");
    PressCalibrationAction(model, link, ui);
  }
  link.requests.clear();
  ui.messages.clear();
  ui.waits.clear();
  return model;
}

TEST(Calibration, HappyPathWalksTheFourSteps) {
  FakeLink link;
  RecordingFeedback ui;
  CalibrationModel model = CalibrationModel::Initial();
  EXPECT_EQ(model.caption, "WZERO");
  EXPECT_EQ(model.title, "Calibration_Step1_WZERO");
  EXPECT_EQ(model.prompt.substr(0, 43), "Remove all weight from the scale platform.\n");
  EXPECT_FALSE(model.testWeightEnabled);
  EXPECT_FALSE(CalibrationFinishedOnExit(model));

  link.QueueReply("OK");
  PressCalibrationAction(model, link, ui);
  EXPECT_EQ(model.caption, "WVALUE");
  EXPECT_EQ(model.title, "Calibration_Step2_WVALUE");
  EXPECT_TRUE(model.testWeightEnabled);
  EXPECT_EQ(model.focus, CalibrationFocus::kTestWeight);
  EXPECT_FALSE(CalibrationFinishedOnExit(model));

  model.testWeight = "2500";
  link.QueueReply("OK");
  PressCalibrationAction(model, link, ui);
  EXPECT_EQ(model.caption, "WSPAN");
  EXPECT_EQ(model.title, "Calibration_Step3_WSPAN");
  EXPECT_EQ(model.prompt, "Keep test weights on the scale,\nThen Press <WSPAN> button!");
  EXPECT_FALSE(model.testWeightEnabled);
  EXPECT_EQ(model.testWeight, "2500");
  EXPECT_EQ(model.focus, CalibrationFocus::kActionButton);
  EXPECT_FALSE(CalibrationFinishedOnExit(model));

  link.QueueReply("OKAY");
  PressCalibrationAction(model, link, ui);
  EXPECT_EQ(model.caption, "REZERO");
  EXPECT_EQ(model.title, "Calibration_Step4_REZERO");
  EXPECT_EQ(model.focus, CalibrationFocus::kUnchanged);
  EXPECT_TRUE(CalibrationFinishedOnExit(model));
  EXPECT_FALSE(model.ended);

  link.QueueReply("OK");
  PressCalibrationAction(model, link, ui);
  EXPECT_TRUE(model.ended);

  EXPECT_EQ(test::Payloads(link), (std::vector<std::string>{"P03.01=000000E", "P03.02=002500E",
                                                            "P03.03=000000E", "P03.04=000000E"}));
  EXPECT_EQ(ui.waits, (std::vector<Wait>{{6000, "WZERO Processing , Please Wait..."},
                                         {200, ""},
                                         {6000, "WSPAN Processing , Please Wait..."},
                                         {6000, "REZERO Processing , Please Wait..."}}));
  EXPECT_TRUE(ui.messages.empty());
}

struct FailureCase {
  const char* what;
  CalibrationStep step;
  Reply reply;
  const char* message;
  bool finishedOnExit;
};

class StepFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(StepFailure, KeepsTheStepAndCanBeRetried) {
  const FailureCase& c = GetParam();
  FakeLink link;
  RecordingFeedback ui;
  CalibrationModel model = ReachStep(c.step, link, ui);
  const CalibrationModel before = model;

  for (int attempt = 0; attempt < 2; ++attempt) {
    link.QueueRaw(c.reply.Bytes());
    PressCalibrationAction(model, link, ui);
    EXPECT_EQ(model.caption, before.caption);
    EXPECT_EQ(model.title, before.title);
    EXPECT_EQ(model.prompt, before.prompt);
    EXPECT_EQ(model.testWeightEnabled, before.testWeightEnabled);
    EXPECT_FALSE(model.ended);
  }
  EXPECT_EQ(ui.Texts(), std::vector<std::string>(2, c.message));
  EXPECT_EQ(CalibrationFinishedOnExit(model), c.finishedOnExit);

  link.QueueReply("OK");
  PressCalibrationAction(model, link, ui);
  EXPECT_TRUE(model.caption != before.caption || model.ended);
}

INSTANTIATE_TEST_SUITE_P(Calibration, StepFailure,
                         testing::Values(FailureCase{"wzero refused", CalibrationStep::kWZero, "NO",
                                                     "WZERO False!", false},
                                         FailureCase{"wvalue silent", CalibrationStep::kWValue,
                                                     Reply::Silence(), "WValue Send False!", false},
                                         FailureCase{"wspan refused", CalibrationStep::kWSpan, "NO",
                                                     "WSpan False!", false},
                                         FailureCase{"rezero silent", CalibrationStep::kReZero,
                                                     Reply::Silence(), "REZERO False!", true}),
                         test::ByWhat());

}  // namespace
}  // namespace tamarack
