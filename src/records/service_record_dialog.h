#pragma once

#include <QString>
#include <functional>
#include <string>

#include "feedback/user_feedback.h"
#include "records/service_record.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tamarack {

// Writes the record as a PDF (Qt's own writer, A4) or as CSV (UTF-8), each atomically: an existing
// file is replaced only by a complete new one. False with `error` saying why.
bool WriteServiceRecordPdf(const ServiceRecord& record, const QString& path, QString& error);
bool WriteServiceRecordCsv(const ServiceRecord& record, const QString& path, QString& error);

// "Service Record": the technician's name and a note, then the record of this opening of the
// setup window saved as PDF or CSV. A file that cannot be written says so and the window stays.
class CServiceRecordDlg : public CModalDlg {
  Q_OBJECT

 public:
  CServiceRecordDlg(const SetupSession& session, const WindowServices& services,
                    QWidget* parent = nullptr);

  void OnSavePdf();
  void OnSaveCsv();

  // Told of each record saved, with its PDF's bytes, so that it is kept in the records too.
  using SavedHook = std::function<void(const ServiceRecord& record, std::string pdf)>;
  void SetOnSaved(SavedHook hook) { onSaved_ = std::move(hook); }

  // The record as it would be saved now.
  ServiceRecord Record() const;
  QLineEdit* TechnicianField() const { return technician_; }
  QPlainTextEdit* NoteField() const { return note_; }
  QPushButton* SavePdfButton() const { return savePdf_; }
  QPushButton* SaveCsvButton() const { return saveCsv_; }
  QPushButton* CloseButton() const { return close_; }

 private:
  void Save(bool pdf);

  const SetupSession& session_;
  WindowServices services_;
  UserFeedback& ui_;
  QLineEdit* technician_;
  QPlainTextEdit* note_;
  QPushButton* savePdf_;
  QPushButton* saveCsv_;
  QPushButton* close_;
  SavedHook onSaved_;
};

}  // namespace tamarack
