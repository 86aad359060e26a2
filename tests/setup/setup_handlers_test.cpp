#include "setup/setup_handlers.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "link/commands.h"
#include "setup/param_codec.h"
#include "support/fake_indicator.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using test::FakeLink;
using test::RecordingFeedback;
using test::Reply;
using test::ScriptedIndicator;
using Kind = RecordingFeedback::Kind;

// A reply that never comes.
const Reply kSilence = Reply::Silence();

// Every parameter's value as the indicator holds it: "01.01" -> "001234".
std::map<std::string, std::string> IndicatorValues() {
  std::map<std::string, std::string> values;
  for (const SetupParam& p : SetupParams()) {
    std::string v;
    switch (p.kind) {
      case ParamKind::kNumber:
        v = "001234";
        break;
      case ParamKind::kChoice:
        v = "0" + std::to_string(p.defaultCode);
        break;
      case ParamKind::kVersion:
        v = "V1.2";
        break;
      case ParamKind::kDate:
        v = "261207";
        break;
      case ParamKind::kTime:
        v = "093045";
        break;
    }
    values[p.address.Text()] = v;
  }
  return values;
}

class SetupHandlers : public testing::Test {
 protected:
  // An indicator that knows every parameter's value and answers everything else "OK".
  void SetUp() override {
    indicator.ReadsParams([this](const std::string& address) { return values[address]; });
    indicator.Serve(link);
  }

  FakeLink link;
  RecordingFeedback ui;
  std::map<std::string, std::string> values = IndicatorValues();
  ScriptedIndicator indicator;
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
};

// --- Read All ---

TEST_F(SetupHandlers, ReadAllAsksForEveryParameterInTableOrderAndShowsNoMessage) {
  ASSERT_TRUE(ReadAllParams(model, link, ui));
  std::vector<std::string> expected;
  for (const SetupParam& p : SetupParams()) expected.push_back("P" + p.address.Text() + "=RE");
  EXPECT_EQ(Payloads(link), expected);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(model.currentValue[0], "001234");
  EXPECT_EQ(model.currentValue[RowIndex(*FindParam("F1.2"))], "1 (0.5D)");
  EXPECT_EQ(model.currentValue[RowIndex(*FindParam("F7.3"))], "V1.2");
  EXPECT_EQ(model.currentValue[RowIndex(*FindParam("F7.4"))], "07-12-26");
  EXPECT_EQ(model.currentValue[RowIndex(*FindParam("F7.5"))], "09:30:45");
  for (const auto& w : ui.waits) EXPECT_EQ(w.ms, kReadParamWaitMs);
}

TEST_F(SetupHandlers, ReadAllLeavesTheEditableColumnAsTheUserLeftIt) {
  model.newValue[0] = "777";
  model.choice[1] = 3;
  ASSERT_TRUE(ReadAllParams(model, link, ui));
  EXPECT_EQ(model.newValue[0], "777");
  EXPECT_EQ(model.choice[1], 3);
  EXPECT_FALSE(model.valueModified);
  EXPECT_EQ(model.caption, kCaptionFactoryDefault);
}

struct ReadFault {
  const char* what;
  std::string_view at;  // the request that gets the bad reply
  Reply reply;
  std::string_view message;  // the one message shown
};

class ReadAllFaults : public SetupHandlers, public testing::WithParamInterface<ReadFault> {};

TEST_P(ReadAllFaults, StopAtTheFailingParameterWithOneMessageAndChangeNothing) {
  const ReadFault& f = GetParam();
  model.currentValue.fill("old");
  indicator.On(std::string(f.at), f.reply);
  EXPECT_FALSE(ReadAllParams(model, link, ui));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], (RecordingFeedback::Message{Kind::kFailure, std::string(f.message)}));
  EXPECT_EQ(Payloads(link).back(), f.at);  // nothing after the failing parameter is asked
  for (const std::string& v : model.currentValue) EXPECT_EQ(v, "old");
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReadAllFaults,
    testing::Values(
        ReadFault{"silent first", "P01.01=RE", kSilence, "F01.01 Read Value False!"},
        ReadFault{"OK instead of a value", "P01.01=RE", "OK", "F01.01 Read Value False!"},
        ReadFault{"empty payload", "P01.01=RE", "", "F01.01 Read Value False!"},
        ReadFault{"one character", "P01.02=RE", "P01.02=1E", "F01.02 Read Value False!"},
        ReadFault{"wrong number echoed", "P01.02=RE", "P01.03=01E", "F01.02 Read Value False!"},
        ReadFault{"wrong group echoed", "P01.10=RE", "P02.10=01E", "F01.10 Read Value False!"},
        ReadFault{"no E before the end", "P03.01=RE", "P03.01=001234", "F03.01 Read Value False!"},
        ReadFault{"no E within thirty", "P03.02=RE", "P03.02=1234567890123456789012345678901234E",
                  "F03.02 Read Value False!"},
        ReadFault{"version too long", "P07.03=RE", "P07.03=V1.234E", "F07.03 Read Value False!"},
        ReadFault{"value ends at first E", "P07.03=RE", "P07.03=1E23E", "F07.03 Read Value False!"},
        ReadFault{"code past the list", "P01.02=RE", "P01.02=07E", "F1.2 Value err!"},
        ReadFault{"colon code", "P02.06=RE", "P02.06=:1E", "F2.6 Value err!"},
        ReadFault{"failure at F5.1", "P05.01=RE", kSilence, "F05.01 Read Value False!"},
        ReadFault{"last parameter", "P07.05=RE", "NO", "F07.05 Read Value False!"}),
    test::ByWhat());

TEST_F(SetupHandlers, ReadAllReportsABrokenLineAsAReadFailure) {
  link.failPurgeAfterWrite = 5;
  EXPECT_FALSE(ReadAllParams(model, link, ui));
  EXPECT_EQ(ui.Texts().back(), "F01.01 Read Value False!");
  EXPECT_EQ(link.requests.size(), 1u);
}

// What a progress callback was told, and how many requests had gone out by then.
struct Step {
  std::string name;
  std::size_t index;
  std::size_t total;
  std::size_t sentBefore;
  bool operator==(const Step&) const = default;
};

TEST_F(SetupHandlers, ReadAllTellsItsProgressBeforeEachReadAndSendsExactlyTheSame) {
  ASSERT_TRUE(ReadAllParams(model, link, ui));
  const auto plainRequests = link.requests;
  const auto plainWaits = ui.waits;
  link.requests.clear();
  ui.waits.clear();

  std::vector<Step> steps;
  SetupModel tracked = OpeningModel("07-12-2026", "09:30:45");
  ASSERT_TRUE(ReadAllParams(
      tracked, link, ui, [&](const SetupParam& p, std::size_t index, std::size_t total) {
        steps.push_back({std::string(p.displayNumber), index, total, link.requests.size()});
      }));

  EXPECT_EQ(link.requests, plainRequests);
  EXPECT_EQ(ui.waits, plainWaits);
  EXPECT_EQ(tracked.currentValue, model.currentValue);
  std::vector<Step> expected;
  for (const SetupParam& p : SetupParams()) {
    const std::size_t i = expected.size();
    expected.push_back({std::string(p.displayNumber), i + 1, kSetupParamCount, i});
  }
  EXPECT_EQ(steps, expected);
}

TEST_F(SetupHandlers, ReadAllProgressEndsAtTheFailingParameter) {
  indicator.On("P03.02=RE", kSilence);
  std::vector<std::string> told;
  EXPECT_FALSE(ReadAllParams(model, link, ui, [&](const SetupParam& p, std::size_t, std::size_t) {
    told.push_back(std::string(p.displayNumber));
  }));
  ASSERT_EQ(told.size(), RowIndex(*FindParam("F3.2")) + 1);
  EXPECT_EQ(told.back(), "F3.2");
  EXPECT_EQ(link.requests.size(), told.size());
}

// --- Writing one parameter ---

struct WriteCase {
  const char* what;
  std::string_view param;
  std::function<void(SetupModel&)> edit;
  std::string_view sent;     // "" = nothing may be sent
  std::string_view message;  // the one message shown
  Kind kind;
};

class WriteOne : public SetupHandlers, public testing::WithParamInterface<WriteCase> {};

TEST_P(WriteOne, SendsTheEncodedValueOrRefusesIt) {
  const WriteCase& c = GetParam();
  if (c.edit) c.edit(model);
  const bool written = WriteParamHandler(model, link, ui, *FindParam(c.param));
  if (c.sent.empty()) {
    EXPECT_TRUE(link.requests.empty());
  } else {
    ASSERT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(link.requests[0], ShortFrame(c.sent));
  }
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], (RecordingFeedback::Message{c.kind, std::string(c.message)}));
  EXPECT_EQ(written, c.kind == Kind::kSuccess);
  EXPECT_EQ(model.valueModified, written);
  EXPECT_EQ(model.caption, written ? kCaptionNewValue : kCaptionFactoryDefault);
}

void SetNumber(SetupModel& m, std::string_view number, std::string_view text) {
  m.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(number)))] = std::string(text);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, WriteOne,
    testing::Values(
        WriteCase{"F1.1 default", "F1.1", nullptr, "P01.01=010000E", "F1.1 Value Write Sucess!",
                  Kind::kSuccess},
        WriteCase{"F1.1 zero", "F1.1", [](SetupModel& m) { SetNumber(m, "F1.1", "0"); }, "",
                  "F1.1 Value can not be zero!", Kind::kFailure},
        WriteCase{"F7.1 zero", "F7.1", [](SetupModel& m) { SetNumber(m, "F7.1", "0"); },
                  "P07.01=000000E", "F7.1 Value Write Sucess!", Kind::kSuccess},
        WriteCase{"F3.2 letter", "F3.2", [](SetupModel& m) { SetNumber(m, "F3.2", "12a4"); }, "",
                  "F3.2 Value must be number!", Kind::kFailure},
        WriteCase{"F3.2 seven digits", "F3.2",
                  [](SetupModel& m) { SetNumber(m, "F3.2", "1234567"); }, "",
                  "F3.2 Value must less then 999999!", Kind::kFailure},
        WriteCase{"F3.2 empty at opening", "F3.2", nullptr, "", "F3.2 Value can not be Empt!",
                  Kind::kFailure},
        WriteCase{"F6.2 padded", "F6.2", [](SetupModel& m) { SetNumber(m, "F6.2", "000100"); },
                  "P06.02=000100E", "F6.2 Value Write Sucess!", Kind::kSuccess},
        WriteCase{"F1.6 code 7", "F1.6", [](SetupModel& m) { m.choice[5] = 7; }, "P01.06=000007E",
                  "F1.6 Value Write Sucess!", Kind::kSuccess},
        WriteCase{"F2.1 default", "F2.1", nullptr, "P02.01=000001E", "F2.1 Value Write Sucess!",
                  Kind::kSuccess},
        WriteCase{"F4.1 second 2400", "F4.1", [](SetupModel& m) { m.choice[21] = 1; },
                  "P04.01=000001E", "F4.1 Value Write Sucess!", Kind::kSuccess},
        WriteCase{"choice without selection", "F1.3", [](SetupModel& m) { m.choice[2] = -1; }, "",
                  "F1.3 Value err!", Kind::kFailure},
        WriteCase{"date", "F7.4", nullptr, "P07.04=261207E", "Date Write Sucess!", Kind::kSuccess},
        WriteCase{"time", "F7.5", nullptr, "P07.05=093045E", "Time Write Sucess!", Kind::kSuccess},
        WriteCase{"unreadable date", "F7.4", [](SetupModel& m) { m.dateText = "07-12"; }, "",
                  "Date Write Fault!", Kind::kFailure}),
    test::ByWhat());

struct ReplyCase {
  const char* what;
  Reply reply;
  bool ok;
};

class WriteReplies : public SetupHandlers, public testing::WithParamInterface<ReplyCase> {};

TEST_P(WriteReplies, CountAsSuccessOnlyWhenTheyBeginOK) {
  const ReplyCase& c = GetParam();
  indicator.Always(c.reply);
  const struct {
    std::string_view param, good, bad;
  } families[] = {{"F4.2", "F4.2 Value Write Sucess!", "F4.2 Value Write Fault!"},
                  {"F1.1", "F1.1 Value Write Sucess!", "F1.1 Value Write Fault!"},
                  {"F7.4", "Date Write Sucess!", "Date Write Fault!"},
                  {"F7.5", "Time Write Sucess!", "Time Write Fault!"}};
  for (const auto& f : families) {
    SCOPED_TRACE(std::string(f.param));
    RecordingFeedback feedback;
    SetupModel m = OpeningModel("07-12-2026", "09:30:45");
    EXPECT_EQ(WriteParamHandler(m, link, feedback, *FindParam(f.param)), c.ok);
    // Failures, dates and times included, carry the error icon.
    EXPECT_EQ(feedback.messages,
              (std::vector<RecordingFeedback::Message>{
                  {c.ok ? Kind::kSuccess : Kind::kFailure, std::string(c.ok ? f.good : f.bad)}}));
    EXPECT_EQ(m.valueModified, c.ok);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, WriteReplies,
    testing::Values(ReplyCase{"OK", "OK", true}, ReplyCase{"OKAY", "OKAY", true},
                    ReplyCase{"NO", "NO", false}, ReplyCase{"empty payload", "", false},
                    ReplyCase{"lower case", "ok", false}, ReplyCase{"silence", kSilence, false}),
    test::ByWhat());

TEST_F(SetupHandlers, SilentDateAndTimeWritesShowOnlyFailures) {
  model.silentDateTimeWrite = true;
  EXPECT_TRUE(WriteParamHandler(model, link, ui, *FindParam("F7.4")));
  EXPECT_TRUE(WriteParamHandler(model, link, ui, *FindParam("F7.5")));
  EXPECT_TRUE(ui.messages.empty());
  indicator.Always("NO");
  EXPECT_FALSE(WriteParamHandler(model, link, ui, *FindParam("F7.4")));
  EXPECT_EQ(ui.messages,
            (std::vector<RecordingFeedback::Message>{{Kind::kFailure, "Date Write Fault!"}}));
}

TEST_F(SetupHandlers, AFailedWriteKeepsAnEarlierSuccessMarked) {
  ASSERT_TRUE(WriteParamHandler(model, link, ui, *FindParam("F1.2")));
  indicator.Always(kSilence);
  EXPECT_FALSE(WriteParamHandler(model, link, ui, *FindParam("F1.3")));
  EXPECT_TRUE(model.valueModified);
  EXPECT_EQ(model.caption, kCaptionNewValue);
}

// --- Leaving the window ---

TEST_F(SetupHandlers, ExitWithoutChangesAsksNothingAndEndsSetup) {
  EXPECT_TRUE(ExitSetup(model, link, ui));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Payloads(link), std::vector<std::string>{"K16E"});
}

TEST_F(SetupHandlers, ExitAfterAWriteAnsweredNoSendsOnlyTheEndCode) {
  model.valueModified = true;
  ui.answers = {false};
  EXPECT_TRUE(ExitSetup(model, link, ui));
  EXPECT_EQ(ui.messages,
            (std::vector<RecordingFeedback::Message>{{Kind::kYesNo, std::string(kSaveQuestion)}}));
  EXPECT_EQ(Payloads(link), std::vector<std::string>{"K16E"});
}

TEST_F(SetupHandlers, ExitAnsweredYesSavesThenEndsSetup) {
  model.valueModified = true;
  ui.answers = {true};
  EXPECT_TRUE(ExitSetup(model, link, ui));
  EXPECT_EQ(Payloads(link), (std::vector<std::string>{"K18E", "K16E"}));
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(SetupHandlers, ExitWhoseSaveFailsStaysOpenAndAsksAgain) {
  model.valueModified = true;
  ui.answers = {true, false};
  indicator.On("K18E", kSilence);
  EXPECT_FALSE(ExitSetup(model, link, ui));
  EXPECT_EQ(Payloads(link), std::vector<std::string>{"K18E"});
  EXPECT_EQ(ui.Texts(),
            (std::vector<std::string>{std::string(kSaveQuestion), "Value Save Fault!"}));
  EXPECT_EQ(ui.messages[1].kind, Kind::kFailure);
  EXPECT_TRUE(model.valueModified);

  EXPECT_TRUE(ExitSetup(model, link, ui));  // second Exit asks again; No leaves
  EXPECT_EQ(ui.messages[2].kind, Kind::kYesNo);
  EXPECT_EQ(Payloads(link).back(), "K16E");
}

TEST_F(SetupHandlers, ExitClosesEvenWhenTheEndCodeIsRefused) {
  indicator.Always("NO");
  EXPECT_TRUE(ExitSetup(model, link, ui));
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace tamarack
