// What the records store costs: a store of 100,000 records on SQLite (listing one scale's
// history, the other listings, opening it, as the program does when it starts), and a sync of
// 10,000 records to a PostgreSQL on the loopback (and fetching them into another laptop's store),
// started here as the tests start theirs.
//
//   records_bench [records] [synced]      (defaults 100000 and 10000)

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "records/record_store.h"
#include "records/record_sync.h"
#include "records_fill.h"
#include "support/postgres_server.h"
#include "timing.h"

namespace {

using namespace tamarack;
using namespace tamarack::records;
using tamarack::bench::Clock;
using tamarack::bench::Fill;
using tamarack::bench::Median;
using tamarack::bench::Ms;
using tamarack::bench::Read;

template <typename F>
double Time(F&& f) {
  const auto start = Clock::now();
  f();
  return Ms(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::size_t total = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  const std::size_t synced = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10000;
  QTemporaryDir dir;
  const std::string folder = dir.filePath("store").toStdString();

  std::vector<std::string> scales;
  {
    RecordStore::Opened opened;
    const double firstOpen = Time([&] { opened = RecordStore::OpenLocal(folder); });
    if (!opened.store) {
      std::fprintf(stderr, "%s\n", opened.message.c_str());
      return 1;
    }
    std::printf("opening a new store (the driver loaded, the schema made): %.1f ms\n", firstOpen);
    const double filling = Time([&] {
      if (!Fill(*opened.store, total, 200, scales)) std::exit(1);
    });
    std::printf("%zu records over %zu scales written in %.0f ms (batches of 5,000)\n", total,
                scales.size(), filling);
  }

  std::vector<double> opens;
  for (int i = 0; i < 9; ++i) {
    opens.push_back(Time([&] {
      RecordStore::Opened opened = RecordStore::OpenLocal(folder);
      if (!opened.store) std::exit(1);
    }));
  }
  std::printf("opening the store of %zu records: median %.1f ms, first %.1f ms\n", total,
              Median(opens), opens.front());

  RecordStore::Opened opened = RecordStore::OpenLocal(folder);
  RecordStore& store = *opened.store;
  std::vector<double> lists;
  std::size_t listed = 0;
  for (int i = 0; i < 21; ++i) {
    lists.push_back(Time([&] {
      listed = store.History(scales[static_cast<std::size_t>(i) * 7 % scales.size()]).size();
    }));
  }
  std::printf(
      "one scale's history (%zu records) newest first: median %.1f ms, worst %.1f ms "
      "(target <= 50 ms)\n",
      listed, Median(lists), *std::max_element(lists.begin(), lists.end()));
  std::size_t unplaced = 0;
  const double unplacedMs = Time([&] { unplaced = store.Unplaced().size(); });
  std::printf("the records on no scale (%zu): %.1f ms\n", unplaced, unplacedMs);
  std::printf("the newest 200 of them: %.1f ms\n", Time([&] { (void)store.Unplaced(200); }));
  std::printf("the scale proposed for a read: %.1f ms\n",
              Time([&] { (void)store.ProposeScale(Read(4)); }));
  std::printf("the counts over one scale's visits: %.1f ms\n",
              Time([&] { (void)store.Counts(scales[3]); }));
  std::printf("the scales due for verification: %.1f ms\n",
              Time([&] { (void)store.DueForVerification(); }));
  std::printf("searching the scales by site and tag: %.1f ms\n",
              Time([&] { (void)store.Scales("site 1", "scale"); }));

  tamarack::test::PostgresServer server;
  if (const std::string started = server.Start(); !started.empty()) {
    std::fprintf(stderr, "PostgreSQL: %s\n", started.c_str());
    return 1;
  }
  server.Execute("postgres", "CREATE DATABASE bench");
  server.UsePassword(tamarack::test::PostgresServer::kPassword);
  const std::string url = server.Url("bench");
  RecordStore::Opened laptop = RecordStore::OpenLocal(dir.filePath("laptop").toStdString());
  std::vector<std::string> laptopScales;
  if (!laptop.store || !Fill(*laptop.store, synced, 20, laptopScales)) return 1;
  SyncResult sent;
  const double sending = Time([&] { sent = Sync(*laptop.store, url); });
  std::printf("syncing %zu records to PostgreSQL on the loopback: %.0f ms (target <= 10 s); %s\n",
              synced, sending, sent.message.c_str());
  RecordStore::Opened other = RecordStore::OpenLocal(dir.filePath("other").toStdString());
  SyncResult fetched;
  const double fetching = Time([&] { fetched = Sync(*other.store, url); });
  std::printf("fetching them into another laptop's store: %.0f ms; %s\n", fetching,
              fetched.message.c_str());
  SyncResult idle;
  const double nothing = Time([&] { idle = Sync(*laptop.store, url); });
  std::printf("a sync with nothing new: %.0f ms\n", nothing);
  return sent.ok && fetched.ok && idle.ok ? 0 : 1;
}
