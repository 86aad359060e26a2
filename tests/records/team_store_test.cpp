#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTemporaryDir>
#include <set>

#include "records/record_store.h"
#include "records/record_sync.h"
#include "sample_read.h"
#include "support/postgres_server.h"

namespace tamarack::records {
namespace {

using test::SampleRead;

const Author kAnn{"Ann Øberg", "laptop-ann"};
const Author kBo{"Bo Ström", "laptop-bo"};

class TeamStoreTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server = new tamarack::test::PostgresServer;
    const std::string started = server->Start();
    if (!started.empty()) {
      delete server;
      server = nullptr;
      FAIL() << started;
    }
  }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(server, nullptr);
    if (!server->Running()) {
      ASSERT_EQ(server->Start(), "");
    }
    ASSERT_TRUE(dir.isValid());
    database = "team_" + std::to_string(++databases);
    ASSERT_EQ(server->Execute("postgres", "CREATE DATABASE " + database), "");
    ASSERT_EQ(server->UsePassword(tamarack::test::PostgresServer::kPassword), "");
    url = server->Url(database);
  }

  std::unique_ptr<RecordStore> Local(const std::string& name) {
    RecordStore::Opened opened =
        RecordStore::OpenLocal(dir.filePath(QString::fromStdString(name)).toStdString());
    EXPECT_TRUE(opened.store) << opened.message;
    return std::move(opened.store);
  }

  std::unique_ptr<RecordStore> Team() {
    RecordStore::Opened opened = RecordStore::OpenTeam(url);
    EXPECT_TRUE(opened.store) << opened.message;
    return std::move(opened.store);
  }

  static Scale AddScale(RecordStore& store, const std::string& site, const std::string& tag,
                        const Author& author) {
    Scale s;
    s.site = site;
    s.tag = tag;
    std::string error;
    EXPECT_TRUE(store.AddScale(s, author, error)) << error;
    return s;
  }

  static Record Keep(RecordStore& store, RecordContent content, const Author& author,
                     const std::string& scaleId = {}) {
    Record r = MakeRecord(std::move(content), author, scaleId);
    std::string error;
    EXPECT_TRUE(store.Add(r, error)) << error;
    return r;
  }

  static std::set<std::string> Ids(const std::vector<Record>& records) {
    std::set<std::string> ids;
    for (const Record& r : records) ids.insert(r.id);
    return ids;
  }

  static tamarack::test::PostgresServer* server;
  static int databases;
  QTemporaryDir dir;
  std::string database;
  std::string url;
};

tamarack::test::PostgresServer* TeamStoreTest::server = nullptr;
int TeamStoreTest::databases = 0;

TEST_F(TeamStoreTest, TwoLaptopsEndWithEachOthersRecords) {
  auto ann = Local("ann");
  auto bo = Local("bo");
  const Scale mill = AddScale(*ann, "Mühle 3 – 北京", "Trichter 🚚", kAnn);
  const Scale dock = AddScale(*bo, "Dock", "Truck scale", kBo);
  const Record annRead = Keep(*ann, SampleRead(12000, 480000), kAnn, mill.id);
  ServiceRecordContent service;
  service.record.technician = "Ann Øberg";
  service.record.note = "Zellen geprüft";
  service.pdf = std::string("%PDF-1.4\n\0\xff\x80 binary", 20);
  const Record annService = Keep(*ann, service, kAnn, mill.id);
  const Record annLoose = Keep(*ann, FleetRowContent{"COM3", "read", 1, "no answer"}, kAnn);
  const Record boRead = Keep(*bo, SampleRead(9000, 300000), kBo, dock.id);

  for (RecordStore* store : {ann.get(), bo.get(), ann.get()}) {
    const SyncResult result = Sync(*store, url);
    ASSERT_TRUE(result.ok) << result.message;
  }
  // Each laptop has the other's scales and their records, exactly as they were made.
  EXPECT_EQ(Ids(ann->History(dock.id)), std::set{boRead.id});
  EXPECT_EQ(Ids(bo->History(mill.id)), (std::set{annRead.id, annService.id}));
  const auto millOnBo = bo->FindScale(mill.id);
  ASSERT_TRUE(millOnBo);
  EXPECT_EQ(ScaleName(*millOnBo), "Mühle 3 – 北京/Trichter 🚚");
  const auto serviceOnBo = bo->Get(annService.id);
  ASSERT_TRUE(serviceOnBo);
  EXPECT_EQ(std::get<ServiceRecordContent>(serviceOnBo->content).pdf, service.pdf);
  EXPECT_EQ(std::get<ServiceRecordContent>(serviceOnBo->content).record.note, "Zellen geprüft");
  EXPECT_EQ(serviceOnBo->technician, "Ann Øberg");
  EXPECT_EQ(std::get<ReadContent>(bo->Get(annRead.id)->content).values,
            SampleRead(12000, 480000).values);
  // The team has everything; a record of no scale stays with its laptop and the team.
  auto team = Team();
  EXPECT_EQ(team->RecordCount(), 4u);
  EXPECT_TRUE(team->Get(annLoose.id));
  EXPECT_FALSE(bo->Get(annLoose.id));
  // Bo's laptop now knows Ann's indicator.
  EXPECT_EQ(bo->ProposeScale(SampleRead(12000, 480000))->id, mill.id);

  // Once Ann puts it on a scale, it follows the assignment to Bo.
  std::string error;
  ASSERT_TRUE(ann->Assign(annLoose.id, mill.id, kAnn, error)) << error;
  ASSERT_TRUE(Sync(*ann, url).ok);
  const SyncResult boAgain = Sync(*bo, url);
  ASSERT_TRUE(boAgain.ok) << boAgain.message;
  EXPECT_EQ(boAgain.counts.recordsFetched, 2u);  // the assignment and the record it places
  EXPECT_EQ(Ids(bo->History(mill.id)), (std::set{annRead.id, annService.id, annLoose.id}));

  // A sync with nothing new moves nothing, either way.
  for (RecordStore* store : {ann.get(), bo.get()}) {
    const SyncResult result = Sync(*store, url);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.counts.recordsSent + result.counts.recordsFetched + result.counts.scalesSent +
                  result.counts.scalesFetched,
              0u)
        << result.message;
  }
  EXPECT_EQ(team->RecordCount(), 5u);
  EXPECT_EQ(ann->RecordCount(), 5u);
  EXPECT_EQ(bo->RecordCount(), 5u);
  EXPECT_EQ(team->Scales().size(), 2u);
}

TEST_F(TeamStoreTest, AServerStoppedInTheMiddleLosesNothingAndTheNextSyncCompletes) {
  auto ann = Local("ann");
  auto bo = Local("bo");
  const Scale mill = AddScale(*ann, "Mill 3", "Hopper", kAnn);
  std::set<std::string> made;
  for (int i = 0; i < 230; ++i) made.insert(Keep(*ann, SampleRead(12000 + i), kAnn, mill.id).id);

  SyncOptions options;
  options.batchSize = 50;
  int batches = 0;
  options.afterBatch = [&](const SyncCounts&) {
    if (++batches == 3) server->Stop(true);
  };
  const SyncResult cut = Sync(*ann, url, options);
  EXPECT_FALSE(cut.ok);
  EXPECT_TRUE(cut.message.starts_with(std::string(kSyncStopped))) << cut.message;
  EXPECT_TRUE(cut.message.ends_with("Nothing was lost; the next sync goes on from there."))
      << cut.message;
  EXPECT_EQ(cut.counts.recordsSent, 100u);  // the scale's batch, then two of records
  EXPECT_EQ(ann->RecordCount(), 230u);

  ASSERT_EQ(server->Start(), "");
  options.afterBatch = {};
  const SyncResult resumed = Sync(*ann, url, options);
  ASSERT_TRUE(resumed.ok) << resumed.message;
  EXPECT_EQ(resumed.counts.recordsSent, 130u);
  EXPECT_EQ(Team()->RecordCount(), 230u);

  // The same while fetching: Bo's laptop is cut off after its first batch of records.
  batches = 0;
  options.afterBatch = [&](const SyncCounts& counts) {
    if (counts.recordsFetched > 0 && ++batches == 1) server->Stop(true);
  };
  const SyncResult fetchCut = Sync(*bo, url, options);
  EXPECT_FALSE(fetchCut.ok);
  EXPECT_EQ(fetchCut.counts.recordsFetched, 50u);
  EXPECT_EQ(bo->RecordCount(), 50u);
  ASSERT_EQ(server->Start(), "");
  options.afterBatch = {};
  const SyncResult fetched = Sync(*bo, url, options);
  ASSERT_TRUE(fetched.ok) << fetched.message;
  EXPECT_EQ(fetched.counts.recordsFetched, 180u);
  EXPECT_EQ(Ids(bo->History(mill.id)), made);
  EXPECT_EQ(bo->RecordCount(), 230u);
  EXPECT_EQ(Team()->RecordCount(), 230u);
}

TEST_F(TeamStoreTest, AStoreOfANewerSchemaIsRefused) {
  ASSERT_TRUE(Team());
  ASSERT_EQ(server->Execute(database, "UPDATE meta SET value = '2' WHERE key = 'schema'"), "");
  const RecordStore::Opened opened = RecordStore::OpenTeam(url);
  EXPECT_FALSE(opened.store);
  EXPECT_EQ(opened.message, std::string(kTeamNotReached) + url.substr(0, url.rfind('/')) + "/" +
                                database +
                                ": the store was made by a newer Tamarack (schema 2; this one "
                                "knows schema 1 and older). Use the newer program, or another "
                                "store.");
  auto ann = Local("ann");
  Keep(*ann, SampleRead(), kAnn);
  const SyncResult result = Sync(*ann, url);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, opened.message);
  EXPECT_EQ(ann->RecordCount(), 1u);
}

TEST_F(TeamStoreTest, WhatCannotBeReachedCostsOneMessageAndTouchesNothing) {
  auto ann = Local("ann");
  const Scale mill = AddScale(*ann, "Mill 3", "Hopper", kAnn);
  Keep(*ann, SampleRead(), kAnn, mill.id);
  int nothingListens = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    nothingListens = probe.serverPort();
  }
  struct Row {
    const char* name;
    std::string password;
    std::string url;
    std::string says;
  };
  const std::string unreachable =
      "postgresql://tamarack@127.0.0.1:" + std::to_string(nothingListens) + "/" + database;
  const Row rows[] = {
      {"wrong password", "not-the-password", url, "password authentication failed"},
      {"unreachable", tamarack::test::PostgresServer::kPassword, unreachable, "Connection refused"},
      {"no such database", tamarack::test::PostgresServer::kPassword, server->Url("no_such_db"),
       "does not exist"},
      {"does not read", tamarack::test::PostgresServer::kPassword, "postgresql://127.0.0.1",
       "names no database"},
      {"password in it", tamarack::test::PostgresServer::kPassword,
       "postgresql://tamarack:x@127.0.0.1/db", "keep it in ~/.pgpass"},
  };
  for (const Row& row : rows) {
    ASSERT_EQ(server->UsePassword(row.password), "");
    const SyncResult result = Sync(*ann, row.url);
    EXPECT_FALSE(result.ok) << row.name;
    EXPECT_TRUE(result.message.starts_with(std::string(kTeamNotReached))) << result.message;
    EXPECT_NE(result.message.find(row.says), std::string::npos)
        << row.name << ": " << result.message;
    EXPECT_EQ(result.message.find('\n'), std::string::npos) << result.message;
    EXPECT_EQ(ann->RecordCount(), 1u) << row.name;
    EXPECT_EQ(ann->Scales().size(), 1u) << row.name;
  }
  // With the right password the same store syncs all of it.
  ASSERT_EQ(server->UsePassword(tamarack::test::PostgresServer::kPassword), "");
  const SyncResult result = Sync(*ann, url);
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(result.counts.recordsSent, 1u);
  EXPECT_EQ(result.counts.scalesSent, 1u);
}

}  // namespace
}  // namespace tamarack::records
