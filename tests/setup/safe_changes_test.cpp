// The rules behind safe changes, without a window: the difference rule, Copy Current, the
// operation log, the history of reads and the service record's text.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "files/file_name.h"
#include "setup/bulk_ops.h"
#include "setup/param_codec.h"
#include "setup/service_record.h"
#include "setup/setup_diff.h"
#include "setup/setup_handlers.h"
#include "setup/setup_history.h"
#include "setup/setup_value_file.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using test::FakeLink;
using test::RecordingFeedback;

std::size_t Row(std::string_view number) {
  return RowIndex(*FindParam(number));
}
std::string& NewValue(SetupModel& model, std::string_view number) {
  return model.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(number)))];
}

// A complete read that matches the opening column, where the calibration counts have been typed.
SetupModel AfterRead() {
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  for (const SetupParam& p : SetupParams()) {
    std::string& current = model.currentValue[RowIndex(p)];
    switch (p.kind) {
      case ParamKind::kNumber:
        current = "000000";
        break;
      case ParamKind::kChoice:
        current = ChoiceShownText(p, p.defaultCode);
        break;
      case ParamKind::kVersion:
        current = "1.00";
        break;
      case ParamKind::kDate:
        current = "07-12-26";
        break;
      case ParamKind::kTime:
        current = "09:30:45";
        break;
    }
  }
  model.currentValue[Row("F1.1")] = "010000";
  model.currentValue[Row("F6.2")] = "000100";
  model.currentValue[Row("F6.3")] = "010000";
  model.currentValue[Row("F3.1")] = "001000";
  NewValue(model, "F3.1") = "1000";
  NewValue(model, "F3.2") = "500";
  model.currentValue[Row("F3.2")] = "000500";
  NewValue(model, "F3.3") = "20000";
  model.currentValue[Row("F3.3")] = "020000";
  return model;
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

class History : public testing::Test {
 protected:
  void SetUp() override {
    folder =
        fs::temp_directory_path() / ("tamarack-history-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  fs::path folder;
  const LineInfo line{"/dev/ttyUSB0", LineSettingsText(9600, 8, 0, 1)};
};

TEST_F(History, KeepsEveryReadBesideItsMetadataAndNeverReplacesOne) {
  const SetupHistory history(folder.string());
  SetupModel model = AfterRead();
  std::string error;
  const std::time_t when = 1796635845;
  const auto first = history.Keep(model, line, when, error);
  model.currentValue[Row("F1.6")] = "2 (30Hz)";
  const auto second = history.Keep(model, line, when, error);  // the same second
  ASSERT_TRUE(first && second) << error;
  EXPECT_NE(*first, *second);
  EXPECT_EQ(fs::path(*first).filename().string(), HistoryFileStem(when, line.port) + ".stx");
  EXPECT_TRUE(fs::path(*first).filename().string().find("-dev-ttyUSB0") != std::string::npos);

  const std::vector<HistoryEntry> entries = history.List();
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_EQ(entries[0].path, *second);  // newest first
  for (const HistoryEntry& e : entries) {
    EXPECT_TRUE(e.readable) << e.problem;
    EXPECT_EQ(e.meta.port, "/dev/ttyUSB0");
    EXPECT_EQ(e.meta.line, "9600 baud, 8 data bits, parity none, 1 stop bit");
    EXPECT_EQ(e.meta.version, "1.00");
    EXPECT_EQ(e.meta.time, LocalTimeText(when));
  }
  // A kept file is a setup value file like any other.
  SetupModel loaded = OpeningModel("07-12-2026", "09:30:45");
  RecordingFeedback ui;
  ASSERT_TRUE(LoadSetupFile(entries[0].path, loaded, ui));
  EXPECT_EQ(loaded.choice[Row("F1.6")], 2);
  EXPECT_EQ(NewValue(loaded, "F3.2"), "000500");
  EXPECT_EQ(DifferencesIfLoaded(AfterRead(), entries[0].record), 1U);
  EXPECT_FALSE(DifferencesIfLoaded(OpeningModel("", ""), entries[0].record));
}

// A user's own folder often has a name beyond ASCII (a user named Jörg): the kept files go into
// that very folder and read back from it.
TEST_F(History, KeepsAndListsInAFolderNamedBeyondAscii) {
  const fs::path named = folder / u8"J\u00F6rg \u00E9t\u00E9";
  const SetupHistory history(BytesFromPath(named));
  std::string error;
  const auto kept = history.Keep(AfterRead(), line, 1796635845, error);
  ASSERT_TRUE(kept) << error;
  EXPECT_EQ(PathFromBytes(*kept).parent_path(), named);
  const std::vector<HistoryEntry> entries = history.List();
  ASSERT_EQ(entries.size(), 1U);
  EXPECT_TRUE(entries[0].readable) << entries[0].problem;
  EXPECT_EQ(entries[0].path, *kept);
  SetupModel loaded = OpeningModel("07-12-2026", "09:30:45");
  RecordingFeedback ui;
  EXPECT_TRUE(LoadSetupFile(entries[0].path, loaded, ui));
}

TEST_F(History, ADamagedOrCutShortFileIsListedAsUnreadable) {
  const SetupHistory history(folder.string());
  std::string error;
  SetupModel model = AfterRead();
  std::vector<std::string> paths;
  for (std::time_t t : {100000000, 200000000, 300000000, 400000000}) {
    paths.push_back(history.Keep(model, line, t, error).value_or(""));
  }
  const std::string record = SetupValueRecord(model);
  std::ofstream(paths[0], std::ios::trunc) << record.substr(0, record.size() - 3);
  std::ofstream(paths[1], std::ios::trunc) << "not,a,setup";
  fs::remove(fs::path(paths[2]).replace_extension(".meta"));

  std::vector<HistoryEntry> entries = history.List();
  ASSERT_EQ(entries.size(), 4U);
  EXPECT_TRUE(entries[0].readable);
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_FALSE(entries[i].readable) << entries[i].path;
    EXPECT_FALSE(entries[i].problem.empty());
    EXPECT_TRUE(entries[i].record.empty());
  }
}

TEST(SafeSession, AsFoundIsTheFirstReadAndAsLeftTheLatest) {
  std::time_t now = 1796635845;
  SetupSession session({{"COM2", LineSettingsText(4800, 7, 1, 2)}, "", [&] { return now; }});
  RecordingFeedback ui;
  EXPECT_TRUE(session.WrittenSinceLatestRead());  // nothing read yet
  SetupModel model = AfterRead();
  session.CompleteRead(model, ui);
  EXPECT_FALSE(session.WrittenSinceLatestRead());
  session.Operation({OperationKind::kSave, "", Outcome::kSucceeded, {"Value Save Sucess!"}, true});
  EXPECT_FALSE(session.WrittenSinceLatestRead());
  session.Operation({OperationKind::kWrite,
                     "F1.6 = 2 (30Hz)",
                     Outcome::kSucceeded,
                     {"F1.6 Value Write Sucess!"},
                     true});
  EXPECT_TRUE(session.WrittenSinceLatestRead());
  now += 60;
  model.currentValue[Row("F1.6")] = "2 (30Hz)";
  model.currentValue[Row("F7.5")] = "09:31:45";
  model.currentValue[Row("F6.2")] = "000100";
  session.CompleteRead(model, ui);

  const ServiceRecord record =
      BuildServiceRecord(session, "Zoë Ünal, \"ZU\"", "line 1\nline 2", now);
  ASSERT_EQ(record.rows.size(), kSetupParamCount);
  const ServiceRecord::Row& f16 = record.rows[Row("F1.6")];
  EXPECT_EQ(f16.asFound, "1 (15Hz)");
  EXPECT_EQ(f16.asLeft, "2 (30Hz)");
  EXPECT_TRUE(f16.changed);
  EXPECT_FALSE(record.rows[Row("F7.5")].changed);  // the clock runs; that is no change
  EXPECT_EQ(std::ranges::count_if(record.rows, [](const auto& r) { return r.changed; }), 1);
  EXPECT_EQ(record.rows[Row("F2.2")].name, "Primary Unit Decimal Point Location");
  EXPECT_EQ(record.version, "1.00");
  EXPECT_EQ(record.line, "4800 baud, 7 data bits, parity even, 2 stop bits");
  ASSERT_EQ(record.operations.size(), 2U);
  EXPECT_EQ(record.operations[1].operation, "Write F1.6 = 2 (30Hz)");
  EXPECT_EQ(record.operations[1].result, "done: F1.6 Value Write Sucess!");

  const std::string csv = ServiceRecordCsv(record);
  EXPECT_NE(csv.find("Technician,\"Zoë Ünal, \"\"ZU\"\"\"\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("Note,\"line 1\nline 2\"\r\n"), std::string::npos);
  EXPECT_NE(csv.find("F1.6,Sample rate,1 (15Hz),2 (30Hz),changed\r\n"), std::string::npos);
  EXPECT_LT(csv.find("Save,done"), csv.find("Write F1.6"));
  const std::string html = ServiceRecordHtml(record);
  EXPECT_NE(html.find("Zoë Ünal, &quot;ZU&quot;"), std::string::npos);
  EXPECT_NE(html.find("line 1<br>line 2"), std::string::npos);
}

}  // namespace
}  // namespace tamarack
