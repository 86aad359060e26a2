// The rules behind safe changes, without a window: the difference rule, Copy Current and what
// each handler tells the operation journal.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "files/file_name.h"
#include "records/service_record.h"
#include "records/setup_history.h"
#include "setup/bulk_ops.h"
#include "setup/param_codec.h"
#include "setup/setup_diff.h"
#include "setup/setup_handlers.h"
#include "setup/setup_value_file.h"
#include "support/complete_read.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using test::AfterRead;
using test::FakeLink;
using test::RecordingFeedback;

std::size_t Row(std::string_view number) {
  return RowIndex(*FindParam(number));
}
std::string& NewValue(SetupModel& model, std::string_view number) {
  return model.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(number)))];
}

TEST(SafeDifferences, AReadOfTheDefaultsMatchesTheOpeningColumn) {
  const SetupModel model = AfterRead();
  EXPECT_TRUE(Differences(model).empty());
  EXPECT_EQ(DifferenceCountText(0), "No parameter differs from the indicator");
  EXPECT_EQ(DifferenceCountText(1), "1 parameter differs from the indicator");
  EXPECT_EQ(DifferenceCountText(12), "12 parameters differ from the indicator");
}

struct DiffCase {
  const char* what;
  const char* param;
  const char* current;  // the indicator's text, as read
  const char* typed;    // Number: the field's text; Choice: the code as text ("-1": none)
  bool differs;
};

class DifferenceRule : public testing::TestWithParam<DiffCase> {};

TEST_P(DifferenceRule, ComparesWhatWriteAllWouldSend) {
  const DiffCase& c = GetParam();
  SetupModel model = AfterRead();
  const SetupParam& p = *FindParam(c.param);
  model.currentValue[RowIndex(p)] = c.current;
  if (p.kind == ParamKind::kNumber) NewValue(model, c.param) = c.typed;
  if (p.kind == ParamKind::kChoice) model.choice[RowIndex(p)] = std::stoi(c.typed);
  if (p.kind == ParamKind::kDate) model.dateText = c.typed;
  if (p.kind == ParamKind::kTime) model.timeText = c.typed;
  EXPECT_EQ(DiffersFromIndicator(model, p), c.differs);
  EXPECT_EQ(Differences(model).size(), c.differs ? 1U : 0U);
  EXPECT_EQ(DifferenceMark(model, p),
            c.differs ? "differs from the indicator: " + std::string(c.current) : "");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DifferenceRule,
    testing::Values(
        DiffCase{"leading zeros are the same number", "F6.2", "000100", "000100", false},
        DiffCase{"short and padded forms are equal", "F6.2", "000100", "100", false},
        DiffCase{"another number", "F6.2", "000100", "101", true},
        DiffCase{"an empty field would be refused", "F7.1", "000000", "", true},
        DiffCase{"a field with letters would be refused", "F6.3", "010000", "10000a", true},
        DiffCase{"a refused zero differs from a read zero", "F1.1", "000000", "0", true},
        DiffCase{"the same option", "F1.6", "1 (15Hz)", "1", false},
        DiffCase{"another option", "F1.6", "1 (15Hz)", "2", true},
        DiffCase{"no option selected", "F1.6", "1 (15Hz)", "-1", true},
        DiffCase{"the indicator's own spelling of an option", "F1.11", "3 (1OD)", "3", false},
        DiffCase{"the date is not compared", "F7.4", "01-01-20", "07-12-2026", false},
        DiffCase{"the time is not compared", "F7.5", "00:00:00", "09:30:45", false},
        DiffCase{"the version is not compared", "F7.3", "9.99", "", false}),
    test::ByWhat{});

TEST(SafeDifferences, NothingDiffersBeforeACompleteReadAndCopyCurrentWaitsForOne) {
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  model.currentValue = AfterRead().currentValue;
  model.currentValue[Row("F7.5")].clear();  // a read that stopped short never reaches the model,
  EXPECT_FALSE(HasCompleteRead(model));     // but a window may show a half-empty column
  EXPECT_TRUE(Differences(model).empty());
  const SetupModel before = model;
  CopyCurrentValues(model);
  EXPECT_EQ(model.newValue, before.newValue);
  EXPECT_EQ(model.choice, before.choice);
}

TEST(SafeDifferences, CopyCurrentLeavesNothingDifferentAndKeepsTheClockPickers) {
  SetupModel model = AfterRead();
  model.currentValue[Row("F1.6")] = "7 (960Hz)";
  model.currentValue[Row("F7.2")] = "000042";
  model.currentValue[Row("F1.11")] = "3 (1OD)";
  NewValue(model, "F7.1") = "";
  model.choice[Row("F2.1")] = -1;
  ASSERT_EQ(Differences(model).size(), 5U);
  CopyCurrentValues(model);
  EXPECT_TRUE(Differences(model).empty());
  EXPECT_EQ(NewValue(model, "F7.2"), "000042");  // as read, leading zeros and all
  EXPECT_EQ(model.choice[Row("F1.6")], 7);
  EXPECT_EQ(model.choice[Row("F1.11")], 3);
  EXPECT_EQ(model.dateText, "07-12-2026");
  EXPECT_EQ(FirstUnwritableField(model), "");
}

TEST(SafeDifferences, ASuccessfulWriteTellsWhatTheIndicatorNowHolds) {
  FakeLink link;
  RecordingFeedback ui;
  SetupModel model = AfterRead();
  const SetupParam& f16 = *FindParam("F1.6");
  model.choice[RowIndex(f16)] = 2;
  link.QueueReply("NO");
  WriteParamHandler(model, link, ui, f16);
  EXPECT_EQ(DifferenceMark(model, f16), "differs from the indicator: 1 (15Hz)");
  link.QueueReply("OK");
  WriteParamHandler(model, link, ui, f16);
  EXPECT_TRUE(Differences(model).empty());
  EXPECT_EQ(model.currentValue[RowIndex(f16)], "1 (15Hz)");  // the column itself stays as read
  model.choice[RowIndex(f16)] = 1;
  EXPECT_EQ(DifferenceMark(model, f16), "differs from the indicator: 2 (30Hz)");

  NewValue(model, "F6.2") = "250";
  for (const char* reply : {"OK", "OK", "OK"}) link.QueueReply(reply);
  ASSERT_TRUE(WriteAllParams(model, link, ui));
  EXPECT_TRUE(Differences(model).empty());
  CopyCurrentValues(model);
  EXPECT_EQ(NewValue(model, "F6.2"), "000250");
}

TEST(SafeDifferences, AMismatchNamesBothSides) {
  SetupModel model = AfterRead();
  model.choice[Row("F1.6")] = 2;
  EXPECT_EQ(MismatchLine(model, *FindParam("F1.6")),
            "F1.6: new value 2 (30Hz), indicator 1 (15Hz)");
  NewValue(model, "F7.1") = "";
  EXPECT_EQ(MismatchLine(model, *FindParam("F7.1")), "F7.1: new value (empty), indicator 000000");
}

// Remembers what the handlers tell the journal.
struct Journal : SetupJournal {
  void CompleteRead(const SetupModel&, UserFeedback&) override { ++reads; }
  void Operation(OperationEntry entry) override { entries.push_back(std::move(entry)); }
  int reads = 0;
  std::vector<OperationEntry> entries;
};

TEST(SafeOperationLog, RecordsEachOperationWithItsOutcomeAndMessages) {
  FakeLink link;
  RecordingFeedback ui;
  Journal journal;
  SetupModel model = AfterRead();
  model.journal = &journal;

  model.choice[Row("F1.6")] = 2;
  link.QueueReply("NO");
  EXPECT_FALSE(WriteParamHandler(model, link, ui, *FindParam("F1.6")));
  NewValue(model, "F1.1") = "0";
  EXPECT_FALSE(WriteParamHandler(model, link, ui, *FindParam("F1.1")));
  SetFactoryDefaults(model, link, ui, [] { return PasswordAnswer::kGaveUp; });
  link.QueueReply("OK");
  SaveParams(model, link, ui);
  NewValue(model, "F1.1") = "10000";
  for (const char* reply : {"OK", "OK", "NOCAJ"}) link.QueueReply(reply);
  EXPECT_FALSE(WriteAllParams(model, link, ui));
  CalibrationEnded(true, model, ui);

  ASSERT_EQ(journal.entries.size(), 6U);
  const OperationEntry& write = journal.entries[0];
  EXPECT_EQ(write.kind, OperationKind::kWrite);
  EXPECT_EQ(write.subject, "F1.6 = 2 (30Hz)");
  EXPECT_EQ(write.outcome, Outcome::kFailed);
  EXPECT_EQ(write.messages, std::vector<std::string>{"F1.6 Value Write Fault!"});
  EXPECT_TRUE(write.reachedIndicator);

  const OperationEntry& refused = journal.entries[1];
  EXPECT_EQ(refused.outcome, Outcome::kFailed);
  EXPECT_EQ(refused.messages, std::vector<std::string>{"F1.1 Value can not be zero!"});
  EXPECT_FALSE(refused.reachedIndicator);

  EXPECT_EQ(journal.entries[2].kind, OperationKind::kSetDefault);
  EXPECT_EQ(journal.entries[2].outcome, Outcome::kCancelled);
  EXPECT_FALSE(journal.entries[2].reachedIndicator);
  EXPECT_EQ(journal.entries[3].kind, OperationKind::kSave);
  EXPECT_EQ(journal.entries[3].outcome, Outcome::kSucceeded);

  // The date and time writes inside Write All belong to its one entry.
  const OperationEntry& all = journal.entries[4];
  EXPECT_EQ(all.kind, OperationKind::kWriteAll);
  EXPECT_EQ(all.outcome, Outcome::kFailed);
  EXPECT_EQ(all.messages, std::vector<std::string>{"Please Turn on CAJ switch!"});
  EXPECT_EQ(journal.entries[5].kind, OperationKind::kCalibration);
  EXPECT_EQ(journal.entries[5].outcome, Outcome::kSucceeded);
  // What the user saw did not change.
  EXPECT_EQ(ui.Texts().front(), "F1.6 Value Write Fault!");
}

}  // namespace
}  // namespace tamarack
