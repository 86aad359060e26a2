// What is kept of the setup window's reads and operations: the history of reads and one
// opening's session with its service record.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "files/file_name.h"
#include "records/service_record.h"
#include "records/setup_history.h"
#include "setup/setup_value_file.h"
#include "support/complete_read.h"
#include "support/recording_feedback.h"
#include "support/temp_folder.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using test::AfterRead;
using test::RecordingFeedback;

std::size_t Row(std::string_view number) {
  return test::RowOf(number);
}

class History : public testing::Test {
 protected:
  test::TempFolder temp;
  // Not there yet: the history makes it.
  const fs::path folder = temp.Path() / "history";
  const PortLine line{"/dev/ttyUSB0", {9600, 8, 1, Parity::kNone}};
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
  EXPECT_EQ(test::NewValueOf(loaded, "F3.2"), "000500");
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
  SetupSession session({{"COM2", {4800, 7, 2, Parity::kEven}}, "", [&] { return now; }});
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
}

TEST(SafeSession, TheServiceRecordEndsWithTheScaleTestOfTheOpening) {
  SetupSession session({{"COM2", {9600, 8, 1, Parity::kNone}}, "", [] { return 1796635845; }});
  RecordingFeedback ui;
  session.CompleteRead(AfterRead(), ui);
  const std::string without = ServiceRecordCsv(BuildServiceRecord(session, "T", "", 1796635845));

  Report certificate;
  certificate.title = {"Scale verification", {"As left"}};
  certificate.Add(ReportKeyValues{{{"Result", "FAIL"}}});
  certificate.Add(ReportHeading{"Weighing test: FAIL"});
  certificate.Add(ReportGrid{{"Step", "Result"}, {{{"1", "FAIL"}, ReportMark::kFailed}}, "", ""});
  certificate.Add(ReportSignatures{{"Technician"}}, ReportForms::kPdfOnly);
  session.SetScaleTest(certificate);
  const ServiceRecord record = BuildServiceRecord(session, "T", "", 1796635845);
  const Report report = ServiceRecordReport(record);
  EXPECT_EQ(std::ranges::count_if(report.blocks,
                                  [](const ReportBlock& b) {
                                    return std::holds_alternative<ReportSignatures>(b.content);
                                  }),
            0)
      << "the certificate's signature line stays on the certificate";
  const std::string csv = ServiceRecordCsv(record);
  EXPECT_EQ(csv.substr(0, without.size()), without) << "what came before is unchanged";
  EXPECT_EQ(csv.substr(without.size()),
            "\r\nScale verification\r\nAs left\r\nResult,FAIL\r\n\r\nWeighing test: FAIL\r\n"
            "Step,Result\r\n1,FAIL\r\n");
}

}  // namespace
}  // namespace tamarack
