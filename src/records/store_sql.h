#pragma once

// The store's rows as the two stores exchange them, and the few SQL steps that the store and the
// sync share. Internal to src/records/.

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <optional>
#include <string>
#include <vector>

#include "records/record.h"
#include "records/record_store.h"
#include "ui/text.h"

namespace tamarack::records {

enum class Dialect { kSqlite, kPostgres };

// A record as its columns hold it: copied between stores without decoding its content, so that
// a sync never changes a byte of it.
struct RecordRow {
  qint64 seq = 0;
  QString id;
  QString madeAt;
  QString technician;
  QString pc;
  QString scaleId;  // empty: none
  QString kind;
  QString data;  // the content as JSON
  QByteArray bytes;
  bool hasBytes = false;
  QString fingerprint;  // complete reads only
  QString target;       // assignments: the record they place
  QVariant passed;      // certificates: 1 or 0; else null
};

struct ScaleRow {
  qint64 seq = 0;
  QString id;
  QString site;
  QString tag;
  QString description;
  QString serial;
  int intervalMonths = kDefaultIntervalMonths;
  QString createdAt;
  QString technician;
  QString pc;
};

// The content's columns from a record, and the record back from its columns.
RecordRow RowOf(const Record& record);
std::optional<Record> RecordOf(const RecordRow& row);
ScaleRow RowOf(const Scale& scale);
Scale ScaleOf(const ScaleRow& row);

// The columns every listing selects, in RecordRow's order (without the bytes).
inline constexpr const char* kRecordColumns =
    "r.seq, r.id, r.made_at, r.technician, r.pc, r.scale_id, r.kind, r.data, r.fingerprint, "
    "r.target, r.passed, (r.bytes IS NOT NULL)";
RecordRow ReadRecordRow(const QSqlQuery& query, int first = 0);
inline constexpr const char* kScaleColumns =
    "seq, id, site, tag, description, serial, interval_months, created_at, technician, pc";
ScaleRow ReadScaleRow(const QSqlQuery& query);

// The text of the last error of a query or connection, on one line.
std::string ErrorText(const QSqlError& error);

// A write transaction. SQLite takes its write lock at once; PostgreSQL locks the two tables that
// sequence numbers are read from, so that rows become visible in the order of their numbers and a
// reader that goes by numbers misses none.
bool BeginWrite(QSqlDatabase& db, Dialect dialect, std::string& error);
bool Commit(QSqlDatabase& db, std::string& error);
void Rollback(QSqlDatabase& db);

// Prepared inserts for one transaction. A row whose id the store holds is passed over.
class RowWriter {
 public:
  RowWriter(QSqlDatabase& db, QString fromStore);
  // `added` tells whether the store lacked it.
  bool Put(const RecordRow& row, bool& added, std::string& error);
  bool Put(const ScaleRow& row, bool& added, std::string& error);
  bool SetMark(const QString& storeId, const QString& what, qint64 seq, std::string& error);

 private:
  bool Prepare(std::string& error);

  QSqlDatabase db_;
  QString fromStore_;
  bool prepared_ = false;
  QSqlQuery record_;
  QSqlQuery place_;
  QSqlQuery scale_;
  QSqlQuery mark_;
};

// How far a sync with `storeId` has come.
std::optional<qint64> ReadMark(QSqlDatabase& db, const QString& storeId, const QString& what,
                               std::string& error);

struct StoreAccess {
  static QSqlDatabase Db(const RecordStore& store);
  static Dialect DialectOf(const RecordStore& store);
};

}  // namespace tamarack::records
