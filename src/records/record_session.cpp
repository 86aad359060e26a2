#include "records/record_session.h"

#include "records/record_collector.h"

namespace tamarack::records {

RecordSession::RecordSession(RecordKeeper* keeper, UserFeedback& ui, ScaleAsker ask)
    : keeper_(keeper), ui_(ui), ask_(std::move(ask)) {}

RecordSession::~RecordSession() {
  KeepWaiting();
}

void RecordSession::Add(RecordContent content) {
  if (!Keeping()) return;
  Record record;
  record.id = NewId();
  record.at = UtcNow();
  // The visits list goes by time: what one opening keeps within a millisecond keeps its order.
  if (const auto now = ParseUtc(record.at), before = ParseUtc(lastAt_);
      now && before && *now <= *before) {
    record.at = UtcText(*before + std::chrono::milliseconds(1));
  }
  lastAt_ = record.at;
  record.content = std::move(content);
  waiting_.push_back(std::move(record));
}

void RecordSession::Settle() {
  if (waiting_.empty() || !Keeping()) return;
  if (!asked_) {
    asked_ = true;
    ScaleQuestion question;
    question.what = Summarize(waiting_.front()).what;
    for (const Record& r : waiting_) {
      if (const auto* read = std::get_if<ReadContent>(&r.content)) {
        question.proposed = keeper_->Store()->ProposeScale(*read);
        break;
      }
    }
    if (ask_) scaleId_ = ask_(question);
  }
  KeepWaiting();
}

void RecordSession::KeepWaiting() {
  if (waiting_.empty() || !Keeping()) return;
  std::vector<Record> records = std::move(waiting_);
  waiting_.clear();
  const Author author = keeper_->Who();
  for (Record& r : records) {
    r.technician = author.technician;
    r.pc = author.pc;
    r.scaleId = scaleId_;
  }
  if (!keeper_->Keep(records, ui_)) return;
  for (const Record& r : records) kept_.push_back(r.id);
}

void KeepCertificate(RecordKeeper& keeper, UserFeedback& ui, const ScaleAsker& ask,
                     CertificateContent certificate) {
  RecordSession test(&keeper, ui, ask);
  test.Add(std::move(certificate));
  test.Settle();
}

SetupRecorder::SetupRecorder(SetupJournal& inner, RecordSession& records, PortLine line)
    : inner_(inner), records_(records), line_(std::move(line)) {}

void SetupRecorder::CompleteRead(const SetupModel& model, UserFeedback& ui) {
  inner_.CompleteRead(model, ui);
  records_.Add(ReadOf(model, line_));
}

void SetupRecorder::Operation(OperationEntry entry) {
  records_.Add(FromOperation(entry, line_.port));
  inner_.Operation(std::move(entry));
}

void SetupRecorder::ServiceRecordSaved(const ServiceRecord& record, std::string pdf) {
  ServiceRecord same = record;
  same.madeAt.clear();
  std::string key = ServiceRecordCsv(same);
  if (key == lastService_) return;
  lastService_ = std::move(key);
  records_.Add(ServiceRecordContent{record, std::move(pdf)});
  records_.Settle();
}

}  // namespace tamarack::records
