#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "count/aws_wizard.h"
#include "count/count_setup.h"
#include "count/count_wire.h"
#include "link/commands.h"
#include "support/fake_indicator.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/temp_folder.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using test::FakeLink;
using test::RecordingFeedback;
using Kind = RecordingFeedback::Kind;
using Message = RecordingFeedback::Message;
using Frames = std::vector<Frame>;

Message Fail(std::string_view text) {
  return {Kind::kFailure, std::string(text)};
}
Message Ok(std::string_view text) {
  return {Kind::kSuccess, std::string(text)};
}

class CountSetupTest : public testing::Test {
 protected:
  FakeLink link;
  RecordingFeedback ui;
  CountSetupModel model;
};

TEST_F(CountSetupTest, WriteToCurrentItemAsksForItFirst) {
  model.itemPosition = kCurrentItemPosition;
  model.weightText = "20000000.9";
  link.QueueReply("129999999999E");
  link.QueueReply("OK");
  CountWrite(model, link, ui);
  EXPECT_EQ(link.requests, (Frames{WeightReadRequest("AA"), WeightRequest("12", "0020000000")}));
  EXPECT_EQ(model.itemPosition, 12);
  EXPECT_EQ(ui.messages, std::vector{Ok(count_text::kWriteSuccess)});
}

struct WriteCase {
  const char* what;
  int position;
  std::string weight;
  std::vector<std::string> replies;
  Frames sent;
  std::vector<Message> messages;
};

class CountWriteCases : public CountSetupTest, public testing::WithParamInterface<WriteCase> {};

TEST_P(CountWriteCases, SendAndTell) {
  const WriteCase& c = GetParam();
  model.itemPosition = c.position;
  model.weightText = c.weight;
  for (const auto& r : c.replies) link.QueueReply(r);
  CountWrite(model, link, ui);
  EXPECT_EQ(link.requests, c.sent);
  EXPECT_EQ(ui.messages, c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CountWriteCases,
    testing::Values(WriteCase{"lower bound",
                              5,
                              "16777216",
                              {"OK"},
                              {WeightRequest("05", "0016777216")},
                              {Ok(count_text::kWriteSuccess)}},
                    WriteCase{"fraction for item 7",
                              7,
                              "20000000.9",
                              {"OK"},
                              {WeightRequest("07", "0020000000")},
                              {Ok(count_text::kWriteSuccess)}},
                    WriteCase{"below range", 5, "16777215", {}, {}, {Fail(count_text::kRange)}},
                    WriteCase{"above range", 5, "4294967296", {}, {}, {Fail(count_text::kRange)}},
                    WriteCase{"nan", 5, "nan", {}, {}, {Fail(count_text::kRange)}},
                    WriteCase{"refused",
                              5,
                              "20000000",
                              {"NO"},
                              {WeightRequest("05", "0020000000")},
                              {Fail(count_text::kWriteFault)}},
                    WriteCase{"current item unreadable",
                              kCurrentItemPosition,
                              "20000000",
                              {"NO"},
                              {WeightReadRequest("AA")},
                              {Fail(count_text::kReadFault)}},
                    WriteCase{"current item not a list item",
                              kCurrentItemPosition,
                              "20000000",
                              {"AA9999999999E"},
                              {WeightReadRequest("AA")},
                              {Fail(count_text::kReadFault)}}),
    test::ByWhat());

TEST_F(CountSetupTest, WriteOkWithBadCheckCharacterIsAFault) {
  link.QueueRaw(test::Reply::BadCheck("OK").Bytes());
  model.weightText = "20000000";
  CountWrite(model, link, ui);
  EXPECT_EQ(ui.messages, std::vector{Fail(count_text::kWriteFault)});
}

struct ReadCase {
  const char* what;
  int position;
  std::vector<std::string> replies;
  int positionAfter;
  std::string fieldAfter;
  std::vector<Message> messages;
};

class CountReadCases : public CountSetupTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(CountReadCases, FieldAndMessages) {
  const ReadCase& c = GetParam();
  model.itemPosition = c.position;
  model.weightText = "typed";
  for (const auto& r : c.replies) link.QueueReply(r);
  CountRead(model, link, ui);
  ASSERT_EQ(link.requests.size(), 1u);
  EXPECT_EQ(link.requests[0], WeightReadRequest(CountItem(CountItemListText(c.position))));
  EXPECT_EQ(model.itemPosition, c.positionAfter);
  EXPECT_EQ(model.weightText, c.fieldAfter);
  EXPECT_EQ(ui.messages, c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CountReadCases,
    testing::Values(
        ReadCase{"good", 5, {"050020000000E"}, 5, "0020000000", {}},
        ReadCase{"current item", kCurrentItemPosition, {"120020000000E"}, 12, "0020000000", {}},
        ReadCase{"another item", 5, {"060020000000E"}, 5, "typed", {Fail(count_text::kItemErr)}},
        ReadCase{"no weight", 5, {"059999999999E"}, 5, "9999999999", {Ok(count_text::kInvalid)}},
        ReadCase{"no closing E", 5, {"050020000000X"}, 5, "typed", {Fail(count_text::kReadFault)}},
        ReadCase{"silent", 5, {}, 5, "typed", {Fail(count_text::kReadFault)}},
        ReadCase{"current item not a list item",
                 kCurrentItemPosition,
                 {"AA0020000000E"},
                 kCurrentItemPosition,
                 "typed",
                 {Fail(count_text::kReadFault)}}),
    test::ByWhat());

TEST_F(CountSetupTest, AfterWizard) {
  model.itemPosition = 5;
  CountAfterAws(model, link, ui, 0);
  EXPECT_TRUE(link.requests.empty());
  EXPECT_EQ(ui.messages, std::vector{Ok(count_text::kSetupNotFinished)});

  ui.messages.clear();
  link.QueueReply("050033333333E");
  CountAfterAws(model, link, ui, 1);
  EXPECT_EQ(link.requests, Frames{WeightReadRequest("05")});
  EXPECT_EQ(model.weightText, "0033333333");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CountSetupTest, ExitSendsKey16AndIgnoresTheAnswer) {
  CountExit(link, ui);
  EXPECT_EQ(link.requests, Frames{KeyRequest("16")});
  EXPECT_TRUE(ui.messages.empty());
}

class CountFileTest : public CountSetupTest {
 protected:
  AskAwsFileName Answer(std::optional<std::string> name) {
    return [this, name] {
      ++asked;
      return name;
    };
  }
  std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  test::TempFolder temp;
  const std::filesystem::path dir = temp.Path();
  int asked = 0;
};

TEST_F(CountFileTest, SaveThenLoadByItem) {
  const std::string file = (dir / "a.aws").string();
  model.itemPosition = 5;
  model.weightText = "20000000";
  CountSave(model, link, ui, Answer(file));
  model.itemPosition = 7;
  model.weightText = "30000000.5";
  CountSave(model, link, ui, Answer(file));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(link.requests.empty());
  EXPECT_EQ(Slurp(file).substr(50, 30),
            "00200000009999999999"
            "30000000.5");

  model.itemPosition = 5;
  CountLoad(model, link, ui, Answer(file));
  EXPECT_EQ(model.weightText, "0020000000");
  model.itemPosition = 6;
  CountLoad(model, link, ui, Answer(file));
  EXPECT_EQ(model.weightText, "9999999999");
  EXPECT_TRUE(link.requests.empty());
}

TEST_F(CountFileTest, CurrentItemIsAskedBeforeTheFileIsTouched) {
  const std::string file = (dir / "aa.aws").string();
  model.itemPosition = kCurrentItemPosition;
  model.weightText = "20000000";
  link.QueueReply("129999999999E");
  CountSave(model, link, ui, Answer(file));
  EXPECT_EQ(link.requests, Frames{WeightReadRequest("AA")});
  EXPECT_EQ(model.itemPosition, 12);
  EXPECT_EQ(Slurp(file).substr(120, 10), "0020000000");

  // The indicator does not answer: no dialog, no file.
  model.itemPosition = kCurrentItemPosition;
  const std::string other = (dir / "other.aws").string();
  CountSave(model, link, ui, Answer(other));
  CountLoad(model, link, ui, Answer(other));
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(std::filesystem::exists(other));
  EXPECT_EQ(ui.messages, (std::vector{Fail(count_text::kReadFault), Fail(count_text::kReadFault)}));
}

TEST_F(CountFileTest, RefusalsLeaveFilesAlone) {
  const std::string file = (dir / "r.aws").string();
  model.weightText = "nan";
  CountSave(model, link, ui, Answer(file));
  EXPECT_EQ(asked, 0);  // the weight is checked before the name is asked
  EXPECT_EQ(ui.messages, std::vector{Fail(count_text::kRange)});

  ui.messages.clear();
  model.weightText = "20000000";
  CountSave(model, link, ui, Answer(std::nullopt));  // cancelled
  model.weightText = "kept";
  CountLoad(model, link, ui, Answer(std::nullopt));
  EXPECT_EQ(model.weightText, "kept");
  CountLoad(model, link, ui, Answer(dir.string()));  // a folder
  EXPECT_EQ(model.weightText, "kept");
  EXPECT_EQ(ui.messages, std::vector{Fail(count_text::kFileError)});
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

// The wizard.

class AwsTest : public testing::Test {
 protected:
  FakeLink link;
  RecordingFeedback ui;
};

Frame P(int number, std::string_view value) {
  return WriteParamRequest({5, number}, value);
}

TEST_F(AwsTest, ItemFiveThroughAllSteps) {
  AwsModel m = OpenAws("5");
  link.responder = test::AlwaysReply("OK");
  EXPECT_EQ(AwsPress(m, link, ui), AwsOutcome::kNextStep);
  EXPECT_EQ(link.requests, (Frames{P(2, "000005"), P(3, "000000")}));
  EXPECT_EQ(m.step, AwsStep::kSampleQuantity);

  link.requests.clear();
  EXPECT_EQ(AwsPress(m, link, ui), AwsOutcome::kNextStep);
  EXPECT_EQ(link.requests, Frames{P(4, "000100")});
  EXPECT_EQ(m.step, AwsStep::kConfirming);
  EXPECT_FALSE(m.quantityEnabled);

  link.requests.clear();
  EXPECT_EQ(AwsPress(m, link, ui), AwsOutcome::kFinished);
  EXPECT_EQ(link.requests, Frames{P(5, "000000")});
  EXPECT_TRUE(ui.messages.empty());
  // Only zeroing and confirming show the wait window, with their own texts.
  std::vector<RecordingFeedback::Wait> longWaits;
  for (const auto& w : ui.waits) {
    if (!w.text.empty()) longWaits.push_back(w);
  }
  EXPECT_EQ(longWaits, (std::vector<RecordingFeedback::Wait>{
                           {kStepWaitMs, "ZERO Processing , Please Wait..."},
                           {kStepWaitMs, "Average Weight Confirming, Please Wait..."}}));
}

TEST_F(AwsTest, CurrentItemIsAskedOnce) {
  AwsModel m = OpenAws("AA");
  link.QueueReply("129999999999E");
  link.QueueReply("OK");
  link.QueueReply("OK");
  EXPECT_EQ(AwsPress(m, link, ui), AwsOutcome::kNextStep);
  EXPECT_EQ(m.itemText, "12");
  EXPECT_EQ(link.requests, (Frames{WeightReadRequest("AA"), P(2, "000012"), P(3, "000000")}));
  link.requests.clear();
  link.QueueReply("OK");
  EXPECT_EQ(AwsPress(m, link, ui), AwsOutcome::kNextStep);
  EXPECT_EQ(link.requests, Frames{P(4, "000100")});
}

TEST_F(AwsTest, FailedCountItemStopsBeforeTheStepAndIsRetried) {
  AwsModel m = OpenAws("7");
  test::ScriptedIndicator indicator;
  indicator.On(test::Payload(P(2, "000007")), "NO").Serve(link);
  EXPECT_EQ(AwsPress(m, link, ui), AwsOutcome::kStay);
  EXPECT_EQ(link.requests, Frames{P(2, "000007")});
  EXPECT_EQ(m.step, AwsStep::kZero);
  EXPECT_EQ(ui.messages, std::vector{Fail(aws_text::kItemSendFault)});

  link.responder = test::AlwaysReply("OK");
  EXPECT_EQ(AwsPress(m, link, ui), AwsOutcome::kNextStep);
  EXPECT_EQ(link.requests.size(), 3u);  // the item again, then zero
}

TEST_F(AwsTest, CurrentItemUnreadable) {
  AwsModel m = OpenAws("AA");
  for (const char* reply : {"", "AA9999999999E"}) {
    link.QueueReply(reply);
    EXPECT_EQ(AwsPress(m, link, ui), AwsOutcome::kStay);
  }
  EXPECT_EQ(m.itemText, "AA");
  EXPECT_EQ(link.requests, (Frames{WeightReadRequest("AA"), WeightReadRequest("AA")}));
  EXPECT_EQ(ui.messages,
            (std::vector{Fail(aws_text::kItemReadFault), Fail(aws_text::kItemReadFault)}));
}

struct QuantityCase {
  const char* what;
  std::string text;
  std::string_view message;  // "" when sent
};

class AwsQuantities : public AwsTest, public testing::WithParamInterface<QuantityCase> {};

TEST_P(AwsQuantities, CheckedBeforeSending) {
  AwsModel m = OpenAws("5");
  m.countItemSent = true;
  m.step = AwsStep::kSampleQuantity;
  m.quantityText = GetParam().text;
  link.responder = test::AlwaysReply("OK");
  const AwsOutcome outcome = AwsPress(m, link, ui);
  if (GetParam().message.empty()) {
    EXPECT_EQ(outcome, AwsOutcome::kNextStep);
    ASSERT_EQ(link.requests.size(), 1u);
  } else {
    EXPECT_EQ(outcome, AwsOutcome::kStay);
    EXPECT_TRUE(link.requests.empty());
    EXPECT_EQ(ui.messages, std::vector{Fail(GetParam().message)});
    EXPECT_EQ(m.step, AwsStep::kSampleQuantity);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AwsQuantities,
    testing::Values(QuantityCase{"smallest", "10", ""}, QuantityCase{"largest", "2000", ""},
                    QuantityCase{"long with zeros", "0000000100", ""},
                    QuantityCase{"empty", "", aws_text::kQuantityEmpty},
                    QuantityCase{"too few", "9", aws_text::kQuantityRange},
                    QuantityCase{"too many", "2001", aws_text::kQuantityRange},
                    QuantityCase{"letters", "abc", aws_text::kQuantityRange},
                    QuantityCase{"trailing letter", "100x", aws_text::kQuantityNumber}),

    test::ByWhat());

TEST_F(AwsTest, StepFailuresStayInTheStep) {
  struct Case {
    AwsStep step;
    std::string_view message;
  };
  for (const Case c : {Case{AwsStep::kZero, aws_text::kZeroFalse},
                       Case{AwsStep::kSampleQuantity, aws_text::kQuantityFalse},
                       Case{AwsStep::kConfirming, aws_text::kConfirmFalse}}) {
    AwsModel m = OpenAws("5");
    m.countItemSent = true;
    m.step = c.step;
    ui.messages.clear();
    link.QueueReply("NO");
    EXPECT_EQ(AwsPress(m, link, ui), AwsOutcome::kStay);
    EXPECT_EQ(m.step, c.step);
    EXPECT_EQ(ui.messages, std::vector{Fail(c.message)});
  }
}

}  // namespace
}  // namespace tamarack
