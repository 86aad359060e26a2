#include "records/service_record.h"

#include "setup/param_codec.h"
#include "setup/setup_diff.h"

namespace tamarack {
namespace {

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
  record.scaleTest = session.ScaleTest();
  return record;
}

Report ServiceRecordReport(const ServiceRecord& r) {
  Report report;
  report.title.title = "Service record";
  report.Add(ReportKeyValues{{{"Technician", r.technician},
                              {"Note", r.note},
                              {"Date", r.madeAt},
                              {"Port", r.port},
                              {"Line", r.line},
                              {"Version", r.version}}});
  report.Add(ReportHeading{"Parameters"}, ReportForms::kPdfOnly);
  ReportGrid& parameters =
      report.Add(ReportGrid{{"Parameter", "Name", "As found", "As left"}, {}, "Changed", ""});
  for (const ServiceRecord::Row& row : r.rows) {
    parameters.rows.push_back({{row.number, row.name, row.asFound, row.asLeft},
                               row.changed ? ReportMark::kChanged : ReportMark::kNone});
  }
  report.Add(ReportHeading{"Operations"}, ReportForms::kPdfOnly);
  ReportGrid& operations = report.Add(ReportGrid{{"Time", "Operation", "Result"}, {}, "", "none"});
  for (const ServiceRecord::Step& step : r.operations) {
    operations.rows.push_back({{step.time, step.operation, step.result}});
  }
  if (r.scaleTest) {
    // The certificate's own blocks under its title; its signature line is the certificate's.
    report.Add(ReportHeading{r.scaleTest->title.title});
    for (const std::string& line : r.scaleTest->title.lines) report.Add(ReportParagraph{line});
    for (const ReportBlock& block : r.scaleTest->blocks) {
      if (std::holds_alternative<ReportSignatures>(block.content)) continue;
      report.blocks.push_back(block);
    }
  }
  return report;
}

std::string ServiceRecordCsv(const ServiceRecord& record) {
  return ReportCsv(ServiceRecordReport(record));
}

}  // namespace tamarack
