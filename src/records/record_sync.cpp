#include "records/record_sync.h"

#include <QSqlError>
#include <functional>
#include <set>
#include <type_traits>
#include <vector>

#include "records/store_sql.h"

namespace tamarack::records {
namespace {

struct Side {
  QSqlDatabase db;
  Dialect dialect;
  QString id;
};

Side SideOf(const RecordStore& store) {
  return {StoreAccess::Db(store), StoreAccess::DialectOf(store), FromUtf8(store.StoreId())};
}

// Up to `limit` scales numbered after `mark` that did not come from `skip`.
bool ReadScales(Side& from, qint64 mark, const QString& skip, std::size_t limit,
                std::vector<ScaleRow>& rows, std::string& error) {
  QSqlQuery q(from.db);
  q.setForwardOnly(true);
  q.prepare(QString("SELECT %1 FROM scales WHERE seq > ? AND (from_store IS NULL OR "
                    "from_store <> ?) ORDER BY seq LIMIT ?")
                .arg(kScaleColumns));
  q.addBindValue(mark);
  q.addBindValue(skip);
  q.addBindValue(static_cast<qint64>(limit));
  if (!q.exec()) {
    error = ErrorText(q.lastError());
    return false;
  }
  while (q.next()) rows.push_back(ReadScaleRow(q));
  return true;
}

bool ReadBytes(Side& from, RecordRow& row, std::string& error) {
  QSqlQuery q(from.db);
  q.setForwardOnly(true);
  q.prepare("SELECT bytes FROM records WHERE id = ?");
  q.addBindValue(row.id);
  if (!q.exec() || !q.next()) {
    error = q.lastError().isValid() ? ErrorText(q.lastError()) : "a record vanished";
    return false;
  }
  row.bytes = q.value(0).toByteArray();
  return true;
}

// Up to `limit` records numbered after `mark` that did not come from `skip`; with `onlyPlaced`
// only those that belong to a scale (and the assignments and scale details that make them so).
// A batch ends early once its PDFs reach `budget` bytes.
bool ReadRecords(Side& from, qint64 mark, const QString& skip, bool onlyPlaced,
                 const SyncOptions& options, std::vector<RecordRow>& rows, std::string& error) {
  QSqlQuery q(from.db);
  q.setForwardOnly(true);
  q.prepare(QString("SELECT %1 FROM records r WHERE r.seq > ? AND (r.from_store IS NULL OR "
                    "r.from_store <> ?) %2 ORDER BY r.seq LIMIT ?")
                .arg(kRecordColumns,
                     onlyPlaced ? "AND (r.kind IN ('assignment', 'scale') OR EXISTS (SELECT 1 "
                                  "FROM placement p WHERE p.record_id = r.id))"
                                : ""));
  q.addBindValue(mark);
  q.addBindValue(skip);
  q.addBindValue(static_cast<qint64>(options.batchSize));
  if (!q.exec()) {
    error = ErrorText(q.lastError());
    return false;
  }
  while (q.next()) rows.push_back(ReadRecordRow(q));
  q.finish();
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].hasBytes) continue;
    if (bytes >= options.batchBytes && i > 0) {
      rows.resize(i);
      break;
    }
    if (!ReadBytes(from, rows[i], error)) return false;
    bytes += static_cast<std::size_t>(rows[i].bytes.size());
  }
  return true;
}

bool Holds(Side& side, const QString& id, bool& holds, std::string& error) {
  QSqlQuery q(side.db);
  q.prepare("SELECT 1 FROM records WHERE id = ?");
  q.addBindValue(id);
  if (!q.exec()) {
    error = ErrorText(q.lastError());
    return false;
  }
  holds = q.next();
  return true;
}

// An assignment may place a record that was on no scale when it reached the team, so that no
// earlier fetch brought it: it comes with the assignment.
bool AddAssigned(Side& from, Side& to, std::vector<RecordRow>& rows, std::string& error) {
  std::set<QString> wanted;
  for (const RecordRow& row : rows) {
    if (row.kind == QLatin1String("assignment") && !row.target.isEmpty()) wanted.insert(row.target);
  }
  for (const RecordRow& row : rows) wanted.erase(row.id);
  for (const QString& id : wanted) {
    bool holds = false;
    if (!Holds(to, id, holds, error)) return false;
    if (holds) continue;
    QSqlQuery q(from.db);
    q.setForwardOnly(true);
    q.prepare(QString("SELECT %1 FROM records r WHERE r.id = ?").arg(kRecordColumns));
    q.addBindValue(id);
    if (!q.exec()) {
      error = ErrorText(q.lastError());
      return false;
    }
    if (!q.next()) continue;  // not on the team either (yet)
    RecordRow row = ReadRecordRow(q);
    q.finish();
    if (row.hasBytes && !ReadBytes(from, row, error)) return false;
    rows.insert(rows.begin(), std::move(row));
  }
  return true;
}

class Run {
 public:
  Run(RecordStore& local, RecordStore& team, const SyncOptions& options)
      : local_(SideOf(local)), team_(SideOf(team)), options_(options) {
    if (options_.batchSize == 0) options_.batchSize = 1;
  }

  SyncResult Go() {
    SyncResult result;
    if (local_.id == team_.id) {
      result.message = std::string(kSyncStopped) + "the two stores are one.";
      return result;
    }
    std::string error;
    const bool ok =
        SendScales(error) && SendRecords(error) && FetchScales(error) && FetchRecords(error);
    result.counts = counts_;
    result.ok = ok;
    if (!ok) {
      result.message = std::string(kSyncStopped) + error +
                       ". Nothing was lost; the next sync goes on from there.";
      return result;
    }
    result.message = "Sync done: " + std::to_string(counts_.scalesSent) + " scales and " +
                     std::to_string(counts_.recordsSent) + " records sent, " +
                     std::to_string(counts_.scalesFetched) + " scales and " +
                     std::to_string(counts_.recordsFetched) + " records fetched.";
    return result;
  }

 private:
  // What the local store has come to with this team, kept in the local store.
  std::optional<qint64> Mark(const char* what, std::string& error) {
    return ReadMark(local_.db, team_.id, QString::fromLatin1(what), error);
  }

  // Runs one batch after another until one moves nothing.
  bool Batched(const std::function<bool(std::size_t&)>& step) {
    for (;;) {
      std::size_t moved = 0;
      if (!step(moved)) return false;
      if (moved == 0) return true;
      if (options_.afterBatch) options_.afterBatch(counts_);
    }
  }

  // The team's batch is committed before the local mark moves: a stop in between sends the
  // batch again, and the team passes over what it holds.
  bool SetLocalMark(const char* what, qint64 seq, std::string& error) {
    if (!BeginWrite(local_.db, local_.dialect, error)) return false;
    RowWriter writer(local_.db, {});
    if (!writer.SetMark(team_.id, QString::fromLatin1(what), seq, error)) {
      Rollback(local_.db);
      return false;
    }
    return Commit(local_.db, error);
  }

  // Writes a batch fetched from `from` into `to` in one transaction, and with it, when fetching,
  // the local mark of how far the fetch has come; how many rows `to` lacked in `added`.
  template <typename Row>
  bool WriteBatch(Side& to, const Side& from, const std::vector<Row>& rows, const char* fetchMark,
                  std::size_t& added, std::string& error) {
    if (!BeginWrite(to.db, to.dialect, error)) return false;
    added = 0;
    {
      RowWriter writer(to.db, from.id);
      for (const Row& row : rows) {
        bool fresh = false;
        if (!writer.Put(row, fresh, error)) {
          Rollback(to.db);
          return false;
        }
        added += fresh ? 1 : 0;
      }
      if (fetchMark != nullptr &&
          !writer.SetMark(team_.id, QString::fromLatin1(fetchMark), rows.back().seq, error)) {
        Rollback(to.db);
        return false;
      }
    }
    return Commit(to.db, error);
  }

  // One batch after another from `from` into `to`, each read by `read` from the mark `mark`.
  template <typename Row>
  bool Move(
      Side& from, Side& to, const char* mark, std::size_t& count,
      const std::function<bool(qint64 after, std::vector<Row>& rows, std::string& error)>& read,
      std::string& error) {
    const bool fetching = &to == &local_;
    return Batched([&](std::size_t& moved) {
      const auto after = Mark(mark, error);
      std::vector<Row> rows;
      if (!after || !read(*after, rows, error)) return false;
      if (rows.empty()) return true;
      if constexpr (std::is_same_v<Row, RecordRow>) {
        // The mark is the last row read; the records an assignment places come before it.
        if (fetching && !AddAssigned(from, to, rows, error)) return false;
      }
      std::size_t added = 0;
      if (!WriteBatch(to, from, rows, fetching ? mark : nullptr, added, error)) return false;
      count += added;
      moved = rows.size();
      return fetching || SetLocalMark(mark, rows.back().seq, error);
    });
  }

  bool SendScales(std::string& error) {
    return Move<ScaleRow>(
        local_, team_, "scales-sent", counts_.scalesSent,
        [&](qint64 after, std::vector<ScaleRow>& rows, std::string& e) {
          return ReadScales(local_, after, team_.id, options_.batchSize, rows, e);
        },
        error);
  }

  bool SendRecords(std::string& error) {
    return Move<RecordRow>(
        local_, team_, "records-sent", counts_.recordsSent,
        [&](qint64 after, std::vector<RecordRow>& rows, std::string& e) {
          return ReadRecords(local_, after, team_.id, false, options_, rows, e);
        },
        error);
  }

  // Fetched rows and the mark that says how far the fetch has come go in one local transaction.
  bool FetchScales(std::string& error) {
    return Move<ScaleRow>(
        team_, local_, "scales-fetched", counts_.scalesFetched,
        [&](qint64 after, std::vector<ScaleRow>& rows, std::string& e) {
          return ReadScales(team_, after, local_.id, options_.batchSize, rows, e);
        },
        error);
  }

  bool FetchRecords(std::string& error) {
    return Move<RecordRow>(
        team_, local_, "records-fetched", counts_.recordsFetched,
        [&](qint64 after, std::vector<RecordRow>& rows, std::string& e) {
          return ReadRecords(team_, after, local_.id, true, options_, rows, e);
        },
        error);
  }

  Side local_;
  Side team_;
  SyncOptions options_;
  SyncCounts counts_;
};

}  // namespace

SyncResult Sync(RecordStore& local, RecordStore& team, const SyncOptions& options) {
  return Run(local, team, options).Go();
}

SyncResult Sync(RecordStore& local, const std::string& url, const SyncOptions& options) {
  RecordStore::Opened team = RecordStore::OpenTeam(url);
  if (!team.store) return {false, team.message, {}};
  return Sync(local, *team.store, options);
}

}  // namespace tamarack::records
