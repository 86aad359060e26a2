#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "feedback/user_feedback.h"
#include "link/line_settings.h"
#include "records/operation_log.h"
#include "records/record.h"
#include "records/record_keeper.h"
#include "records/service_record.h"

namespace tamarack::records {

// What the question "which scale is this?" is asked with.
struct ScaleQuestion {
  // The scale whose latest read has the fingerprint of the read being kept, for the technician to
  // confirm; nothing when none has (or nothing was read).
  std::optional<Scale> proposed;
  // What is being kept, as the list of visits will say it: "Read All on COM1".
  std::string what;
};
// The technician's answer: the id of the scale (a known one, or one just added), or empty for
// "not now": the records then stay on no scale until one is given in the Records window.
using ScaleAsker = std::function<std::string(const ScaleQuestion& question)>;

// One opening of a window that makes records (the setup window, a verification): the first time
// it has something to keep it asks once which scale that is, and keeps everything of the opening
// on the answer. Records made meanwhile wait for Settle, so that the question comes after the
// operation's own messages, never in the middle of them. With no store nothing is asked or kept.
class RecordSession {
 public:
  // `keeper` may be null: nothing is kept then.
  RecordSession(RecordKeeper* keeper, UserFeedback& ui, ScaleAsker ask);
  // Keeps what is still waiting, on the scale chosen or on none, without asking.
  ~RecordSession();
  RecordSession(const RecordSession&) = delete;
  RecordSession& operator=(const RecordSession&) = delete;

  bool Keeping() const { return keeper_ != nullptr && keeper_->Store() != nullptr; }
  // Made now, with the time now; kept at the next Settle.
  void Add(RecordContent content);
  // Asks which scale, the first time there is something to keep, then keeps what waits.
  void Settle();

  bool Asked() const { return asked_; }
  // The scale of this opening's records; empty: none (not asked yet, or "not now").
  const std::string& ScaleId() const { return scaleId_; }
  // The ids of the records kept so far, oldest first.
  const std::vector<std::string>& Kept() const { return kept_; }

 private:
  void KeepWaiting();

  RecordKeeper* keeper_;
  UserFeedback& ui_;
  ScaleAsker ask_;
  bool asked_ = false;
  std::string scaleId_;
  std::vector<Record> waiting_;
  std::string lastAt_;
  std::vector<std::string> kept_;
};

// A finished test's certificate, kept on the scale the technician names: one test is one
// opening, so the question is asked for it alone (proposing no scale: a certificate has no
// fingerprint). Where the program hands on every finished certificate, it calls this.
void KeepCertificate(RecordKeeper& keeper, UserFeedback& ui, const ScaleAsker& ask,
                     CertificateContent certificate);

// The setup window's journal when records are kept: passes everything on to `inner` (the
// session the service record is made from) and makes a record of each complete read, with the
// line it came over, and of each operation with its outcome.
class SetupRecorder : public SetupJournal {
 public:
  SetupRecorder(SetupJournal& inner, RecordSession& records, PortLine line);

  void CompleteRead(const SetupModel& model, UserFeedback& ui) override;
  void Operation(OperationEntry entry) override;
  // A service record saved from this opening, with its PDF. Saving the same record again (as CSV
  // after the PDF) keeps nothing new.
  void ServiceRecordSaved(const ServiceRecord& record, std::string pdf);

 private:
  SetupJournal& inner_;
  RecordSession& records_;
  PortLine line_;
  std::string lastService_;
};

}  // namespace tamarack::records
