#include "records/service_record.h"

#include "setup/param_codec.h"
#include "setup/setup_diff.h"

namespace tamarack {
namespace {

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string CsvLine(std::initializer_list<std::string_view> fields) {
  std::string line;
  for (const std::string_view f : fields) {
    if (!line.empty()) line += ',';
    line += CsvField(f);
  }
  return line + "\r\n";
}

std::string Html(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\n':
        out += "<br>";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ClockText(std::time_t when) {
  return LocalTimeText(when).substr(11);
}

}  // namespace

SetupSession::SetupSession(Options options) : options_(std::move(options)) {
  if (!options_.clock) options_.clock = [] { return std::time(nullptr); };
  if (!options_.historyFolder.empty()) history_.emplace(options_.historyFolder);
  writtenSinceRead_ = true;  // nothing has been read yet
}

void SetupSession::CompleteRead(const SetupModel& model, UserFeedback& ui) {
  const ReadSnapshot snapshot{model.currentValue, options_.clock()};
  if (!first_) first_ = snapshot;
  latest_ = snapshot;
  writtenSinceRead_ = false;
  if (!history_) return;
  std::string error;
  if (!history_->Keep(model, options_.line, snapshot.at, error) && !historyFailureShown_) {
    // Once per opening: the reads themselves go on working.
    historyFailureShown_ = true;
    ui.Failure(std::string(kHistoryNotKept) + error);
  }
}

void SetupSession::Operation(OperationEntry entry) {
  // A refused value or a cancelled gate sends nothing; reading and saving change no value.
  const bool changing = entry.kind != OperationKind::kVerify && entry.kind != OperationKind::kSave;
  if (changing && entry.reachedIndicator) writtenSinceRead_ = true;
  operations_.push_back({options_.clock(), std::move(entry)});
}

ServiceRecord BuildServiceRecord(const SetupSession& session, std::string technician,
                                 std::string note, std::time_t now) {
  ServiceRecord record;
  record.technician = std::move(technician);
  record.note = std::move(note);
  record.madeAt = LocalTimeText(now);
  record.port = session.Line().port;
  record.line = session.Line().settings.Description();
  const auto& found = session.FirstRead();
  const auto& left = session.LatestRead();
  for (const SetupParam& p : SetupParams()) {
    const std::size_t r = RowIndex(p);
    ServiceRecord::Row row;
    row.number = std::string(p.displayNumber);
    row.name = std::string(p.name);
    for (char& c : row.name) {
      if (c == '\r') c = ' ';
    }
    if (found) row.asFound = found->values[r];
    if (left) row.asLeft = left->values[r];
    row.changed = found && left && ReadValuesDiffer(p, row.asFound, row.asLeft);
    if (p.kind == ParamKind::kVersion) record.version = left ? row.asLeft : row.asFound;
    record.rows.push_back(std::move(row));
  }
  for (const LoggedOperation& op : session.Operations()) {
    ServiceRecord::Step step;
    step.time = ClockText(op.at);
    step.operation = std::string(OperationName(op.entry.kind));
    if (!op.entry.subject.empty()) step.operation += " " + op.entry.subject;
    step.result = std::string(OutcomeName(op.entry.outcome));
    for (std::size_t i = 0; i < op.entry.messages.size(); ++i) {
      // A Verify's list of mismatches reads better on one line in a table cell.
      std::string message = op.entry.messages[i];
      for (char& c : message) {
        if (c == '\n') c = ';';
      }
      step.result += (i == 0 ? ": " : "; ") + message;
    }
    record.operations.push_back(std::move(step));
  }
  return record;
}

std::string ServiceRecordCsv(const ServiceRecord& r) {
  std::string csv = CsvLine({"Service record"});
  csv += CsvLine({"Technician", r.technician});
  csv += CsvLine({"Note", r.note});
  csv += CsvLine({"Date", r.madeAt});
  csv += CsvLine({"Port", r.port});
  csv += CsvLine({"Line", r.line});
  csv += CsvLine({"Version", r.version});
  csv += "\r\n";
  csv += CsvLine({"Parameter", "Name", "As found", "As left", "Changed"});
  for (const ServiceRecord::Row& row : r.rows) {
    csv += CsvLine({row.number, row.name, row.asFound, row.asLeft, row.changed ? "changed" : ""});
  }
  csv += "\r\n";
  csv += CsvLine({"Time", "Operation", "Result"});
  for (const ServiceRecord::Step& step : r.operations) {
    csv += CsvLine({step.time, step.operation, step.result});
  }
  return csv;
}

std::string ServiceRecordHtml(const ServiceRecord& r) {
  std::string html =
      "<html><body style=\"font-family: sans-serif; font-size: 8pt\">"
      "<h2>Service record</h2><table cellspacing=\"0\" cellpadding=\"1\">";
  const std::pair<const char*, const std::string*> head[] = {
      {"Technician", &r.technician}, {"Date", &r.madeAt}, {"Port", &r.port}, {"Line", &r.line},
      {"Version", &r.version},       {"Note", &r.note}};
  for (const auto& [label, value] : head) {
    html += "<tr><td><b>" + std::string(label) + "</b></td><td>" + Html(*value) + "</td></tr>";
  }
  html +=
      "</table><h3>Parameters</h3>"
      "<table border=\"1\" cellspacing=\"0\" cellpadding=\"1\" width=\"100%\">"
      "<tr><th>Parameter</th><th>Name</th><th>As found</th><th>As left</th><th>Changed</th></tr>";
  for (const ServiceRecord::Row& row : r.rows) {
    html += row.changed ? "<tr style=\"background-color: #ffe4b5; font-weight: bold\">" : "<tr>";
    html += "<td>" + Html(row.number) + "</td><td>" + Html(row.name) + "</td><td>" +
            Html(row.asFound) + "</td><td>" + Html(row.asLeft) + "</td><td>" +
            (row.changed ? "changed" : "") + "</td></tr>";
  }
  html +=
      "</table><h3>Operations</h3>"
      "<table border=\"1\" cellspacing=\"0\" cellpadding=\"1\" width=\"100%\">"
      "<tr><th>Time</th><th>Operation</th><th>Result</th></tr>";
  if (r.operations.empty()) html += "<tr><td colspan=\"3\">none</td></tr>";
  for (const ServiceRecord::Step& step : r.operations) {
    html += "<tr><td>" + Html(step.time) + "</td><td>" + Html(step.operation) + "</td><td>" +
            Html(step.result) + "</td></tr>";
  }
  return html + "</table></body></html>";
}

}  // namespace tamarack
