#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>

#include "records/store_sql.h"

namespace tamarack::records {
namespace {

// The indicator's values are its single-byte text: one byte, one character, both ways.
QString Bytes(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
std::string Bytes(const QJsonValue& value) {
  const QByteArray bytes = value.toString().toLatin1();
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}
std::string Text(const QJsonValue& value) {
  return ToUtf8(value.toString());
}

QJsonArray ByteTexts(const std::vector<std::string>& texts) {
  QJsonArray array;
  for (const std::string& t : texts) array.append(Bytes(t));
  return array;
}

std::string Json(const QJsonObject& object) {
  const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
  return {json.constData(), static_cast<std::size_t>(json.size())};
}

struct Encoder {
  RecordRow& row;

  QJsonObject operator()(const ReadContent& c) const {
    QJsonArray values;
    for (const std::string& v : c.values) values.append(Bytes(v));
    if (const auto print = FingerprintOf(c)) row.fingerprint = FromUtf8(print->Key());
    return {{"values", values}, {"port", FromUtf8(c.port)}, {"line", FromUtf8(c.line)}};
  }
  QJsonObject operator()(const OperationContent& c) const {
    return {{"operation", FromUtf8(c.operation)},
            {"subject", Bytes(c.subject)},
            {"outcome", FromUtf8(c.outcome)},
            {"messages", ByteTexts(c.messages)},
            {"port", FromUtf8(c.port)}};
  }
  QJsonObject operator()(const ServiceRecordContent& c) const {
    const ServiceRecord& r = c.record;
    QJsonArray rows;
    for (const ServiceRecord::Row& x : r.rows) {
      rows.append(QJsonObject{{"number", FromUtf8(x.number)},
                              {"name", FromUtf8(x.name)},
                              {"asFound", Bytes(x.asFound)},
                              {"asLeft", Bytes(x.asLeft)},
                              {"changed", x.changed}});
    }
    QJsonArray steps;
    for (const ServiceRecord::Step& x : r.operations) {
      steps.append(QJsonObject{{"time", FromUtf8(x.time)},
                               {"operation", Bytes(x.operation)},
                               {"result", Bytes(x.result)}});
    }
    row.bytes = QByteArray(c.pdf.data(), static_cast<qsizetype>(c.pdf.size()));
    row.hasBytes = !c.pdf.empty();
    return {{"technician", FromUtf8(r.technician)},
            {"note", FromUtf8(r.note)},
            {"madeAt", FromUtf8(r.madeAt)},
            {"port", FromUtf8(r.port)},
            {"line", FromUtf8(r.line)},
            {"version", Bytes(r.version)},
            {"rows", rows},
            {"operations", steps}};
  }
  QJsonObject operator()(const CertificateContent& c) const {
    row.bytes = QByteArray(c.pdf.data(), static_cast<qsizetype>(c.pdf.size()));
    row.hasBytes = !c.pdf.empty();
    row.passed = c.passed ? 1 : 0;
    return {{"title", FromUtf8(c.title)},
            {"passed", c.passed},
            {"data", FromUtf8(c.data)},
            {"csv", FromUtf8(c.csv)}};
  }
  QJsonObject operator()(const FleetRowContent& c) const {
    return {{"port", FromUtf8(c.port)},
            {"command", FromUtf8(c.command)},
            {"status", c.status},
            {"outcome", FromUtf8(c.outcome)}};
  }
  QJsonObject operator()(const AssignmentContent& c) const {
    row.target = FromUtf8(c.recordId);
    return {{"record", FromUtf8(c.recordId)}};
  }
  QJsonObject operator()(const ScaleDetailsContent& c) const {
    return {{"description", FromUtf8(c.description)},
            {"serial", FromUtf8(c.serial)},
            {"intervalMonths", c.intervalMonths}};
  }
};

std::optional<RecordContent> Decode(RecordKind kind, const QJsonObject& o,
                                    const QByteArray& bytes) {
  const std::string pdf(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  switch (kind) {
    case RecordKind::kRead: {
      ReadContent c;
      const QJsonArray values = o["values"].toArray();
      if (values.size() != static_cast<qsizetype>(kSetupParamCount)) return std::nullopt;
      for (std::size_t i = 0; i < kSetupParamCount; ++i) {
        c.values[i] = Bytes(values[static_cast<qsizetype>(i)]);
      }
      c.port = Text(o["port"]);
      c.line = Text(o["line"]);
      return c;
    }
    case RecordKind::kOperation: {
      OperationContent c{
          Text(o["operation"]), Bytes(o["subject"]), Text(o["outcome"]), {}, Text(o["port"])};
      for (const QJsonValue& m : o["messages"].toArray()) c.messages.push_back(Bytes(m));
      return c;
    }
    case RecordKind::kServiceRecord: {
      ServiceRecordContent c;
      ServiceRecord& r = c.record;
      r.technician = Text(o["technician"]);
      r.note = Text(o["note"]);
      r.madeAt = Text(o["madeAt"]);
      r.port = Text(o["port"]);
      r.line = Text(o["line"]);
      r.version = Bytes(o["version"]);
      for (const QJsonValue& v : o["rows"].toArray()) {
        const QJsonObject x = v.toObject();
        r.rows.push_back({Text(x["number"]), Text(x["name"]), Bytes(x["asFound"]),
                          Bytes(x["asLeft"]), x["changed"].toBool()});
      }
      for (const QJsonValue& v : o["operations"].toArray()) {
        const QJsonObject x = v.toObject();
        r.operations.push_back({Text(x["time"]), Bytes(x["operation"]), Bytes(x["result"])});
      }
      c.pdf = pdf;
      return c;
    }
    case RecordKind::kCertificate:
      return CertificateContent{Text(o["title"]), o["passed"].toBool(), Text(o["data"]),
                                Text(o["csv"]), pdf};
    case RecordKind::kFleetRow:
      return FleetRowContent{Text(o["port"]), Text(o["command"]), o["status"].toInt(),
                             Text(o["outcome"])};
    case RecordKind::kAssignment:
      return AssignmentContent{Text(o["record"])};
    case RecordKind::kScaleDetails:
      return ScaleDetailsContent{Text(o["description"]), Text(o["serial"]),
                                 o["intervalMonths"].toInt(kDefaultIntervalMonths)};
  }
  return std::nullopt;
}

}  // namespace

RecordRow RowOf(const Record& record) {
  RecordRow row;
  row.id = FromUtf8(record.id);
  row.madeAt = FromUtf8(record.at);
  row.technician = FromUtf8(record.technician);
  row.pc = FromUtf8(record.pc);
  row.scaleId = FromUtf8(record.scaleId);
  row.kind = FromUtf8(std::string(KindName(record.Kind())));
  row.data = FromUtf8(Json(std::visit(Encoder{row}, record.content)));
  return row;
}

std::optional<Record> RecordOf(const RecordRow& row) {
  const std::optional<RecordKind> kind = KindFromName(ToUtf8(row.kind));
  if (!kind) return std::nullopt;
  const QJsonDocument json = QJsonDocument::fromJson(row.data.toUtf8());
  std::optional<RecordContent> content = Decode(*kind, json.object(), row.bytes);
  if (!content) return std::nullopt;
  Record record;
  record.id = ToUtf8(row.id);
  record.at = ToUtf8(row.madeAt);
  record.technician = ToUtf8(row.technician);
  record.pc = ToUtf8(row.pc);
  record.scaleId = ToUtf8(row.scaleId);
  record.content = std::move(*content);
  return record;
}

ScaleRow RowOf(const Scale& s) {
  return {0,
          FromUtf8(s.id),
          FromUtf8(s.site),
          FromUtf8(s.tag),
          FromUtf8(s.description),
          FromUtf8(s.serial),
          s.intervalMonths,
          FromUtf8(s.createdAt),
          FromUtf8(s.technician),
          FromUtf8(s.pc)};
}

Scale ScaleOf(const ScaleRow& r) {
  return {ToUtf8(r.id),          ToUtf8(r.site),       ToUtf8(r.tag),
          ToUtf8(r.description), ToUtf8(r.serial),     r.intervalMonths,
          ToUtf8(r.createdAt),   ToUtf8(r.technician), ToUtf8(r.pc)};
}

RecordRow ReadRecordRow(const QSqlQuery& q, int f) {
  RecordRow row;
  row.seq = q.value(f).toLongLong();
  row.id = q.value(f + 1).toString();
  row.madeAt = q.value(f + 2).toString();
  row.technician = q.value(f + 3).toString();
  row.pc = q.value(f + 4).toString();
  row.scaleId = q.value(f + 5).toString();
  row.kind = q.value(f + 6).toString();
  row.data = q.value(f + 7).toString();
  row.fingerprint = q.value(f + 8).toString();
  row.target = q.value(f + 9).toString();
  row.passed = q.value(f + 10).isNull() ? QVariant() : QVariant(q.value(f + 10).toInt());
  row.hasBytes = q.value(f + 11).toBool();
  return row;
}

ScaleRow ReadScaleRow(const QSqlQuery& q) {
  return {q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(),
          q.value(3).toString(),   q.value(4).toString(), q.value(5).toString(),
          q.value(6).toInt(),      q.value(7).toString(), q.value(8).toString(),
          q.value(9).toString()};
}

std::string ErrorText(const QSqlError& error) {
  QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
  if (text.isEmpty()) text = error.driverText();
  return ToUtf8(text.simplified());
}

bool BeginWrite(QSqlDatabase& db, Dialect dialect, std::string& error) {
  QSqlQuery q(db);
  if (dialect == Dialect::kSqlite) {
    if (q.exec("BEGIN IMMEDIATE")) return true;
  } else if (db.transaction()) {
    if (q.exec("LOCK TABLE scales, records IN EXCLUSIVE MODE")) return true;
    error = ErrorText(q.lastError());
    db.rollback();
    return false;
  } else {
    error = ErrorText(db.lastError());
    return false;
  }
  error = ErrorText(q.lastError());
  return false;
}

bool Commit(QSqlDatabase& db, std::string& error) {
  if (db.commit()) return true;
  error = ErrorText(db.lastError());
  db.rollback();
  return false;
}

void Rollback(QSqlDatabase& db) {
  db.rollback();
}

RowWriter::RowWriter(QSqlDatabase& db, QString fromStore)
    : db_(db),
      fromStore_(std::move(fromStore)),
      record_(db_),
      place_(db_),
      scale_(db_),
      mark_(db_) {}

bool RowWriter::Prepare(std::string& error) {
  if (prepared_) return true;
  const bool ok =
      record_.prepare(
          "INSERT INTO records (id, made_at, technician, pc, scale_id, kind, data, bytes, "
          "fingerprint, target, passed, from_store) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
          "ON CONFLICT (id) DO NOTHING") &&
      // Order-free: whichever arrives first, the assignment outranks the record's own scale, and
      // of two assignments the later one (by time, then id) counts.
      place_.prepare(
          "INSERT INTO placement (record_id, scale_id, priority, source_at, source_id) "
          "VALUES (?, ?, ?, ?, ?) ON CONFLICT (record_id) DO UPDATE SET "
          "scale_id = excluded.scale_id, priority = excluded.priority, "
          "source_at = excluded.source_at, source_id = excluded.source_id "
          "WHERE (excluded.priority, excluded.source_at, excluded.source_id) > "
          "(placement.priority, placement.source_at, placement.source_id)") &&
      scale_.prepare(
          "INSERT INTO scales (id, site, tag, description, serial, interval_months, created_at, "
          "technician, pc, from_store) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
          "ON CONFLICT (id) DO NOTHING") &&
      mark_.prepare(
          "INSERT INTO sync_marks (store_id, what, seq) VALUES (?, ?, ?) "
          "ON CONFLICT (store_id, what) DO UPDATE SET seq = excluded.seq");
  if (!ok) {
    for (const QSqlQuery* q : {&record_, &place_, &scale_, &mark_}) {
      if (q->lastError().isValid()) {
        error = ErrorText(q->lastError());
        break;
      }
    }
    return false;
  }
  prepared_ = true;
  return true;
}

namespace {

QVariant OrNull(const QString& text) {
  return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

}  // namespace

bool RowWriter::Put(const RecordRow& row, bool& added, std::string& error) {
  added = false;
  if (!Prepare(error)) return false;
  const QVariant values[] = {
      row.id,
      row.madeAt,
      row.technician,
      row.pc,
      OrNull(row.scaleId),
      row.kind,
      row.data,
      row.hasBytes ? QVariant(row.bytes) : QVariant(QMetaType(QMetaType::QByteArray)),
      OrNull(row.fingerprint),
      OrNull(row.target),
      row.passed.isNull() ? QVariant(QMetaType(QMetaType::Int)) : row.passed,
      OrNull(fromStore_)};
  for (int i = 0; i < 12; ++i) record_.bindValue(i, values[i]);
  if (!record_.exec()) {
    error = ErrorText(record_.lastError());
    return false;
  }
  added = record_.numRowsAffected() > 0;
  if (!added) return true;
  const bool assignment = row.kind == QLatin1String("assignment");
  const QString& placed = assignment ? row.target : row.id;
  if (row.scaleId.isEmpty() || placed.isEmpty()) return true;
  place_.bindValue(0, placed);
  place_.bindValue(1, row.scaleId);
  place_.bindValue(2, assignment ? 1 : 0);
  place_.bindValue(3, row.madeAt);
  place_.bindValue(4, row.id);
  if (!place_.exec()) {
    error = ErrorText(place_.lastError());
    return false;
  }
  return true;
}

bool RowWriter::Put(const ScaleRow& row, bool& added, std::string& error) {
  added = false;
  if (!Prepare(error)) return false;
  const QVariant values[] = {row.id,     row.site,           row.tag,       row.description,
                             row.serial, row.intervalMonths, row.createdAt, row.technician,
                             row.pc,     OrNull(fromStore_)};
  for (int i = 0; i < 10; ++i) scale_.bindValue(i, values[i]);
  if (!scale_.exec()) {
    error = ErrorText(scale_.lastError());
    return false;
  }
  added = scale_.numRowsAffected() > 0;
  return true;
}

bool RowWriter::SetMark(const QString& storeId, const QString& what, qint64 seq,
                        std::string& error) {
  if (!Prepare(error)) return false;
  mark_.bindValue(0, storeId);
  mark_.bindValue(1, what);
  mark_.bindValue(2, seq);
  if (mark_.exec()) return true;
  error = ErrorText(mark_.lastError());
  return false;
}

std::optional<qint64> ReadMark(QSqlDatabase& db, const QString& storeId, const QString& what,
                               std::string& error) {
  QSqlQuery q(db);
  q.prepare("SELECT seq FROM sync_marks WHERE store_id = ? AND what = ?");
  q.addBindValue(storeId);
  q.addBindValue(what);
  if (!q.exec()) {
    error = ErrorText(q.lastError());
    return std::nullopt;
  }
  return q.next() ? q.value(0).toLongLong() : 0;
}

}  // namespace tamarack::records
