#include "cli/records_commands.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>

#include "cli/inventory.h"
#include "records/record_export.h"
#include "records/record_store.h"
#include "records/record_sync.h"
#include "records/team_address.h"
#include "ui/text.h"

namespace tamarack::cli {
namespace {

using records::Record;
using records::RecordStore;
using records::Scale;

// How many records a list of those on no scale shows, newest first.
constexpr std::size_t kUnplacedListed = 1000;

// The characters of a UTF-8 text, each counted once however many bytes it takes.
std::size_t Shown(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char ch) {
    return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
  }));
}

std::string Pad(std::string text, std::size_t width) {
  if (const std::size_t shown = Shown(text); shown < width) text.append(width - shown, ' ');
  return text;
}

// A record's time in the PC's local time, to the second, as the other commands print times.
std::string LocalText(const std::string& utc) {
  const QDateTime when = QDateTime::fromString(FromUtf8(utc), Qt::ISODateWithMs);
  return when.isValid() ? ToUtf8(when.toLocalTime().toString("yyyy-MM-dd HH:mm:ss")) : utc;
}

std::string ParamName(const SetupParam& p) {
  std::string name(p.name);
  std::replace(name.begin(), name.end(), '\r', ' ');
  return name;
}

struct Opened {
  std::unique_ptr<RecordStore> store;
  int status = kExitOk;
};

// This PC's store, or with --records the team's; what went wrong goes to standard error.
Opened OpenStore(const CliCommand& c, bool team) {
  RecordStore::Opened opened = team ? RecordStore::OpenTeam(c.records)
                                    : RecordStore::OpenLocal(RecordStore::DefaultFolder());
  if (!opened.message.empty()) std::cerr << opened.message << "\n";
  Opened result;
  result.store = std::move(opened.store);
  if (!result.store) result.status = kExitPort;
  return result;
}

QJsonObject ScaleJson(const Scale& s) {
  return {{"id", FromUtf8(s.id)},         {"site", FromUtf8(s.site)},
          {"tag", FromUtf8(s.tag)},       {"description", FromUtf8(s.description)},
          {"serial", FromUtf8(s.serial)}, {"intervalMonths", s.intervalMonths}};
}

QJsonObject RecordLine(const Record& r) {
  const records::RecordSummary summary = records::Summarize(r);
  return {{"id", FromUtf8(r.id)},
          {"at", FromUtf8(r.at)},
          {"technician", FromUtf8(r.technician)},
          {"pc", FromUtf8(r.pc)},
          {"kind", FromUtf8(records::KindName(r.Kind()))},
          {"what", FromUtf8(summary.what)},
          {"result", FromUtf8(summary.result)}};
}

// A record by its id or the first letters of it.
std::optional<Record> Named(const RecordStore& store, std::string id, std::string& error) {
  std::transform(id.begin(), id.end(), id.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  const std::vector<std::string> ids = store.IdsStartingWith(id, 2);
  if (ids.empty()) {
    error = store.LastError().empty() ? "no record has the id " + id : store.LastError();
    return std::nullopt;
  }
  if (ids.size() > 1) {
    error = "more than one record's id begins " + id + "; give more of it";
    return std::nullopt;
  }
  std::optional<Record> record = store.Get(ids.front());
  if (!record) error = "the record " + ids.front() + " cannot be read: " + store.LastError();
  return record;
}

int ListScales(const RecordStore& store, std::string& text, QJsonObject& doc) {
  std::map<std::string, records::DueScale> due;
  for (const records::DueScale& d : store.DueForVerification()) due[d.scale.id] = d;
  QJsonArray list;
  std::size_t width = 5;
  const std::vector<Scale> scales = store.Scales();
  for (const Scale& s : scales) width = std::max(width, Shown(records::ScaleName(s)));
  text = Pad("SCALE", width + 2) + Pad("SERIAL", 14) + Pad("LAST PASSED", 13) + Pad("DUE", 12) +
         "DESCRIPTION\n";
  for (const Scale& s : scales) {
    const records::DueScale& d = due[s.id];
    QJsonObject item = ScaleJson(s);
    item["lastPassed"] = FromUtf8(d.lastPassed);
    item["due"] = FromUtf8(d.due);
    list.append(item);
    text += Pad(records::ScaleName(s), width + 2) + Pad(s.serial, 14) +
            Pad(d.lastPassed.empty() ? "never" : d.lastPassed.substr(0, 10), 13) +
            Pad(d.due.empty() ? "now" : d.due.substr(0, 10), 12) + s.description + "\n";
  }
  doc["scales"] = list;
  return store.LastError().empty() ? kExitOk : kExitIndicator;
}

int ListRecords(const RecordStore& store, const std::string& which, std::string& text,
                QJsonObject& doc) {
  std::vector<Record> listed;
  if (which == "unplaced") {
    listed = store.Unplaced(kUnplacedListed);
    doc["scale"] = QJsonValue::Null;
  } else {
    const std::optional<Scale> scale = store.FindScale(which);
    if (!scale) {
      std::cerr << "no scale " << which << " in " << store.Where() << "\n";
      return kExitUsage;
    }
    listed = store.History(scale->id);
    doc["scale"] = ScaleJson(*scale);
  }
  QJsonArray list;
  text = Pad("ID", 10) + Pad("WHEN", 21) + Pad("TECHNICIAN", 18) + Pad("RESULT", 8) + "WHAT\n";
  for (const Record& r : listed) {
    list.append(RecordLine(r));
    const records::RecordSummary summary = records::Summarize(r);
    text += Pad(r.id.substr(0, 8), 10) + Pad(LocalText(r.at), 21) + Pad(r.technician, 18) +
            Pad(summary.result, 8) + summary.what + "\n";
  }
  doc["records"] = list;
  return store.LastError().empty() ? kExitOk : kExitIndicator;
}

// The parameters of a read, as `read` prints them.
void ReadTable(const records::ReadContent& read, std::string& text, QJsonArray& rows) {
  for (const SetupParam& p : SetupParams()) {
    const std::string& value = read.values[RowIndex(p)];
    text += Pad(std::string(p.displayNumber), 6) + " " + Pad(value, 16) + " " + ParamName(p) + "\n";
    rows.append(QJsonObject{{"number", FromSingleByte(p.displayNumber)},
                            {"value", FromSingleByte(value)},
                            {"name", FromSingleByte(ParamName(p))}});
  }
}

int Show(const RecordStore& store, const Record& r, std::string& text, QJsonObject& doc) {
  QJsonObject record = RecordLine(r);
  std::string scale = "none";
  if (!r.placedOn.empty()) {
    const std::optional<Scale> s = store.FindScale(r.placedOn);
    scale = s ? records::ScaleName(*s) : r.placedOn;
    record["scale"] = FromUtf8(scale);
  } else {
    record["scale"] = QJsonValue::Null;
  }
  const records::RecordSummary summary = records::Summarize(r);
  text = "id          " + r.id + "\ntime        " + LocalText(r.at) + "\ntechnician  " +
         r.technician + "\npc          " + r.pc + "\nscale       " + scale + "\nkind        " +
         std::string(records::KindName(r.Kind())) + "\nwhat        " + summary.what + "\n";
  if (!summary.result.empty()) text += "result      " + summary.result + "\n";
  if (const auto* read = std::get_if<records::ReadContent>(&r.content)) {
    record["port"] = FromUtf8(read->port);
    record["line"] = FromUtf8(read->line);
    text += "line        " + read->line + "\n\n";
    QJsonArray rows;
    ReadTable(*read, text, rows);
    record["parameters"] = rows;
  } else if (const auto* op = std::get_if<records::OperationContent>(&r.content)) {
    QJsonArray messages;
    for (const std::string& m : op->messages) {
      messages.append(FromUtf8(m));
      text += "message     " + m + "\n";
    }
    record["port"] = FromUtf8(op->port);
    record["messages"] = messages;
  } else if (const auto* service = std::get_if<records::ServiceRecordContent>(&r.content)) {
    record["note"] = FromUtf8(service->record.note);
    record["pdf"] = !service->pdf.empty();
    text += "note        " + service->record.note + "\n";
  } else if (const auto* certificate = std::get_if<records::CertificateContent>(&r.content)) {
    record["title"] = FromUtf8(certificate->title);
    record["passed"] = certificate->passed;
    record["pdf"] = !certificate->pdf.empty();
  } else if (const auto* fleet = std::get_if<records::FleetRowContent>(&r.content)) {
    record["port"] = FromUtf8(fleet->port);
    record["fleetCommand"] = FromUtf8(fleet->command);
    record["exitStatus"] = fleet->status;
    record["outcome"] = FromUtf8(fleet->outcome);
    text += "outcome     " + fleet->outcome + "\n";
  }
  doc["record"] = record;
  return kExitOk;
}

int Diff(const Record& before, const Record& after, std::string& text, QJsonObject& doc) {
  const auto* older = std::get_if<records::ReadContent>(&before.content);
  const auto* newer = std::get_if<records::ReadContent>(&after.content);
  if (older == nullptr || newer == nullptr) {
    std::cerr << "records diff compares two complete reads\n";
    return kExitUsage;
  }
  QJsonArray list;
  const std::vector<records::ValueChange> changes = records::ReadChanges(*older, *newer);
  for (const records::ValueChange& change : changes) {
    text += Pad(std::string(change.param->displayNumber), 6) + " " + change.before + " -> " +
            change.after + "  (" + ParamName(*change.param) + ")\n";
    list.append(QJsonObject{{"number", FromSingleByte(change.param->displayNumber)},
                            {"name", FromSingleByte(ParamName(*change.param))},
                            {"before", FromSingleByte(change.before)},
                            {"after", FromSingleByte(change.after)}});
  }
  text += std::to_string(changes.size()) +
          (changes.size() == 1 ? " parameter differs\n" : " parameters differ\n");
  doc["before"] = FromUtf8(before.id);
  doc["after"] = FromUtf8(after.id);
  doc["differences"] = list;
  return changes.empty() ? kExitOk : kExitIndicator;
}

std::optional<records::ExportFormat> FormatOfFile(const std::string& path) {
  std::string ending = std::filesystem::path(path).extension().string();
  if (!ending.empty()) ending.erase(0, 1);
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return records::FormatFromName(ending);
}

}  // namespace

std::string CheckRecords(const CliCommand& c, int) {
  const std::string& action = c.args.empty() ? std::string() : c.args[0];
  const bool fits =
      (action == "list" && c.args.size() <= 2) || (action == "show" && c.args.size() == 2) ||
      (action == "diff" && c.args.size() == 3) || (action == "export" && c.args.size() == 3) ||
      (action == "sync" && c.args.size() == 1);
  if (!fits) return Usage(c);
  if (action == "list" && c.args.size() == 2 && c.args[1] != "unplaced") {
    if (std::string error = CheckScaleName(c.args[1]); !error.empty()) return error;
  }
  if (action == "export" && !FormatOfFile(c.args[2])) {
    return "a record is exported to FILE.stx, FILE.pdf or FILE.csv";
  }
  if (action == "sync" && c.records.empty()) return "records sync needs --records URL";
  if (std::string error; !c.records.empty() && !records::ParseTeamAddress(c.records, error)) {
    return "--records " + c.records + ": " + error;
  }
  return {};
}

int RunRecords(const Invocation& invocation) {
  const CliCommand& c = invocation.command;
  const std::string& action = c.args[0];
  QJsonObject doc{{"command", "records"}, {"action", FromUtf8(action)}};
  const auto finish = [&](int status, const std::string& text) {
    if (invocation.json) {
      doc["status"] = status;
      std::cout << JsonText(doc);
    } else {
      std::cout << text;
    }
    return status;
  };

  if (action == "sync") {
    Opened local = OpenStore(c, false);
    if (!local.store) return finish(local.status, {});
    const records::SyncResult result = records::Sync(*local.store, c.records);
    doc["store"] = FromUtf8(local.store->Where());
    doc["message"] = FromUtf8(result.message);
    doc["scalesSent"] = static_cast<qint64>(result.counts.scalesSent);
    doc["recordsSent"] = static_cast<qint64>(result.counts.recordsSent);
    doc["scalesFetched"] = static_cast<qint64>(result.counts.scalesFetched);
    doc["recordsFetched"] = static_cast<qint64>(result.counts.recordsFetched);
    if (!result.ok) {
      std::cerr << result.message << "\n";
      const bool reached = !result.message.starts_with(records::kTeamNotReached);
      return finish(reached ? kExitIndicator : kExitPort, {});
    }
    return finish(kExitOk, result.message + "\n");
  }

  Opened opened = OpenStore(c, !c.records.empty());
  if (!opened.store) return finish(opened.status, {});
  const RecordStore& store = *opened.store;
  doc["store"] = FromUtf8(store.Where());
  std::string text;
  if (action == "list") {
    const int status = c.args.size() == 1 ? ListScales(store, text, doc)
                                          : ListRecords(store, c.args[1], text, doc);
    if (status != kExitOk && !store.LastError().empty()) std::cerr << store.LastError() << "\n";
    return finish(status, text);
  }
  std::vector<Record> named;
  for (std::size_t i = 1; i < c.args.size() && !(action == "export" && i == 2); ++i) {
    std::string error;
    std::optional<Record> record = Named(store, c.args[i], error);
    if (!record) {
      std::cerr << error << "\n";
      return finish(kExitUsage, {});
    }
    named.push_back(std::move(*record));
  }
  if (action == "show") return finish(Show(store, named[0], text, doc), text);
  if (action == "diff") return finish(Diff(named[0], named[1], text, doc), text);
  // export
  std::string error;
  doc["id"] = FromUtf8(named[0].id);
  doc["file"] = FromUtf8(c.args[2]);
  if (!records::ExportRecord(named[0], *FormatOfFile(c.args[2]), c.args[2], error)) {
    std::cerr << "Record not exported: " << error << "\n";
    return finish(kExitUsage, {});
  }
  return finish(kExitOk, {});
}

KeptRecords KeepMade(const std::vector<MadeOnScale>& groups, const std::string& technician) {
  KeptRecords kept;
  const bool any = std::any_of(groups.begin(), groups.end(),
                               [](const MadeOnScale& g) { return !g.made.empty(); });
  if (!any) return kept;
  RecordStore::Opened opened = RecordStore::OpenLocal(RecordStore::DefaultFolder());
  if (!opened.store) {
    kept.error = opened.message;
    return kept;
  }
  if (!opened.message.empty()) kept.notes.push_back(opened.message);
  RecordStore& store = *opened.store;
  const records::Author author{technician, records::ThisPc()};
  // The order they were made in is the order the visits list shows them.
  auto at = std::chrono::system_clock::now();
  for (const MadeOnScale& group : groups) {
    if (group.made.empty()) continue;
    std::string scaleId;
    if (!group.scale.empty()) {
      std::optional<Scale> scale = store.FindScale(group.scale);
      if (!scale) {
        Scale added;
        const std::size_t slash = group.scale.find('/');
        added.site = group.scale.substr(0, slash);
        added.tag = group.scale.substr(slash + 1);
        std::string error;
        if (!store.AddScale(added, author, error)) {
          kept.error = std::string(records::kRecordsNotKept) + error;
          return kept;
        }
        kept.notes.push_back("A new scale " + records::ScaleName(added) +
                             " was added to the records.");
        scale = added;
      }
      scaleId = scale->id;
    }
    std::vector<Record> batch;
    for (const records::RecordContent& content : group.made) {
      Record r = records::MakeRecord(content, author, scaleId);
      r.at = records::UtcText(at);
      at += std::chrono::milliseconds(1);
      batch.push_back(std::move(r));
    }
    std::string error;
    if (!store.AddAll(batch, error)) {
      kept.error = std::string(records::kRecordsNotKept) + error;
      return kept;
    }
    kept.kept += batch.size();
  }
  return kept;
}

}  // namespace tamarack::cli
