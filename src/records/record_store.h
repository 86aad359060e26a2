#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/record.h"

namespace tamarack::records {

// The store's schema as this program knows it; a store of a later one is refused.
inline constexpr int kSchemaVersion = 1;
inline constexpr std::string_view kStoreFileName = "records.sqlite";
inline constexpr std::string_view kTeamNotReached = "Team records not reached: ";

struct ImportResult {
  std::size_t added = 0;
  std::size_t known = 0;       // already in the store (an earlier import)
  std::size_t unreadable = 0;  // damaged or cut-short files, left where they are
  std::string error;           // a failure that stopped the import; what was added stays
  bool earlier = false;        // ImportHistoryOnce: the store had taken the folder in before
};

// One records store through Qt SQL: the embedded one in a SQLite file, or a team's PostgreSQL.
// Both hold the same schema, brought up to date by numbered migrations when opened. Every write
// is one transaction: a record is kept whole or not at all. One store is used from one thread.
//
// Texts are UTF-8, kept exactly; the indicator's values are its single-byte text, kept exactly.
class RecordStore {
 public:
  struct Opened {
    std::unique_ptr<RecordStore> store;  // null: no store
    // With no store, why not (one message for the user). With a store, what happened to a
    // damaged file it replaced ("Records not kept: ... moved aside ..."); else empty.
    std::string message;
  };

  // The folder the program keeps its records in: the user's data folder, the windows' one for the
  // command line too. Not made here.
  static std::string DefaultFolder();
  // `folder`/records.sqlite, made (with the folder) on first use. A file under that name that is
  // not a records store, or is cut short, is moved aside (never overwritten, never deleted) and a
  // new store is started, with a "Records not kept: <reason>" message. A store of a newer schema
  // is refused and left as it is.
  static Opened OpenLocal(const std::string& folder);
  // A team's store, "postgresql://user@host:port/db"; the password comes from PGPASSFILE or
  // ~/.pgpass through the client library. An address that does not read, an unreachable server,
  // a refused password or a newer schema give no store and one kTeamNotReached message.
  static Opened OpenTeam(const std::string& url);

  ~RecordStore();
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  // The file, or the team address (without a password).
  const std::string& Where() const { return where_; }
  bool IsTeam() const { return team_; }
  // A random id made with the store, by which other stores know it in a sync.
  const std::string& StoreId() const { return storeId_; }

  // --- Writing. Each returns false with `error` saying why, and then nothing was written. ---

  // Checks (CheckScale) and adds a new scale, filling its id, time and author. A second scale of
  // the same site and tag (letter case aside) is refused.
  bool AddScale(Scale& scale, const Author& author, std::string& error);
  // Keeps a record; an empty id or time is filled. Its scale, if any, must be known. An id
  // already kept is refused (records are never replaced).
  bool Add(Record& record, std::string& error);
  // Keeps many records in one transaction, all or none (a fleet run's rows, a bulk import).
  bool AddAll(std::vector<Record>& records, std::string& error);
  // Puts a kept record on a scale by a new assignment record (the latest assignment counts).
  bool Assign(const std::string& recordId, const std::string& scaleId, const Author& author,
              std::string& error);
  // New details of a scale, as a record; the latest counts.
  bool ChangeScale(const std::string& scaleId, const ScaleDetailsContent& details,
                   const Author& author, std::string& error);

  // --- Reading. A failing query gives nothing and leaves its reason in LastError(). ---

  // The scales whose site and tag contain the given texts (letter case aside; empty matches
  // all), by site and tag, with their latest details.
  std::vector<Scale> Scales(std::string_view site = {}, std::string_view tag = {}) const;
  // By id, or by "SITE/TAG" (letter case aside).
  std::optional<Scale> FindScale(std::string_view idOrName) const;
  // A scale's records, newest first, without their PDFs.
  std::vector<Record> History(const std::string& scaleId) const;
  // The records that belong to no scale yet, newest first, without their PDFs (assignments and
  // scale details always belong to one); the newest `limit` of them when it is not 0.
  std::vector<Record> Unplaced(std::size_t limit = 0) const;
  // One record, whole.
  std::optional<Record> Get(const std::string& id) const;
  // The ids that begin with `prefix` (letters of an id only), at most `limit` of them, so that
  // people may name a record by the first letters of its id.
  std::vector<std::string> IdsStartingWith(std::string_view prefix, std::size_t limit) const;
  std::size_t RecordCount() const;

  // The scale whose latest complete read has this read's fingerprint, for the technician to
  // confirm; nothing when no scale's does. Never assigns anything.
  std::optional<Scale> ProposeScale(const ReadContent& read) const;
  // The zero and span counts of a scale's complete reads, oldest first, with the changes beyond
  // `threshold` flagged.
  std::vector<CountsPoint> Counts(const std::string& scaleId,
                                  double threshold = kDefaultCountsThreshold) const;
  // Every scale with its next verification (the last passed certificate plus its interval),
  // those never verified first, then the soonest due.
  std::vector<DueScale> DueForVerification() const;

  // Takes in the setup history folder's complete reads (".stx" with its ".meta"), leaving the
  // files as they are. Each file has one id, so a second import adds nothing.
  ImportResult ImportHistory(const std::string& folder, const Author& author);
  // The same, once in the life of the store: the store notes in the same transaction that it took
  // the folder in (even an empty one), so that the reads kept since, which are records of their
  // own already, are not taken in a second time as the files they also leave.
  ImportResult ImportHistoryOnce(const std::string& folder, const Author& author);

  const std::string& LastError() const { return lastError_; }

 private:
  friend struct StoreAccess;
  RecordStore() = default;
  ImportResult Import(const std::string& folder, const Author& author, bool once);

  std::string connection_;
  std::string where_;
  std::string storeId_;
  bool team_ = false;
  mutable std::string lastError_;
};

// The PC's name, for Author::pc.
std::string ThisPc();

}  // namespace tamarack::records
