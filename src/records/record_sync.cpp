#include "records/record_sync.h"

#include <QSqlError>
#include <set>
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

  bool SendScales(std::string& error) {
    return Batched([&](std::size_t& moved) {
      const auto mark = Mark("scales-sent", error);
      std::vector<ScaleRow> rows;
      if (!mark || !ReadScales(local_, *mark, team_.id, options_.batchSize, rows, error)) {
        return false;
      }
      if (rows.empty()) return true;
      if (!BeginWrite(team_.db, team_.dialect, error)) return false;
      std::size_t added = 0;
      {
        RowWriter writer(team_.db, local_.id);
        for (const ScaleRow& row : rows) {
          bool fresh = false;
          if (!writer.Put(row, fresh, error)) {
            Rollback(team_.db);
            return false;
          }
          added += fresh ? 1 : 0;
        }
      }
      if (!Commit(team_.db, error)) return false;
      counts_.scalesSent += added;
      moved = rows.size();
      return SetLocalMark("scales-sent", rows.back().seq, error);
    });
  }

  bool SendRecords(std::string& error) {
    return Batched([&](std::size_t& moved) {
      const auto mark = Mark("records-sent", error);
      std::vector<RecordRow> rows;
      if (!mark || !ReadRecords(local_, *mark, team_.id, false, options_, rows, error)) {
        return false;
      }
      if (rows.empty()) return true;
      if (!BeginWrite(team_.db, team_.dialect, error)) return false;
      std::size_t added = 0;
      {
        RowWriter writer(team_.db, local_.id);
        for (const RecordRow& row : rows) {
          bool fresh = false;
          if (!writer.Put(row, fresh, error)) {
            Rollback(team_.db);
            return false;
          }
          added += fresh ? 1 : 0;
        }
      }
      if (!Commit(team_.db, error)) return false;
      counts_.recordsSent += added;
      moved = rows.size();
      return SetLocalMark("records-sent", rows.back().seq, error);
    });
  }

  // Fetched rows and the mark that says how far the fetch has come go in one local transaction.
  bool FetchScales(std::string& error) {
    return Batched([&](std::size_t& moved) {
      const auto mark = Mark("scales-fetched", error);
      std::vector<ScaleRow> rows;
      if (!mark || !ReadScales(team_, *mark, local_.id, options_.batchSize, rows, error)) {
        return false;
      }
      if (rows.empty()) return true;
      if (!BeginWrite(local_.db, local_.dialect, error)) return false;
      std::size_t added = 0;
      {
        RowWriter writer(local_.db, team_.id);
        for (const ScaleRow& row : rows) {
          bool fresh = false;
          if (!writer.Put(row, fresh, error)) {
            Rollback(local_.db);
            return false;
          }
          added += fresh ? 1 : 0;
        }
        if (!writer.SetMark(team_.id, "scales-fetched", rows.back().seq, error)) {
          Rollback(local_.db);
          return false;
        }
      }
      if (!Commit(local_.db, error)) return false;
      counts_.scalesFetched += added;
      moved = rows.size();
      return true;
    });
  }

  bool FetchRecords(std::string& error) {
    return Batched([&](std::size_t& moved) {
      const auto mark = Mark("records-fetched", error);
      std::vector<RecordRow> rows;
      if (!mark || !ReadRecords(team_, *mark, local_.id, true, options_, rows, error)) {
        return false;
      }
      if (rows.empty()) return true;
      const qint64 last = rows.back().seq;
      if (!AddAssigned(team_, local_, rows, error)) return false;
      if (!BeginWrite(local_.db, local_.dialect, error)) return false;
      std::size_t added = 0;
      {
        RowWriter writer(local_.db, team_.id);
        for (const RecordRow& row : rows) {
          bool fresh = false;
          if (!writer.Put(row, fresh, error)) {
            Rollback(local_.db);
            return false;
          }
          added += fresh ? 1 : 0;
        }
        if (!writer.SetMark(team_.id, "records-fetched", last, error)) {
          Rollback(local_.db);
          return false;
        }
      }
      if (!Commit(local_.db, error)) return false;
      counts_.recordsFetched += added;
      moved = rows.size();
      return true;
    });
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
