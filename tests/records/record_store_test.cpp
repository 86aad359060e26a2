#include "records/record_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <ctime>

#include "records/record_export.h"
#include "records/setup_history.h"
#include "sample_read.h"
#include "setup/setup_value_file.h"

namespace tamarack::records {
namespace {

using test::SampleRead;
using test::ValueAt;

const Author kAnn{"Ann Øberg", "laptop-1"};

std::string ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

// One statement straight on a store file, as another program would.
void Poke(const QString& path, const QString& sql) {
  const QString name = QUuid::createUuid().toString();
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(path);
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
  }
  QSqlDatabase::removeDatabase(name);
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    Reopen();
  }

  void Reopen() {
    store.reset();
    RecordStore::Opened opened = RecordStore::OpenLocal(Folder());
    ASSERT_TRUE(opened.store) << opened.message;
    EXPECT_EQ(opened.message, "");
    store = std::move(opened.store);
  }

  std::string Folder() const { return dir.filePath("data").toStdString(); }
  QString StorePath() const { return dir.filePath("data/records.sqlite"); }

  Scale AddScale(const std::string& site, const std::string& tag) {
    Scale s;
    s.site = site;
    s.tag = tag;
    std::string error;
    EXPECT_TRUE(store->AddScale(s, kAnn, error)) << error;
    return s;
  }

  Record Keep(RecordContent content, const std::string& at, const std::string& scaleId = {}) {
    Record r = MakeRecord(std::move(content), kAnn, scaleId);
    r.at = at;
    std::string error;
    EXPECT_TRUE(store->Add(r, error)) << error;
    return r;
  }

  static std::vector<std::string> Ids(const std::vector<Record>& records) {
    std::vector<std::string> ids;
    for (const Record& r : records) ids.push_back(r.id);
    return ids;
  }

  QTemporaryDir dir;
  std::unique_ptr<RecordStore> store;
};

TEST_F(StoreTest, RecordsAreListedPerScaleNewestFirst) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  const Scale dock = AddScale("Dock", "Truck scale");
  const Record old = Keep(SampleRead(), "2025-03-01T08:00:00.000Z", mill.id);
  const Record write = Keep(
      OperationContent{"Write", "F1.6 = 2 (30Hz)", "done", {"F1.6 Value Write Sucess!"}, "COM1"},
      "2026-03-01T08:05:00.000Z", mill.id);
  const Record middle = Keep(SampleRead(), "2025-09-01T08:00:00.000Z", mill.id);
  const Record other = Keep(SampleRead(), "2026-01-01T08:00:00.000Z", dock.id);
  const Record loose =
      Keep(FleetRowContent{"/dev/ttyUSB0", "read", 1, "no answer"}, "2026-02-01T08:00:00.000Z");

  EXPECT_EQ(Ids(store->History(mill.id)), (std::vector{write.id, middle.id, old.id}));
  EXPECT_EQ(Ids(store->History(dock.id)), std::vector{other.id});
  EXPECT_EQ(Ids(store->Unplaced()), std::vector{loose.id});

  // Everything survives closing the store, exactly as written.
  Reopen();
  const std::vector<Record> history = store->History(mill.id);
  ASSERT_EQ(history.size(), 3u);
  EXPECT_EQ(history[0].technician, "Ann Øberg");
  EXPECT_EQ(history[0].pc, "laptop-1");
  EXPECT_EQ(history[0].placedOn, mill.id);
  const auto& op = std::get<OperationContent>(history[0].content);
  EXPECT_EQ(op.subject, "F1.6 = 2 (30Hz)");
  EXPECT_EQ(op.messages, std::vector<std::string>{"F1.6 Value Write Sucess!"});
  EXPECT_EQ(std::get<ReadContent>(history[1].content).values, SampleRead().values);
  EXPECT_EQ(Summarize(history[0]).what, "Write F1.6 = 2 (30Hz)");
  EXPECT_EQ(store->RecordCount(), 5u);
}

TEST_F(StoreTest, AssignmentsPlaceRecordsLaterAndTheLatestCounts) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  const Scale dock = AddScale("Dock", "Truck scale");
  const Record read = Keep(SampleRead(), "2026-01-01T08:00:00.000Z");
  ASSERT_EQ(Ids(store->Unplaced()), std::vector{read.id});

  std::string error;
  ASSERT_TRUE(store->Assign(read.id, mill.id, kAnn, error)) << error;
  EXPECT_TRUE(store->Unplaced().empty());
  EXPECT_EQ(Ids(store->History(mill.id)), std::vector{read.id});
  // The read itself is unchanged: the assignment is a record of its own.
  EXPECT_EQ(store->Get(read.id)->scaleId, "");
  EXPECT_EQ(store->Get(read.id)->placedOn, mill.id);

  ASSERT_TRUE(store->Assign(read.id, dock.id, kAnn, error)) << error;
  EXPECT_TRUE(store->History(mill.id).empty());
  EXPECT_EQ(Ids(store->History(dock.id)), std::vector{read.id});
  EXPECT_EQ(store->RecordCount(), 3u);

  // What cannot be true is refused and nothing is written.
  struct Row {
    const char* name;
    std::string recordId, scaleId;
  };
  for (const Row& row : {Row{"unknown record", "no-such-record", mill.id},
                         Row{"unknown scale", read.id, "no-such-scale"}}) {
    EXPECT_FALSE(store->Assign(row.recordId, row.scaleId, kAnn, error)) << row.name;
    EXPECT_FALSE(error.empty()) << row.name;
  }
  Record again = *store->Get(read.id);
  EXPECT_FALSE(store->Add(again, error));
  EXPECT_EQ(error, "a record with the id " + read.id + " is already kept");
  EXPECT_EQ(store->RecordCount(), 3u);
  // Many at once are kept all or none.
  std::vector<Record> batch{MakeRecord(SampleRead(), kAnn, mill.id), again};
  EXPECT_FALSE(store->AddAll(batch, error));
  EXPECT_FALSE(store->Get(batch[0].id));
  EXPECT_EQ(store->RecordCount(), 3u);
}

TEST_F(StoreTest, ScalesAreCheckedSearchedAndKeptInAnyLanguage) {
  std::string error;
  Scale empty;
  empty.site = "  ";
  empty.tag = "T";
  EXPECT_FALSE(store->AddScale(empty, kAnn, error));
  EXPECT_EQ(error, "A scale needs a site.");

  const Scale zurich = AddScale(" Zürich – 北京 ", "Waage №1 🚚");
  AddScale("Mill 3", "Hopper");
  AddScale("Mill 3", "Bagger");
  Scale twin;
  twin.site = "mill 3";
  twin.tag = "HOPPER";
  EXPECT_FALSE(store->AddScale(twin, kAnn, error));
  EXPECT_EQ(error, "The scale Mill 3/Hopper is already known.");

  Reopen();
  const auto found = store->FindScale("zürich – 北京/waage №1 🚚");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->site, "Zürich – 北京");
  EXPECT_EQ(found->tag, "Waage №1 🚚");
  EXPECT_EQ(store->FindScale(zurich.id)->tag, "Waage №1 🚚");

  struct Row {
    std::string site, tag;
    std::vector<std::string> names;
  };
  const Row rows[] = {
      {"", "", {"Mill 3/Bagger", "Mill 3/Hopper", "Zürich – 北京/Waage №1 🚚"}},
      {"mill", "", {"Mill 3/Bagger", "Mill 3/Hopper"}},
      {"", "hop", {"Mill 3/Hopper"}},
      {"ZÜRICH", "🚚", {"Zürich – 北京/Waage №1 🚚"}},
      {"Dock", "", {}},
  };
  for (const Row& row : rows) {
    std::vector<std::string> names;
    for (const Scale& s : store->Scales(row.site, row.tag)) names.push_back(ScaleName(s));
    EXPECT_EQ(names, row.names) << row.site << "/" << row.tag;
  }

  ScaleDetailsContent details{"Platform 3 × 3 m", "SN-4711", 6};
  ASSERT_TRUE(store->ChangeScale(zurich.id, details, kAnn, error)) << error;
  const Scale changed = *store->FindScale(zurich.id);
  EXPECT_EQ(changed.description, "Platform 3 × 3 m");
  EXPECT_EQ(changed.serial, "SN-4711");
  EXPECT_EQ(changed.intervalMonths, 6);
  details.intervalMonths = 0;
  EXPECT_FALSE(store->ChangeScale(zurich.id, details, kAnn, error));
}

TEST_F(StoreTest, TheDifferenceBetweenTwoReads) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  ReadContent asLeft = SampleRead();
  ValueAt(asLeft, Param({1, 6}).address) = "2 (30Hz)";
  ValueAt(asLeft, kTimeAddress) = "18:00:00";
  const Record a = Keep(SampleRead(), "2026-01-01T08:00:00.000Z", mill.id);
  const Record b = Keep(asLeft, "2026-01-01T09:00:00.000Z", mill.id);

  const auto before = store->Get(a.id);
  const auto after = store->Get(b.id);
  ASSERT_TRUE(before && after);
  const auto changes =
      ReadChanges(std::get<ReadContent>(before->content), std::get<ReadContent>(after->content));
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].param->displayNumber, "F1.6");
  EXPECT_EQ(changes[0].before, "1 (15Hz)");
  EXPECT_EQ(changes[0].after, "2 (30Hz)");
}

TEST_F(StoreTest, TheFingerprintProposesTheScaleAndARecalibrationCarriesItOver) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  const Scale dock = AddScale("Dock", "Truck scale");
  Keep(SampleRead(9000, 300000), "2026-01-01T07:00:00.000Z", dock.id);
  // Nothing is proposed for an indicator never seen, nor for a read on no scale.
  EXPECT_FALSE(store->ProposeScale(SampleRead(12000, 480000)));
  const Record first = Keep(SampleRead(12000, 480000), "2026-01-01T08:00:00.000Z");
  EXPECT_FALSE(store->ProposeScale(SampleRead(12000, 480000)));

  std::string error;
  ASSERT_TRUE(store->Assign(first.id, mill.id, kAnn, error));
  ReadContent second = SampleRead(12000, 480000);
  ValueAt(second, kDateAddress) = "02-02-27";
  ValueAt(second, Param({1, 7}).address) = "4";
  const auto proposed = store->ProposeScale(second);
  ASSERT_TRUE(proposed);
  EXPECT_EQ(proposed->id, mill.id);
  EXPECT_TRUE(store->Unplaced().empty());  // proposing assigns nothing

  // Recalibrated: the new counts are unknown until the technician confirms the scale.
  const ReadContent recalibrated = SampleRead(12500, 476000);
  EXPECT_FALSE(store->ProposeScale(recalibrated));
  const Record confirmed = Keep(recalibrated, "2027-01-01T08:00:00.000Z");
  ASSERT_TRUE(store->Assign(confirmed.id, mill.id, kAnn, error));
  EXPECT_EQ(store->ProposeScale(recalibrated)->id, mill.id);
  // The old fingerprint no longer names the scale: its latest read has moved on.
  EXPECT_FALSE(store->ProposeScale(SampleRead(12000, 480000)));
  EXPECT_EQ(store->ProposeScale(SampleRead(9000, 300000))->id, dock.id);
}

TEST_F(StoreTest, CountsOverVisitsAndScalesDueForVerification) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  const Scale dock = AddScale("Dock", "Truck scale");
  const Scale lab = AddScale("Lab", "Balance");
  Keep(SampleRead(10000, 500000), "2024-01-01T08:00:00.000Z", mill.id);
  Keep(SampleRead(10050, 500000), "2025-01-01T08:00:00.000Z", mill.id);
  Keep(SampleRead(10050, 520000), "2026-01-01T08:00:00.000Z", mill.id);
  const auto counts = store->Counts(mill.id);
  ASSERT_EQ(counts.size(), 3u);
  EXPECT_EQ(counts[0].at, "2024-01-01T08:00:00.000Z");
  EXPECT_FALSE(counts[1].zeroFlagged || counts[1].spanFlagged);
  EXPECT_TRUE(counts[2].spanFlagged);
  EXPECT_FALSE(store->Counts(mill.id, 0.05)[2].spanFlagged);

  const auto certificate = [](bool passed) {
    return CertificateContent{"NIST Handbook 44, class III, acceptance tolerances", passed, "{}",
                              "csv", "%PDF"};
  };
  Keep(certificate(true), "2025-05-10T08:00:00.000Z", mill.id);
  Keep(certificate(false), "2026-05-10T08:00:00.000Z", mill.id);  // a failed test proves nothing
  Keep(certificate(true), "2025-02-01T08:00:00.000Z", dock.id);
  std::string error;
  ASSERT_TRUE(store->ChangeScale(dock.id, {"", "", 24}, kAnn, error));

  const auto due = store->DueForVerification();
  ASSERT_EQ(due.size(), 3u);
  EXPECT_EQ(due[0].scale.id, lab.id);
  EXPECT_EQ(due[0].due, "");
  EXPECT_EQ(due[1].scale.id, mill.id);
  EXPECT_EQ(due[1].lastPassed, "2025-05-10T08:00:00.000Z");
  EXPECT_EQ(due[1].due, "2026-05-10T08:00:00.000Z");
  EXPECT_EQ(due[2].scale.id, dock.id);
  EXPECT_EQ(due[2].due, "2027-02-01T08:00:00.000Z");
}

TEST_F(StoreTest, PdfsAreKeptAsBytesAndExportedAsTheyWere) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  std::string pdf = "%PDF-1.4\n";
  for (int i = 0; i < 256; ++i) pdf += static_cast<char>(i);  // every byte value, zero included
  ServiceRecordContent service;
  service.record.technician = "Ann Øberg";
  service.record.note = "Zero drift — checked the cells";
  service.record.rows.push_back(
      {"F3.1", "zero calibration A/D count value", "012000", "012500", true});
  service.record.operations.push_back({"17:05:09", "Calibration", "done"});
  service.pdf = pdf;
  const Record kept = Keep(service, "2026-01-01T08:00:00.000Z", mill.id);
  const Record read = Keep(SampleRead(), "2026-01-01T07:00:00.000Z", mill.id);

  // The listing leaves the bytes out; Get brings them.
  EXPECT_EQ(std::get<ServiceRecordContent>(store->History(mill.id)[0].content).pdf, "");
  const auto whole = store->Get(kept.id);
  ASSERT_TRUE(whole);
  EXPECT_EQ(std::get<ServiceRecordContent>(whole->content).pdf, pdf);

  std::string error;
  const QString pdfPath = dir.filePath("record.pdf");
  ASSERT_TRUE(ExportRecord(*whole, ExportFormat::kPdf, pdfPath.toStdString(), error)) << error;
  EXPECT_EQ(ReadFile(pdfPath), pdf);
  const QString csvPath = dir.filePath("record.csv");
  ASSERT_TRUE(ExportRecord(*whole, ExportFormat::kCsv, csvPath.toStdString(), error)) << error;
  EXPECT_EQ(ReadFile(csvPath), ServiceRecordCsv(service.record));

  const QString stxPath = dir.filePath("read.stx");
  ASSERT_TRUE(ExportRecord(*store->Get(read.id), ExportFormat::kStx, stxPath.toStdString(), error));
  SetupModel model;
  model.currentValue = SampleRead().values;
  EXPECT_EQ(ReadFile(stxPath), SetupValueRecord(model));
  // A file that cannot be written says why and leaves nothing.
  EXPECT_FALSE(
      ExportRecord(*whole, ExportFormat::kPdf, dir.filePath("no/such/x.pdf").toStdString(), error));
  EXPECT_NE(error.find("no/such/x.pdf"), std::string::npos) << error;
}

TEST_F(StoreTest, TheHistoryFolderIsImportedOnceAndItsFilesKept) {
  const QString folder = dir.filePath("history");
  const SetupHistory history(folder.toStdString());
  SetupModel model;
  std::string error;
  const std::time_t when = 1774371909;
  model.currentValue = SampleRead(12000, 480000).values;
  ASSERT_TRUE(history.Keep(model, {"COM1", {9600, 8, 1, Parity::kNone}}, when, error)) << error;
  model.currentValue = SampleRead(12100, 480000).values;
  ASSERT_TRUE(
      history.Keep(model, {"/dev/ttyUSB0", {4800, 8, 1, Parity::kNone}}, when + 3600, error))
      << error;
  WriteFile(folder + "/20260101-000000-COM2.stx", "010000,1,cut");  // damaged: left alone
  WriteFile(folder + "/20260101-000000-COM2.meta", "time=2026-01-01 00:00:00\n");
  const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);

  const ImportResult first = store->ImportHistory(folder.toStdString(), kAnn);
  EXPECT_EQ(first.error, "");
  EXPECT_EQ(first.added, 2u);
  EXPECT_EQ(first.unreadable, 1u);
  const ImportResult second = store->ImportHistory(folder.toStdString(), kAnn);
  EXPECT_EQ(second.added, 0u);
  EXPECT_EQ(second.known, 2u);
  EXPECT_EQ(store->RecordCount(), 2u);
  EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), files);

  const std::vector<Record> imported = store->Unplaced();
  ASSERT_EQ(imported.size(), 2u);
  EXPECT_EQ(Ids(store->Unplaced(1)), std::vector{imported[0].id});
  const auto& newest = std::get<ReadContent>(imported[0].content);
  EXPECT_EQ(newest.port, "/dev/ttyUSB0");
  EXPECT_EQ(newest.line, "4800 baud, 8 data bits, parity none, 1 stop bit");
  EXPECT_EQ(ValueAt(const_cast<ReadContent&>(newest), kZeroCountAddress), "012100");
  EXPECT_EQ(ValueAt(const_cast<ReadContent&>(newest), kVersionAddress), "V2.1");
  EXPECT_EQ(imported[0].at, "2026-03-24T18:05:09.000Z");
  // Its .stx export is the file it came from.
  SetupModel back;
  back.currentValue = newest.values;
  const QStringList stx = QDir(folder).entryList({"*USB0.stx"});
  ASSERT_EQ(stx.size(), 1);
  EXPECT_EQ(SetupValueRecord(back), ReadFile(folder + "/" + stx[0]));
}

class DamagedStoreTest : public StoreTest {};

TEST_F(DamagedStoreTest, ADamagedFileIsMovedAsideAndANewStoreStarted) {
  const Scale mill = AddScale("Mill 3", "Hopper");
  for (int i = 0; i < 300; ++i) Keep(SampleRead(), "2026-01-01T08:00:00.000Z", mill.id);
  store.reset();
  const QByteArray good = QByteArray::fromStdString(ReadFile(StorePath()));
  ASSERT_GT(good.size(), 8192);

  struct Row {
    const char* name;
    QByteArray bytes;
    std::string reason;
  };
  const Row rows[] = {
      {"cut short", good.left(good.size() / 2), "is cut short"},
      {"another file", "Some notes that took the store's name.\n", "is not a records store"},
      {"head only", good.left(60), "is not a records store"},
  };
  for (const Row& row : rows) {
    QDir data(dir.filePath("data"));
    for (const QString& f : data.entryList(QDir::Files)) data.remove(f);
    WriteFile(StorePath(), row.bytes);
    RecordStore::Opened opened = RecordStore::OpenLocal(Folder());
    ASSERT_TRUE(opened.store) << row.name << ": " << opened.message;
    EXPECT_TRUE(opened.message.starts_with("Records not kept: records.sqlite " + row.reason +
                                           ". It was moved aside as records-damaged-"))
        << row.name << ": " << opened.message;
    EXPECT_TRUE(opened.message.ends_with(".sqlite and a new store was started.")) << opened.message;
    // The new store works; the old bytes are beside it, untouched.
    EXPECT_EQ(opened.store->RecordCount(), 0u);
    Scale s;
    s.site = "Mill";
    s.tag = "1";
    std::string error;
    EXPECT_TRUE(opened.store->AddScale(s, kAnn, error)) << error;
    const QStringList aside = data.entryList({"records-damaged-*.sqlite"});
    ASSERT_EQ(aside.size(), 1) << row.name;
    EXPECT_EQ(QByteArray::fromStdString(ReadFile(data.filePath(aside[0]))), row.bytes) << row.name;
  }
}

TEST_F(DamagedStoreTest, SomeoneElsesDatabaseIsMovedAsideToo) {
  store.reset();
  QFile::remove(StorePath());
  Poke(StorePath(), "CREATE TABLE invoices (n INTEGER)");
  RecordStore::Opened opened = RecordStore::OpenLocal(Folder());
  ASSERT_TRUE(opened.store);
  EXPECT_TRUE(opened.message.starts_with("Records not kept: records.sqlite is not a records store"))
      << opened.message;
  EXPECT_EQ(QDir(dir.filePath("data")).entryList({"records-damaged-*.sqlite"}).size(), 1);
}

TEST_F(DamagedStoreTest, AStoreOfANewerSchemaIsRefusedAndLeftAsItIs) {
  AddScale("Mill 3", "Hopper");
  store.reset();
  Poke(StorePath(), "UPDATE meta SET value = '7' WHERE key = 'schema'");
  const std::string before = ReadFile(StorePath());
  RecordStore::Opened opened = RecordStore::OpenLocal(Folder());
  EXPECT_FALSE(opened.store);
  EXPECT_EQ(opened.message,
            "Records not kept: records.sqlite was made by a newer Tamarack (schema 7; this one "
            "knows schema 1 and older). Use the newer program, or another store.");
  EXPECT_EQ(ReadFile(StorePath()), before);
  EXPECT_TRUE(QDir(dir.filePath("data")).entryList({"records-damaged-*"}).isEmpty());
}

TEST_F(DamagedStoreTest, AFolderThatCannotBeMadeCostsOneMessage) {
  store.reset();
  WriteFile(dir.filePath("file"), "x");
  RecordStore::Opened opened = RecordStore::OpenLocal(dir.filePath("file/data").toStdString());
  EXPECT_FALSE(opened.store);
  EXPECT_TRUE(opened.message.starts_with("Records not kept: the folder ")) << opened.message;
}

}  // namespace
}  // namespace tamarack::records
