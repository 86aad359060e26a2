// The program's keeper of the records and one opening's records, on a SQLite file in a temporary
// folder: what an opening keeps, when it asks which scale, and what a store that cannot be kept
// costs.

#include "records/record_session.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "records/setup_history.h"
#include "sample_read.h"
#include "setup/setup_model.h"
#include "support/recording_feedback.h"

namespace tamarack::records {
namespace {

using tamarack::test::RecordingFeedback;
using test::SampleRead;

// A journal that only counts what it is told, standing for the service record's session.
struct CountingJournal : SetupJournal {
  int reads = 0;
  std::vector<OperationEntry> operations;
  void CompleteRead(const SetupModel&, UserFeedback&) override { ++reads; }
  void Operation(OperationEntry entry) override { operations.push_back(std::move(entry)); }
};

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    keeper = std::make_unique<RecordKeeper>(
        RecordKeeper::Options{dir.filePath("data").toStdString(), {}, "laptop-1"});
    ASSERT_EQ(keeper->Open(), "");
    ASSERT_NE(keeper->Store(), nullptr);
    keeper->SetTechnician("Ann Øberg");
  }

  Scale AddScale(const std::string& site, const std::string& tag) {
    Scale s;
    s.site = site;
    s.tag = tag;
    std::string error;
    EXPECT_TRUE(keeper->Store()->AddScale(s, keeper->Who(), error)) << error;
    return s;
  }

  // An asker that notes each question and answers `answer`.
  ScaleAsker Answering(const std::string& answer) {
    return [this, answer](const ScaleQuestion& q) {
      questions.push_back(q);
      return answer;
    };
  }

  // One opening of the setup window through the recorder: a read with these counts, a write.
  void Opening(const std::string& answer, long long zero, long long span) {
    RecordSession session(keeper.get(), ui, Answering(answer));
    SetupRecorder recorder(inner, session, {"COM1", {}});
    SetupModel model;
    model.currentValue = SampleRead(zero, span).values;
    recorder.CompleteRead(model, ui);
    session.Settle();
    recorder.Operation({OperationKind::kWrite,
                        "F1.6 = 2 (30Hz)",
                        Outcome::kSucceeded,
                        {"F1.6 Value Write Sucess!"},
                        true});
    session.Settle();
  }

  QTemporaryDir dir;
  std::unique_ptr<RecordKeeper> keeper;
  RecordingFeedback ui;
  CountingJournal inner;
  std::vector<ScaleQuestion> questions;
};

TEST_F(SessionTest, AnOpeningAsksOnceAndKeepsItsReadsAndOperationsOnTheAnswer) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  {
    RecordSession session(keeper.get(), ui, Answering(mill.id));
    SetupRecorder recorder(inner, session,
                           {"rfc2217://10.0.0.7:4001", {4800, 7, 2, Parity::kEven}});
    SetupModel model;
    model.currentValue = SampleRead().values;
    recorder.CompleteRead(model, ui);
    // Nothing is asked or kept in the middle of an operation.
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(keeper->Store()->RecordCount(), 0u);
    session.Settle();
    recorder.Operation({OperationKind::kWriteAll, "", Outcome::kFailed, {"NOCAJ"}, true});
    recorder.CompleteRead(model, ui);
    session.Settle();
    EXPECT_EQ(session.Kept().size(), 3u);
  }
  // The session the service record is made from was told everything too.
  EXPECT_EQ(inner.reads, 2);
  ASSERT_EQ(inner.operations.size(), 1u);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].what, "Read All on rfc2217://10.0.0.7:4001");
  EXPECT_FALSE(questions[0].proposed);  // the scale has no read yet

  const std::vector<Record> history = keeper->Store()->History(mill.id);
  ASSERT_EQ(history.size(), 3u);
  const auto& read = std::get<ReadContent>(history[2].content);
  EXPECT_EQ(read.values, SampleRead().values);
  EXPECT_EQ(read.port, "rfc2217://10.0.0.7:4001");
  EXPECT_EQ(read.line, "4800 baud, 7 data bits, parity even, 2 stop bits");
  const auto& op = std::get<OperationContent>(history[1].content);
  EXPECT_EQ(op.operation, "Write All");
  EXPECT_EQ(op.outcome, "failed");
  EXPECT_EQ(op.messages, std::vector<std::string>{"NOCAJ"});
  for (const Record& r : history) {
    EXPECT_EQ(r.technician, "Ann Øberg");
    EXPECT_EQ(r.pc, "laptop-1");
    EXPECT_EQ(r.scaleId, mill.id);
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SessionTest, TheFingerprintProposesAfterASecondReadAndTheAnswerDecides) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  const Scale dock = AddScale("Dock", "Truck");
  Opening(mill.id, 12000, 480000);

  // The same indicator again: proposed, and the technician confirms.
  Opening(mill.id, 12000, 480000);
  ASSERT_EQ(questions.size(), 2u);
  ASSERT_TRUE(questions[1].proposed);
  EXPECT_EQ(questions[1].proposed->id, mill.id);

  // Recalibrated: no proposal, and the technician's choice carries the scale over; the next
  // opening proposes it by its new counts.
  Opening(mill.id, 12500, 470000);
  EXPECT_FALSE(questions[2].proposed);
  Opening(mill.id, 12500, 470000);
  ASSERT_TRUE(questions[3].proposed);
  EXPECT_EQ(questions[3].proposed->id, mill.id);

  // A proposal is only a proposal: the answer is what counts.
  Opening(dock.id, 12500, 470000);
  ASSERT_TRUE(questions[4].proposed);
  EXPECT_EQ(questions[4].proposed->id, mill.id);
  EXPECT_EQ(keeper->Store()->History(dock.id).size(), 2u);
  EXPECT_EQ(keeper->Store()->History(mill.id).size(), 8u);
  EXPECT_EQ(keeper->Store()->Counts(mill.id).size(), 4u);
}

TEST_F(SessionTest, NotNowLeavesTheRecordsOnNoScale) {
  Opening("", 12000, 480000);
  EXPECT_EQ(questions.size(), 1u);
  EXPECT_EQ(keeper->Store()->Unplaced().size(), 2u);
  // A record left waiting when the window goes is kept without asking.
  {
    RecordSession session(keeper.get(), ui, Answering("never asked"));
    session.Add(FleetRowContent{"COM2", "read", 0, ""});
  }
  EXPECT_EQ(questions.size(), 1u);
  EXPECT_EQ(keeper->Store()->Unplaced().size(), 3u);
}

TEST_F(SessionTest, AServiceRecordSavedTwiceIsKeptOnce) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  RecordSession session(keeper.get(), ui, Answering(mill.id));
  SetupRecorder recorder(inner, session, {"COM1", {}});
  ServiceRecord record;
  record.technician = "Ann Øberg";
  record.note = "Load cell cable replaced";
  record.madeAt = "2026-03-24 17:05:09";
  recorder.ServiceRecordSaved(record, "%PDF-1.4 first");
  record.madeAt = "2026-03-24 17:05:40";  // the CSV saved a little later
  recorder.ServiceRecordSaved(record, "%PDF-1.4 second");
  record.note = "Load cell cable and junction box replaced";
  recorder.ServiceRecordSaved(record, "%PDF-1.4 third");

  const std::vector<Record> history = keeper->Store()->History(mill.id);
  ASSERT_EQ(history.size(), 2u);
  const std::optional<Record> first = keeper->Store()->Get(history[1].id);
  ASSERT_TRUE(first);
  const auto& kept = std::get<ServiceRecordContent>(first->content);
  EXPECT_EQ(kept.record.note, "Load cell cable replaced");
  EXPECT_EQ(kept.pdf, "%PDF-1.4 first");
}

TEST_F(SessionTest, EachCertificateIsAskedForAndCountsForItsScalesDueDate) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  CertificateContent passed{"OIML R 76, class III, in service", true, "{}", "csv", "%PDF"};
  KeepCertificate(*keeper, ui, Answering(mill.id), passed);
  KeepCertificate(*keeper, ui, Answering(""), passed);  // not now: on no scale
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_EQ(questions[0].what, "Certificate: OIML R 76, class III, in service");
  EXPECT_EQ(keeper->Store()->Unplaced().size(), 1u);
  const std::vector<DueScale> due = keeper->Store()->DueForVerification();
  ASSERT_EQ(due.size(), 1u);
  EXPECT_FALSE(due[0].lastPassed.empty());
}

TEST_F(SessionTest, AFailureToKeepIsToldOnceInARun) {
  RecordSession session(keeper.get(), ui, Answering("no-such-scale"));
  session.Add(SampleRead());
  session.Settle();
  session.Add(SampleRead());
  session.Settle();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Records not kept: no scale has the id no-such-scale");
  EXPECT_EQ(keeper->Store()->RecordCount(), 0u);
}

TEST(KeeperTest, WithoutAStoreNothingIsAskedNorKept) {
  QTemporaryDir dir;
  QFile file(dir.filePath("file"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  RecordKeeper keeper({dir.filePath("file/data").toStdString(), {}, "pc"});
  const std::string message = keeper.Open();
  EXPECT_TRUE(message.starts_with("Records not kept: the folder ")) << message;
  EXPECT_EQ(keeper.Problem(), message);
  EXPECT_EQ(keeper.Store(), nullptr);
  EXPECT_EQ(keeper.Open(), "");  // told once

  RecordingFeedback ui;
  int asked = 0;
  RecordSession session(&keeper, ui, [&asked](const ScaleQuestion&) {
    ++asked;
    return std::string();
  });
  CountingJournal inner;
  SetupRecorder recorder(inner, session, {"COM1", {}});
  SetupModel model;
  model.currentValue = SampleRead().values;
  recorder.CompleteRead(model, ui);
  session.Settle();
  EXPECT_EQ(inner.reads, 1);  // the service record's session still hears of it
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(KeeperTest, TheHistoryFolderIsTakenInAtTheFirstStartOnly) {
  QTemporaryDir dir;
  const std::string data = dir.filePath("data").toStdString();
  const std::string folder = dir.filePath("history").toStdString();
  const SetupHistory history(folder);
  SetupModel model;
  model.currentValue = SampleRead().values;
  std::string error;
  ASSERT_TRUE(history.Keep(model, {"COM1", {}}, 1774371909, error)) << error;

  {
    RecordKeeper first({data, folder, "pc"});
    EXPECT_EQ(first.Open(), "");
    EXPECT_EQ(first.Imported().added, 1u);
    EXPECT_FALSE(first.Imported().earlier);
  }
  // A read of a later run is kept as a record and as a history file; the file is not taken in
  // again.
  ASSERT_TRUE(history.Keep(model, {"COM2", {}}, 1774371909 + 60, error)) << error;
  RecordKeeper second({data, folder, "pc"});
  EXPECT_EQ(second.Open(), "");
  EXPECT_TRUE(second.Imported().earlier);
  EXPECT_EQ(second.Imported().added, 0u);
  EXPECT_EQ(second.Store()->RecordCount(), 1u);
  EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList({"*.stx"}).size(), 2);
}

TEST(KeeperTest, ADamagedStoreIsToldMovedAsideAndANewOneKeeps) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir().mkpath(dir.filePath("data")));
  QFile file(dir.filePath("data/records.sqlite"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("Notes that took the store's name.\n");
  file.close();

  RecordKeeper keeper({dir.filePath("data").toStdString(), {}, "pc"});
  const std::string message = keeper.Open();
  EXPECT_TRUE(
      message.starts_with("Records not kept: records.sqlite is not a records store. It "
                          "was moved aside as records-damaged-"))
      << message;
  ASSERT_NE(keeper.Store(), nullptr);
  EXPECT_EQ(keeper.Problem(), "");
  RecordingFeedback ui;
  Record record = MakeRecord(SampleRead(), keeper.Who());
  EXPECT_TRUE(keeper.Keep(record, ui));
  EXPECT_EQ(keeper.Store()->RecordCount(), 1u);
  EXPECT_EQ(QDir(dir.filePath("data")).entryList({"records-damaged-*"}).size(), 1);
}

TEST(KeeperTest, TheTeamStoresAddressIsRememberedBesideTheStore) {
  QTemporaryDir dir;
  RecordKeeper keeper({dir.filePath("data").toStdString(), {}, "pc"});
  ASSERT_EQ(keeper.Open(), "");
  EXPECT_EQ(keeper.LastTeamUrl(), "");
  EXPECT_EQ(keeper.RememberTeamUrl("postgresql://ann@db.example:5432/records"), "");
  RecordKeeper again({dir.filePath("data").toStdString(), {}, "pc"});
  EXPECT_EQ(again.LastTeamUrl(), "postgresql://ann@db.example:5432/records");
}

}  // namespace
}  // namespace tamarack::records
