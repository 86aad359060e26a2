#include "setup/bulk_ops.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/commands.h"
#include "setup/setup_handlers.h"
#include "setup/write_all_block.h"
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
using Message = RecordingFeedback::Message;

const Reply kSilence = Reply::Silence();
const Reply kBadCheck = Reply::BadCheck("OK");

// Answers each request with the next scripted reply.
void Script(FakeLink& link, const std::vector<Reply>& replies) {
  for (const Reply& reply : replies) link.QueueRaw(reply.Bytes());
}

SetupModel Ready() {
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  for (const char* p : {"F3.1", "F3.2", "F3.3"}) {
    model.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(p)))] = "1000";
  }
  return model;
}

struct WriteAllCase {
  const char* what;
  std::vector<Reply> replies;  // date write, time write, block
  std::vector<Message> messages;
  bool modified;
  bool succeeded;
};

class WriteAll : public testing::TestWithParam<WriteAllCase> {};

TEST_P(WriteAll, SendsDateTimeAndBlockAndJudgesTheReply) {
  const WriteAllCase& c = GetParam();
  FakeLink link;
  RecordingFeedback ui;
  SetupModel model = Ready();
  Script(link, c.replies);

  EXPECT_EQ(WriteAllParams(model, link, ui), c.succeeded);

  ASSERT_EQ(link.requests.size(), 3u);
  EXPECT_EQ(Payload(link.requests[0]), "P07.04=261207E");
  EXPECT_EQ(Payload(link.requests[1]), "P07.05=093045E");
  EXPECT_EQ(link.requests[2], WriteAllRequest(BuildWriteAllBlock(model)));
  EXPECT_EQ(ui.messages, c.messages);
  EXPECT_EQ(model.valueModified, c.modified);
  EXPECT_FALSE(model.silentDateTimeWrite);
}

const Message kAllOk{Kind::kSuccess, std::string(kWriteAllSuccess)};
const Message kAllFalse{Kind::kFailure, std::string(kWriteAllFalse)};
const Message kCaj{Kind::kFailure, std::string(kTurnOnCaj)};
const Message kDateFault{Kind::kFailure, "Date Write Fault!"};
const Message kTimeFault{Kind::kFailure, "Time Write Fault!"};

INSTANTIATE_TEST_SUITE_P(
    BulkOps, WriteAll,
    testing::Values(
        WriteAllCase{"all answered OK", {"OK", "OK", "OK"}, {kAllOk}, true, true},
        WriteAllCase{
            "CAJ switch off", {"NO", "NO", "NOCAJ"}, {kDateFault, kTimeFault, kCaj}, false, false},
        WriteAllCase{"CAJ off after a good date write",
                     {"OK", "NO", "NOCAJ"},
                     {kTimeFault, kCaj},
                     true,
                     false},
        WriteAllCase{"silent block",
                     {"NO", "NO", kSilence},
                     {kDateFault, kTimeFault, kAllFalse},
                     false,
                     false},
        WriteAllCase{"OK with a bad check is no success",
                     {"NO", "NO", kBadCheck},
                     {kDateFault, kTimeFault, kAllFalse},
                     false,
                     false},
        WriteAllCase{"date fails and the block still goes",
                     {kSilence, "OK", "OK"},
                     {kDateFault, kAllOk},
                     true,
                     true}),
    test::ByWhat());

struct RefusalCase {
  const char* what;
  const char* param;
  const char* text;  // a Number text, or nullptr to take the choice away
  int choice;
  const char* message;
};

class WriteAllRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(WriteAllRefusal, SendsNothingAtAll) {
  const RefusalCase& c = GetParam();
  FakeLink link;
  RecordingFeedback ui;
  SetupModel model = Ready();
  const SetupParam& param = *FindParam(c.param);
  if (c.text) {
    model.newValue[static_cast<std::size_t>(NewValueSlot(param))] = c.text;
  } else {
    model.choice[RowIndex(param)] = c.choice;
  }
  const SetupModel before = model;

  EXPECT_FALSE(WriteAllParams(model, link, ui));
  EXPECT_TRUE(link.requests.empty());
  EXPECT_EQ(ui.messages, (std::vector<Message>{{Kind::kFailure, c.message}}));
  EXPECT_EQ(model.valueModified, before.valueModified);
  EXPECT_EQ(model.caption, before.caption);
}

INSTANTIATE_TEST_SUITE_P(
    BulkOps, WriteAllRefusal,
    testing::Values(RefusalCase{"empty zero count", "F3.1", "", 0, "F3.1 Value can not be Empt!"},
                    RefusalCase{"letters", "F6.2", "12a", 0, "F6.2 Value must be number!"},
                    RefusalCase{"no option selected", "F2.6", nullptr, -1, "F2.6 Value err!"},
                    RefusalCase{"code beyond the list", "F1.2", nullptr, 9, "F1.2 Value err!"}),
    test::ByWhat());

TEST(BulkOps, WriteAllNamesOnlyTheFirstRefusedFieldInTableOrder) {
  FakeLink link;
  RecordingFeedback ui;
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");  // F3.1 .. F3.3 still empty
  model.choice[RowIndex(*FindParam("F1.12"))] = -1;
  EXPECT_FALSE(WriteAllParams(model, link, ui));
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"F1.12 Value err!"});
  EXPECT_TRUE(link.requests.empty());
}

struct PasswordCase {
  const char* what;
  PasswordAnswer answer;
  std::vector<Reply> replies;
  std::vector<std::string> sent;
  Message message;
  std::string caption;
};

class SetDefault : public testing::TestWithParam<PasswordCase> {};

TEST_P(SetDefault, AsksTheGateFirst) {
  const PasswordCase& c = GetParam();
  FakeLink link;
  RecordingFeedback ui;
  SetupModel model = Ready();
  model.caption = std::string(kCaptionNewValue);
  model.valueModified = true;
  Script(link, c.replies);
  int asked = 0;

  SetFactoryDefaults(model, link, ui, [&] {
    ++asked;
    EXPECT_TRUE(link.requests.empty());
    return c.answer;
  });

  EXPECT_EQ(asked, 1);
  EXPECT_EQ(test::Payloads(link), c.sent);
  EXPECT_EQ(ui.messages, std::vector<Message>{c.message});
  EXPECT_EQ(model.caption, c.caption);
  EXPECT_TRUE(model.valueModified);
  EXPECT_EQ(model.newValue, Ready().newValue);
}

INSTANTIATE_TEST_SUITE_P(BulkOps, SetDefault,
                         testing::Values(PasswordCase{"accepted",
                                                      PasswordAnswer::kAccepted,
                                                      {"OK"},
                                                      {"K17E"},
                                                      {Kind::kSuccess,
                                                       std::string(kDefaultSuccess)},
                                                      std::string(kCaptionFactoryDefault)},
                                         PasswordCase{"accepted and refused",
                                                      PasswordAnswer::kAccepted,
                                                      {"NO"},
                                                      {"K17E"},
                                                      {Kind::kFailure, std::string(kDefaultFault)},
                                                      std::string(kCaptionNewValue)},
                                         PasswordCase{"gave up",
                                                      PasswordAnswer::kGaveUp,
                                                      {},
                                                      {},
                                                      {Kind::kSuccess, std::string(kDefaultCancel)},
                                                      std::string(kCaptionNewValue)}),
                         test::ByWhat());

struct KeyCase {
  const char* what;
  void (*handler)(SetupModel&, SerialLink&, UserFeedback&);
  Reply reply;
  std::string sent;
  Message message;
  bool modified;
};

class KeyOperations : public testing::TestWithParam<KeyCase> {};

TEST_P(KeyOperations, SendTheirCodeAndSettleTheFlag) {
  const KeyCase& c = GetParam();
  FakeLink link;
  RecordingFeedback ui;
  SetupModel model = Ready();
  model.valueModified = true;
  model.caption = std::string(kCaptionNewValue);
  Script(link, {c.reply});

  c.handler(model, link, ui);

  ASSERT_EQ(link.requests.size(), 1u);
  EXPECT_EQ(Payload(link.requests[0]), c.sent);
  EXPECT_EQ(ui.messages, std::vector<Message>{c.message});
  EXPECT_EQ(model.valueModified, c.modified);
  EXPECT_EQ(model.caption, kCaptionNewValue);
}

INSTANTIATE_TEST_SUITE_P(
    BulkOps, KeyOperations,
    testing::Values(
        KeyCase{"save", &SaveParams, "OK", "K18E", {Kind::kSuccess, "Value Save Sucess!"}, false},
        KeyCase{
            "save refused", &SaveParams, "NO", "K18E", {Kind::kFailure, "Value Save Fault!"}, true},
        KeyCase{
            "restore", &RestoreParams, "OK", "K19E", {Kind::kSuccess, "Restore Sucess!"}, false},
        KeyCase{"restore bad check",
                &RestoreParams,
                kBadCheck,
                "K19E",
                {Kind::kFailure, "Restore Fault!"},
                true}),
    test::ByWhat());

// Leaving the window afterwards: a saved setup needs no question, a written one does.
TEST(BulkOps, ExitAsksToSaveAfterWriteAllButNotAfterSave) {
  struct Case {
    const char* what;
    std::function<void(SetupModel&, FakeLink&, RecordingFeedback&)> operation;
    std::vector<Reply> replies;
    bool asks;
  };
  const Case cases[] = {
      {"Write All",
       [](auto& m, auto& l, auto& u) { WriteAllParams(m, l, u); },
       {"OK", "OK", "OK"},
       true},
      {"Write All then Save",
       [](auto& m, auto& l, auto& u) {
         WriteAllParams(m, l, u);
         SaveParams(m, l, u);
       },
       {"OK", "OK", "OK", "OK"},
       false},
      {"Restore", [](auto& m, auto& l, auto& u) { RestoreParams(m, l, u); }, {"OK"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeLink link;
    RecordingFeedback ui;
    SetupModel model = Ready();
    Script(link, c.replies);
    c.operation(model, link, ui);
    ui.messages.clear();
    link.requests.clear();
    link.QueueReply("OK");  // K16E

    EXPECT_TRUE(ExitSetup(model, link, ui));  // an unanswered question means No
    const bool asked = !ui.messages.empty() && ui.messages[0].kind == Kind::kYesNo;
    EXPECT_EQ(asked, c.asks);
    ASSERT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(link.requests[0], KeyRequest(key::kEndSetup));
  }
}

}  // namespace
}  // namespace tamarack
