#include "records/record_store.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QStandardPaths>
#include <QStringList>
#include <QSysInfo>
#include <QUuid>
#include <algorithm>
#include <map>
#include <set>

#include "records/setup_history.h"
#include "records/store_sql.h"
#include "records/team_address.h"
#include "setup/setup_value_file.h"
#include "ui/product.h"

namespace tamarack::records {
namespace {

// Numbered steps from one schema to the next; a store records the last one it has taken. Never
// change a step once released: add the next one. {serial} and {blob} are the two words the two
// databases spell differently.
struct Migration {
  int version;
  std::vector<const char*> statements;
};

const std::vector<Migration>& Migrations() {
  static const std::vector<Migration> kMigrations = {
      {1,
       {"CREATE TABLE scales (seq {serial}, id TEXT NOT NULL UNIQUE, site TEXT NOT NULL, "
        "tag TEXT NOT NULL, description TEXT NOT NULL, serial TEXT NOT NULL, "
        "interval_months INTEGER NOT NULL, created_at TEXT NOT NULL, technician TEXT NOT NULL, "
        "pc TEXT NOT NULL, from_store TEXT)",
        "CREATE TABLE records (seq {serial}, id TEXT NOT NULL UNIQUE, made_at TEXT NOT NULL, "
        "technician TEXT NOT NULL, pc TEXT NOT NULL, scale_id TEXT, kind TEXT NOT NULL, "
        "data TEXT NOT NULL, bytes {blob}, fingerprint TEXT, target TEXT, passed INTEGER, "
        "from_store TEXT)",
        // Which scale each record belongs to now: derived from the records themselves, the same
        // in every store that holds the same records.
        "CREATE TABLE placement (record_id TEXT PRIMARY KEY, scale_id TEXT NOT NULL, "
        "priority INTEGER NOT NULL, source_at TEXT NOT NULL, source_id TEXT NOT NULL)",
        "CREATE INDEX placement_scale ON placement (scale_id)",
        "CREATE INDEX records_fingerprint ON records (fingerprint)",
        "CREATE INDEX records_kind ON records (kind, passed)",
        "CREATE INDEX records_made_at ON records (made_at, id)",
        "CREATE TABLE sync_marks (store_id TEXT NOT NULL, what TEXT NOT NULL, "
        "seq BIGINT NOT NULL, PRIMARY KEY (store_id, what))"}},
  };
  return kMigrations;
}

QString Spelled(const char* statement, Dialect dialect) {
  QString sql = QString::fromLatin1(statement);
  sql.replace("{serial}",
              dialect == Dialect::kSqlite ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY");
  sql.replace("{blob}", dialect == Dialect::kSqlite ? "BLOB" : "BYTEA");
  return sql;
}

enum class Schema { kReady, kNewer, kFailed };

// Brings the store to kSchemaVersion in one transaction; `error` says why when it cannot.
Schema Migrate(QSqlDatabase& db, Dialect dialect, std::string& storeId, std::string& error,
               QSqlError& sqlError) {
  QSqlQuery q(db);
  const auto fail = [&](const QSqlQuery& failed) {
    sqlError = failed.lastError();
    error = ErrorText(sqlError);
    Rollback(db);
    return Schema::kFailed;
  };
  const bool begun = dialect == Dialect::kSqlite ? q.exec("BEGIN IMMEDIATE") : db.transaction();
  if (!begun) {
    sqlError = dialect == Dialect::kSqlite ? q.lastError() : db.lastError();
    error = ErrorText(sqlError);
    return Schema::kFailed;
  }
  // Two programs opening a new team store at once: one makes the schema, the other waits.
  if (dialect == Dialect::kPostgres && !q.exec("SELECT pg_advisory_xact_lock(7245311)")) {
    return fail(q);
  }
  if (!q.exec("CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)")) {
    return fail(q);
  }
  int version = 0;
  if (!q.exec("SELECT key, value FROM meta")) return fail(q);
  while (q.next()) {
    if (q.value(0).toString() == "schema") version = q.value(1).toInt();
    if (q.value(0).toString() == "store") storeId = ToUtf8(q.value(1).toString());
  }
  if (version > kSchemaVersion) {
    Rollback(db);
    error = "was made by a newer Tamarack (schema " + std::to_string(version) +
            "; this one knows schema " + std::to_string(kSchemaVersion) +
            " and older). Use the newer program, or another store.";
    return Schema::kNewer;
  }
  for (const Migration& m : Migrations()) {
    if (m.version <= version) continue;
    for (const char* statement : m.statements) {
      if (!q.exec(Spelled(statement, dialect))) return fail(q);
    }
  }
  if (storeId.empty()) {
    storeId = NewId();
    q.prepare("INSERT INTO meta (key, value) VALUES ('store', ?)");
    q.addBindValue(FromUtf8(storeId));
    if (!q.exec()) return fail(q);
  }
  if (version < kSchemaVersion) {
    q.prepare(
        "INSERT INTO meta (key, value) VALUES ('schema', ?) "
        "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
    q.addBindValue(QString::number(kSchemaVersion));
    if (!q.exec()) return fail(q);
  }
  q.finish();
  if (!db.commit()) {
    sqlError = db.lastError();
    error = ErrorText(sqlError);
    Rollback(db);
    return Schema::kFailed;
  }
  return Schema::kReady;
}

QString NewConnectionName() {
  return "tamarack-records-" + FromUtf8(NewId());
}

void Drop(const QString& connection) {
  {
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (db.isValid()) db.close();
  }
  QSqlDatabase::removeDatabase(connection);
}

// SQLite's own error codes for a file that is not a database or is damaged.
bool IsDamage(const QSqlError& error) {
  const QString code = error.nativeErrorCode();
  return code == "11" || code == "26";
}

// What is wrong with the file at a glance, before SQLite reads it: empty when nothing is.
std::string LooksDamaged(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return {};
  if (!info.isFile()) return "is not a file";
  if (info.size() == 0) return {};  // made but never written: nothing in it to keep
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};  // SQLite says why when it opens it
  const QByteArray head = file.read(100);
  if (head.size() < 100 || !head.startsWith(QByteArray("SQLite format 3\0", 16))) {
    return "is not a records store";
  }
  const auto byte = [&head](int i) { return static_cast<quint32>(static_cast<quint8>(head[i])); };
  const auto word = [&byte](int i) {
    return byte(i) << 24 | byte(i + 1) << 16 | byte(i + 2) << 8 | byte(i + 3);
  };
  quint64 pageSize = byte(16) << 8 | byte(17);
  if (pageSize == 1) pageSize = 65536;
  // The page count in the header is valid when its stamp matches the change counter.
  if (word(92) == word(24) && word(28) != 0 &&
      static_cast<quint64>(info.size()) < pageSize * word(28)) {
    return "is cut short";
  }
  return {};
}

// Renames the file (and SQLite's files beside it) to a free name beside it. The new name, or
// empty when it could not be moved.
QString MoveAside(const QString& path) {
  const QFileInfo info(path);
  const QString stamp = QDateTime::currentDateTimeUtc().toString("yyyyMMdd-HHmmss");
  QString aside;
  for (int n = 1; n < 1000; ++n) {
    aside =
        info.dir().filePath(info.completeBaseName() + "-damaged-" + stamp +
                            (n > 1 ? "-" + QString::number(n) : QString()) + "." + info.suffix());
    if (!QFileInfo::exists(aside) && !QFileInfo::exists(aside + "-wal")) break;
  }
  if (!QDir().rename(path, aside)) return {};
  for (const char* side : {"-wal", "-shm", "-journal"}) {
    if (QFileInfo::exists(path + side)) QDir().rename(path + side, aside + side);
  }
  return aside;
}

QString Named(const std::string& folder) {
  return QDir(FromUtf8(folder)).filePath(FromUtf8(std::string(kStoreFileName)));
}

std::optional<Record> Decoded(const RecordRow& row, const QString& placedOn) {
  std::optional<Record> record = RecordOf(row);
  if (record) record->placedOn = ToUtf8(placedOn);
  return record;
}

// One setup history file's read, as a record, with an id made from the file so that importing it
// again finds it.
std::optional<RecordRow> HistoryRow(const HistoryEntry& entry, const Author& author) {
  ReadContent read;
  std::string_view rest = entry.record;
  for (std::size_t i = 0; i < kSetupFileFieldCount; ++i) {
    const std::size_t comma = rest.find(',');
    read.values[i] = std::string(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  for (const SetupParam& p : SetupParams()) {
    if (p.kind == ParamKind::kVersion) read.values[RowIndex(p)] = entry.meta.version;
  }
  read.port = entry.meta.port;
  read.line = entry.meta.line;
  const QDateTime local = QDateTime::fromString(FromUtf8(entry.meta.time), "yyyy-MM-dd HH:mm:ss");
  if (!local.isValid()) return std::nullopt;
  Record record;
  const QString name = QFileInfo(FromUtf8(entry.path)).fileName();
  const QByteArray identity = "setup-history\n" + name.toUtf8() + "\n" +
                              QByteArray::fromStdString(entry.record) + "\n" +
                              QByteArray::fromStdString(entry.meta.time);
  static const QUuid kNamespace("{6c0b4f6e-3a0e-4c4e-9f1e-7a7c2d5b9e11}");
  record.id = ToUtf8(QUuid::createUuidV5(kNamespace, identity).toString(QUuid::WithoutBraces));
  record.at = UtcText(std::chrono::system_clock::time_point(
      std::chrono::milliseconds(local.toUTC().toMSecsSinceEpoch())));
  record.technician = author.technician;
  record.pc = author.pc;
  record.content = std::move(read);
  return RowOf(record);
}

}  // namespace

QSqlDatabase StoreAccess::Db(const RecordStore& store) {
  return QSqlDatabase::database(FromUtf8(store.connection_), false);
}

Dialect StoreAccess::DialectOf(const RecordStore& store) {
  return store.team_ ? Dialect::kPostgres : Dialect::kSqlite;
}

std::string ThisPc() {
  return ToUtf8(QSysInfo::machineHostName());
}

std::string RecordStore::DefaultFolder() {
  // The folder goes by the program's name: the command line asks for the windows' one.
  const QString name = QCoreApplication::applicationName();
  const QString product = FromUtf8(std::string(kProductName));
  if (name != product) QCoreApplication::setApplicationName(product);
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (name != product) QCoreApplication::setApplicationName(name);
  return ToUtf8(folder);
}

RecordStore::~RecordStore() {
  Drop(FromUtf8(connection_));
}

RecordStore::Opened RecordStore::OpenLocal(const std::string& folder) {
  const std::string failed(kRecordsNotKept);
  if (folder.empty() || !QDir().mkpath(FromUtf8(folder))) {
    return {nullptr, failed + "the folder " + folder + " cannot be made"};
  }
  const QString path = Named(folder);
  const QString fileName = QFileInfo(path).fileName();
  std::string movedNote;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string damage = LooksDamaged(path);
    std::unique_ptr<RecordStore> store(new RecordStore);
    store->connection_ = ToUtf8(NewConnectionName());
    store->where_ = ToUtf8(path);
    std::string error;
    QSqlError sqlError;
    Schema schema = Schema::kFailed;
    if (damage.empty()) {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", FromUtf8(store->connection_));
      db.setDatabaseName(path);
      // Another program (the command line beside the window) may hold the write lock a while.
      db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");
      if (!db.open()) {
        sqlError = db.lastError();
        error = ErrorText(sqlError);
      } else {
        QSqlQuery q(db);
        // A store with tables but not ours is someone else's file under our name.
        const bool listed = q.exec("SELECT name FROM sqlite_master WHERE type = 'table'");
        QStringList tables;
        while (listed && q.next()) tables << q.value(0).toString();
        if (!listed) {
          sqlError = q.lastError();
          error = ErrorText(sqlError);
        } else if (!tables.isEmpty() && !tables.contains("meta")) {
          damage = "is not a records store";
        } else if (!q.exec("PRAGMA journal_mode = WAL") || !q.exec("PRAGMA synchronous = FULL")) {
          sqlError = q.lastError();
          error = ErrorText(sqlError);
        } else {
          q.finish();
          schema = Migrate(db, Dialect::kSqlite, store->storeId_, error, sqlError);
        }
      }
      if (schema == Schema::kFailed && damage.empty() && IsDamage(sqlError)) {
        damage = "is damaged (" + error + ")";
      }
    }
    if (schema == Schema::kReady) return {std::move(store), movedNote};
    if (schema == Schema::kNewer) return {nullptr, failed + ToUtf8(fileName) + " " + error};
    if (damage.empty()) return {nullptr, failed + ToUtf8(path) + ": " + error};
    store.reset();  // closes the file before it moves
    const QString aside = MoveAside(path);
    if (aside.isEmpty()) {
      return {nullptr, failed + ToUtf8(fileName) + " " + damage + " and could not be moved aside"};
    }
    movedNote = failed + ToUtf8(fileName) + " " + damage + ". It was moved aside as " +
                ToUtf8(QFileInfo(aside).fileName()) + " and a new store was started.";
  }
  return {nullptr, movedNote};
}

RecordStore::Opened RecordStore::OpenTeam(const std::string& url) {
  std::string error;
  const std::optional<TeamAddress> address = ParseTeamAddress(url, error);
  if (!address) return {nullptr, std::string(kTeamNotReached) + url + ": " + error};
  std::unique_ptr<RecordStore> store(new RecordStore);
  store->connection_ = ToUtf8(NewConnectionName());
  store->where_ = address->Text();
  store->team_ = true;
  const std::string failed = std::string(kTeamNotReached) + store->where_ + ": ";
  if (!QSqlDatabase::isDriverAvailable("QPSQL")) {
    return {nullptr, failed + "the PostgreSQL driver of Qt is not installed (libqt6sql6-psql)"};
  }
  QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", FromUtf8(store->connection_));
  db.setHostName(FromUtf8(address->host));
  db.setPort(address->port);
  db.setDatabaseName(FromUtf8(address->database));
  if (!address->user.empty()) db.setUserName(FromUtf8(address->user));
  // No password here: the client library reads PGPASSFILE or ~/.pgpass. A server that has gone
  // away is noticed within seconds, not when the system's TCP gives up.
  db.setConnectOptions(
      "connect_timeout=5;application_name=tamarack;keepalives=1;keepalives_idle=5;"
      "keepalives_interval=2;keepalives_count=3");
  if (!db.open()) {
    std::string why = ErrorText(db.lastError());
    if (why.find("password") != std::string::npos) {
      why += " (the password is taken from PGPASSFILE or ~/.pgpass)";
    }
    return {nullptr, failed + why};
  }
  // The server's notices ("relation already exists, skipping") are not for the user.
  QSqlQuery(db).exec("SET client_min_messages = warning");
  QSqlError sqlError;
  const Schema schema = Migrate(db, Dialect::kPostgres, store->storeId_, error, sqlError);
  if (schema == Schema::kNewer) return {nullptr, failed + "the store " + error};
  if (schema != Schema::kReady) return {nullptr, failed + error};
  return {std::move(store), {}};
}

bool RecordStore::AddScale(Scale& scale, const Author& author, std::string& error) {
  error = CheckScale(scale);
  if (!error.empty()) return false;
  for (const Scale& known : Scales()) {
    if (FromUtf8(known.site).compare(FromUtf8(scale.site), Qt::CaseInsensitive) == 0 &&
        FromUtf8(known.tag).compare(FromUtf8(scale.tag), Qt::CaseInsensitive) == 0) {
      error = "The scale " + ScaleName(known) + " is already known.";
      return false;
    }
  }
  if (!lastError_.empty()) {
    error = lastError_;
    return false;
  }
  Scale made = scale;
  made.id = NewId();
  made.createdAt = UtcNow();
  made.technician = author.technician;
  made.pc = author.pc;
  QSqlDatabase db = StoreAccess::Db(*this);
  if (!BeginWrite(db, StoreAccess::DialectOf(*this), error)) return false;
  bool added = false;
  {
    RowWriter writer(db, {});
    if (!writer.Put(RowOf(made), added, error)) {
      Rollback(db);
      return false;
    }
  }
  if (!Commit(db, error)) return false;
  scale = made;
  return true;
}

bool RecordStore::Add(Record& record, std::string& error) {
  std::vector<Record> one{record};
  if (!AddAll(one, error)) return false;
  record = std::move(one.front());
  return true;
}

bool RecordStore::AddAll(std::vector<Record>& records, std::string& error) {
  std::vector<Record> made = records;
  std::set<std::string> batch;
  for (Record& r : made) {
    if (r.id.empty()) r.id = NewId();
    if (r.at.empty()) r.at = UtcNow();
    batch.insert(r.id);
  }
  QSqlDatabase db = StoreAccess::Db(*this);
  std::set<std::string> scales;
  QSqlQuery known(db);
  known.prepare("SELECT 1 FROM scales WHERE id = ?");
  for (const Record& r : made) {
    if (!r.scaleId.empty() && !scales.contains(r.scaleId)) {
      known.bindValue(0, FromUtf8(r.scaleId));
      if (!known.exec()) {
        error = ErrorText(known.lastError());
        return false;
      }
      if (!known.next()) {
        error = "no scale has the id " + r.scaleId;
        return false;
      }
      scales.insert(r.scaleId);
    }
    if (const auto* assignment = std::get_if<AssignmentContent>(&r.content)) {
      if (r.scaleId.empty()) {
        error = "an assignment names its scale";
        return false;
      }
      if (!batch.contains(assignment->recordId) && !Get(assignment->recordId)) {
        error = "no record has the id " + assignment->recordId;
        return false;
      }
    }
  }
  known.finish();
  if (!BeginWrite(db, StoreAccess::DialectOf(*this), error)) return false;
  {
    RowWriter writer(db, {});
    for (const Record& r : made) {
      bool added = false;
      if (!writer.Put(RowOf(r), added, error)) {
        Rollback(db);
        return false;
      }
      if (!added) {
        Rollback(db);
        error = "a record with the id " + r.id + " is already kept";
        return false;
      }
    }
  }
  if (!Commit(db, error)) return false;
  records = std::move(made);
  return true;
}

bool RecordStore::Assign(const std::string& recordId, const std::string& scaleId,
                         const Author& author, std::string& error) {
  Record assignment = MakeRecord(AssignmentContent{recordId}, author, scaleId);
  // The latest assignment counts: one made within the same millisecond as the one before must
  // still come after it.
  QSqlQuery q(StoreAccess::Db(*this));
  q.prepare("SELECT source_at FROM placement WHERE record_id = ?");
  q.addBindValue(FromUtf8(recordId));
  if (q.exec() && q.next()) {
    const auto before = ParseUtc(ToUtf8(q.value(0).toString()));
    const auto now = ParseUtc(assignment.at);
    if (before && now && *now <= *before) {
      assignment.at = UtcText(*before + std::chrono::milliseconds(1));
    }
  }
  q.finish();
  return Add(assignment, error);
}

bool RecordStore::ChangeScale(const std::string& scaleId, const ScaleDetailsContent& details,
                              const Author& author, std::string& error) {
  Scale check;
  check.site = check.tag = "-";
  check.intervalMonths = details.intervalMonths;
  error = CheckScale(check);
  if (!error.empty()) return false;
  Record change = MakeRecord(details, author, scaleId);
  return Add(change, error);
}

std::vector<Scale> RecordStore::Scales(std::string_view site, std::string_view tag) const {
  lastError_.clear();
  QSqlDatabase db = StoreAccess::Db(*this);
  QSqlQuery q(db);
  q.setForwardOnly(true);
  std::vector<Scale> scales;
  if (!q.exec(QString("SELECT %1 FROM scales").arg(kScaleColumns))) {
    lastError_ = ErrorText(q.lastError());
    return {};
  }
  const QString siteText = FromUtf8(std::string(site)).trimmed();
  const QString tagText = FromUtf8(std::string(tag)).trimmed();
  std::map<std::string, std::size_t> byId;
  while (q.next()) {
    const ScaleRow row = ReadScaleRow(q);
    if (!row.site.contains(siteText, Qt::CaseInsensitive) ||
        !row.tag.contains(tagText, Qt::CaseInsensitive)) {
      continue;
    }
    byId[ToUtf8(row.id)] = scales.size();
    scales.push_back(ScaleOf(row));
  }
  // The latest details of each scale count.
  if (!q.exec("SELECT scale_id, data FROM records WHERE kind = 'scale' ORDER BY made_at, id")) {
    lastError_ = ErrorText(q.lastError());
    return {};
  }
  while (q.next()) {
    const auto found = byId.find(ToUtf8(q.value(0).toString()));
    if (found == byId.end()) continue;
    RecordRow row;
    row.kind = "scale";
    row.data = q.value(1).toString();
    const std::optional<Record> record = RecordOf(row);
    if (!record) continue;
    const auto& details = std::get<ScaleDetailsContent>(record->content);
    Scale& s = scales[found->second];
    s.description = details.description;
    s.serial = details.serial;
    s.intervalMonths = details.intervalMonths;
  }
  std::ranges::sort(scales, [](const Scale& a, const Scale& b) {
    const int bySite = FromUtf8(a.site).compare(FromUtf8(b.site), Qt::CaseInsensitive);
    if (bySite != 0) return bySite < 0;
    const int byTag = FromUtf8(a.tag).compare(FromUtf8(b.tag), Qt::CaseInsensitive);
    return byTag != 0 ? byTag < 0 : a.id < b.id;
  });
  return scales;
}

std::optional<Scale> RecordStore::FindScale(std::string_view idOrName) const {
  const std::vector<Scale> scales = Scales();
  const std::size_t slash = idOrName.find('/');
  for (const Scale& s : scales) {
    if (s.id == idOrName) return s;
    if (slash != std::string_view::npos &&
        FromUtf8(s.site).compare(FromUtf8(std::string(idOrName.substr(0, slash))).trimmed(),
                                 Qt::CaseInsensitive) == 0 &&
        FromUtf8(s.tag).compare(FromUtf8(std::string(idOrName.substr(slash + 1))).trimmed(),
                                Qt::CaseInsensitive) == 0) {
      return s;
    }
  }
  return std::nullopt;
}

namespace {

// A scale's records of one kind (or all), newest or oldest first, without their bytes.
std::vector<Record> Placed(QSqlDatabase db, const std::string& scaleId, const char* kind,
                           bool newestFirst, std::string& error) {
  QSqlQuery q(db);
  q.setForwardOnly(true);
  const QString order = newestFirst ? "DESC" : "ASC";
  q.prepare(QString("SELECT %1, p.scale_id FROM placement p JOIN records r ON r.id = p.record_id "
                    "WHERE p.scale_id = ? %2 ORDER BY r.made_at %3, r.id %3")
                .arg(kRecordColumns, kind ? "AND r.kind = ?" : "", order));
  q.addBindValue(FromUtf8(scaleId));
  if (kind) q.addBindValue(QString::fromLatin1(kind));
  std::vector<Record> records;
  if (!q.exec()) {
    error = ErrorText(q.lastError());
    return {};
  }
  while (q.next()) {
    if (auto record = Decoded(ReadRecordRow(q), q.value(12).toString())) {
      records.push_back(std::move(*record));
    }
  }
  return records;
}

}  // namespace

std::vector<Record> RecordStore::History(const std::string& scaleId) const {
  lastError_.clear();
  return Placed(StoreAccess::Db(*this), scaleId, nullptr, true, lastError_);
}

std::vector<Record> RecordStore::Unplaced(std::size_t limit) const {
  lastError_.clear();
  QSqlQuery q(StoreAccess::Db(*this));
  q.setForwardOnly(true);
  std::vector<Record> records;
  if (!q.exec(
          QString("SELECT %1 FROM records r WHERE r.kind NOT IN ('assignment', 'scale') "
                  "AND NOT EXISTS (SELECT 1 FROM placement p WHERE p.record_id = r.id) "
                  "ORDER BY r.made_at DESC, r.id DESC%2")
              .arg(kRecordColumns, limit == 0 ? QString() : " LIMIT " + QString::number(limit)))) {
    lastError_ = ErrorText(q.lastError());
    return {};
  }
  while (q.next()) {
    if (auto record = Decoded(ReadRecordRow(q), {})) records.push_back(std::move(*record));
  }
  return records;
}

std::optional<Record> RecordStore::Get(const std::string& id) const {
  lastError_.clear();
  QSqlQuery q(StoreAccess::Db(*this));
  q.setForwardOnly(true);
  q.prepare(QString("SELECT %1, p.scale_id, r.bytes FROM records r LEFT JOIN placement p "
                    "ON p.record_id = r.id WHERE r.id = ?")
                .arg(kRecordColumns));
  q.addBindValue(FromUtf8(id));
  if (!q.exec()) {
    lastError_ = ErrorText(q.lastError());
    return std::nullopt;
  }
  if (!q.next()) return std::nullopt;
  RecordRow row = ReadRecordRow(q);
  row.bytes = q.value(13).toByteArray();
  return Decoded(row, q.value(12).toString());
}

std::vector<std::string> RecordStore::IdsStartingWith(std::string_view prefix,
                                                      std::size_t limit) const {
  lastError_.clear();
  const bool idLetters = std::ranges::all_of(
      prefix, [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '-'; });
  if (prefix.empty() || !idLetters) return {};
  QSqlQuery q(StoreAccess::Db(*this));
  q.setForwardOnly(true);
  // No wildcard can be in it: only the letters of an id pass.
  q.prepare("SELECT id FROM records WHERE id LIKE ? ORDER BY id LIMIT ?");
  q.addBindValue(FromUtf8(std::string(prefix) + "%"));
  q.addBindValue(static_cast<qint64>(limit));
  std::vector<std::string> ids;
  if (!q.exec()) {
    lastError_ = ErrorText(q.lastError());
    return {};
  }
  while (q.next()) ids.push_back(ToUtf8(q.value(0).toString()));
  return ids;
}

std::size_t RecordStore::RecordCount() const {
  QSqlQuery q(StoreAccess::Db(*this));
  if (!q.exec("SELECT COUNT(*) FROM records") || !q.next()) {
    lastError_ = ErrorText(q.lastError());
    return 0;
  }
  return static_cast<std::size_t>(q.value(0).toLongLong());
}

std::optional<Scale> RecordStore::ProposeScale(const ReadContent& read) const {
  lastError_.clear();
  const std::optional<Fingerprint> print = FingerprintOf(read);
  if (!print) return std::nullopt;
  QSqlDatabase db = StoreAccess::Db(*this);
  QSqlQuery q(db);
  q.setForwardOnly(true);
  q.prepare(
      // Only complete reads have a fingerprint; naming the kind too would lead SQLite to the
      // wrong index.
      "SELECT DISTINCT p.scale_id FROM records r JOIN placement p ON p.record_id = r.id "
      "WHERE r.fingerprint = ?");
  q.addBindValue(FromUtf8(print->Key()));
  if (!q.exec()) {
    lastError_ = ErrorText(q.lastError());
    return std::nullopt;
  }
  std::vector<QString> candidates;
  while (q.next()) candidates.push_back(q.value(0).toString());
  // A scale counts only while its latest read still has the fingerprint: a scale recalibrated
  // since has moved on, and another indicator may now have its old counts.
  QString best;
  QString bestAt;
  QSqlQuery latest(db);
  latest.prepare(
      "SELECT r.fingerprint, r.made_at FROM placement p JOIN records r ON r.id = p.record_id "
      "WHERE p.scale_id = ? AND r.kind = 'read' ORDER BY r.made_at DESC, r.id DESC LIMIT 1");
  for (const QString& scale : candidates) {
    latest.bindValue(0, scale);
    if (!latest.exec() || !latest.next()) continue;
    if (latest.value(0).toString() == FromUtf8(print->Key()) &&
        latest.value(1).toString() > bestAt) {
      best = scale;
      bestAt = latest.value(1).toString();
    }
  }
  if (best.isEmpty()) return std::nullopt;
  return FindScale(ToUtf8(best));
}

std::vector<CountsPoint> RecordStore::Counts(const std::string& scaleId, double threshold) const {
  lastError_.clear();
  return CountsTrend(Placed(StoreAccess::Db(*this), scaleId, "read", false, lastError_), threshold);
}

std::vector<DueScale> RecordStore::DueForVerification() const {
  const std::vector<Scale> scales = Scales();
  QSqlQuery q(StoreAccess::Db(*this));
  if (!q.exec("SELECT p.scale_id, MAX(r.made_at) FROM records r JOIN placement p "
              "ON p.record_id = r.id WHERE r.kind = 'certificate' AND r.passed = 1 "
              "GROUP BY p.scale_id")) {
    lastError_ = ErrorText(q.lastError());
    return {};
  }
  std::map<std::string, std::string> passed;
  while (q.next()) passed[ToUtf8(q.value(0).toString())] = ToUtf8(q.value(1).toString());
  std::vector<DueScale> due;
  for (const Scale& s : scales) {
    DueScale entry{s, {}, {}};
    if (const auto found = passed.find(s.id); found != passed.end()) {
      entry.lastPassed = found->second;
      entry.due = AddMonths(found->second, s.intervalMonths).value_or(std::string());
    }
    due.push_back(std::move(entry));
  }
  SortByDue(due);
  return due;
}

ImportResult RecordStore::ImportHistory(const std::string& folder, const Author& author) {
  return Import(folder, author, false);
}

ImportResult RecordStore::ImportHistoryOnce(const std::string& folder, const Author& author) {
  return Import(folder, author, true);
}

ImportResult RecordStore::Import(const std::string& folder, const Author& author, bool once) {
  ImportResult result;
  QSqlDatabase db = StoreAccess::Db(*this);
  const auto taken = [&db, &result](bool& earlier) {
    QSqlQuery q(db);
    if (!q.exec("SELECT 1 FROM meta WHERE key = 'history_imported'")) {
      result.error = ErrorText(q.lastError());
      return false;
    }
    earlier = q.next();
    return true;
  };
  if (once && (!taken(result.earlier) || result.earlier)) return result;
  std::vector<RecordRow> rows;
  for (const HistoryEntry& entry : SetupHistory(folder).List()) {
    std::optional<RecordRow> row = entry.readable ? HistoryRow(entry, author) : std::nullopt;
    if (!row) {
      ++result.unreadable;
      continue;
    }
    rows.push_back(std::move(*row));
  }
  if (rows.empty() && !once) return result;
  if (!BeginWrite(db, StoreAccess::DialectOf(*this), result.error)) return result;
  ImportResult counted = result;
  {
    RowWriter writer(db, {});
    for (const RecordRow& row : rows) {
      bool added = false;
      if (!writer.Put(row, added, result.error)) {
        Rollback(db);
        return result;
      }
      ++(added ? counted.added : counted.known);
    }
  }
  if (once) {
    // Another program on the same file may have taken the folder in meanwhile: then nothing of
    // this import is kept.
    if (!taken(counted.earlier)) {
      Rollback(db);
      return result;
    }
    if (counted.earlier) {
      Rollback(db);
      result.earlier = true;
      return result;
    }
    QSqlQuery q(db);
    q.prepare("INSERT INTO meta (key, value) VALUES ('history_imported', ?)");
    q.addBindValue(FromUtf8(UtcNow()));
    if (!q.exec()) {
      result.error = ErrorText(q.lastError());
      Rollback(db);
      return result;
    }
  }
  if (!Commit(db, result.error)) return result;
  return counted;
}

}  // namespace tamarack::records
