#include "records/service_record_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "records/report_pdf.h"
#include "ui/text.h"

namespace tamarack {
namespace {

bool Saved(const FileResult& result, QString& error) {
  if (!result.ok()) error = FromUtf8(FailureText(result));
  return result.ok();
}

}  // namespace

bool WriteServiceRecordPdf(const ServiceRecord& record, const QString& path, QString& error) {
  return Saved(WriteReportPdf(ServiceRecordReport(record), NativePath(path)), error);
}

bool WriteServiceRecordCsv(const ServiceRecord& record, const QString& path, QString& error) {
  return Saved(WriteReportCsv(ServiceRecordReport(record), NativePath(path)), error);
}

CServiceRecordDlg::CServiceRecordDlg(const SetupSession& session, const WindowServices& services,
                                     QWidget* parent)
    : CModalDlg(parent), session_(session), services_(services), ui_(services_.feedback) {
  setObjectName("CServiceRecordDlg");
  SetTitle("Service Record");

  technician_ = new QLineEdit(this);
  technician_->setAccessibleName("Technician");
  note_ = new QPlainTextEdit(this);
  note_->setAccessibleName("Note");
  // Tab goes on to the buttons: a keyboard could not leave the note otherwise.
  note_->setTabChangesFocus(true);
  note_->setMinimumSize(360, 90);

  const ServiceRecord preview = BuildServiceRecord(session_, "", "", session_.Now());
  const auto changed = std::ranges::count_if(preview.rows, [](const auto& r) { return r.changed; });
  QString summary;
  if (!session_.FirstRead()) {
    summary = "No complete Read All in this opening: the parameter table stays empty.";
  } else {
    summary = QString("As found %1, as left %2; %3 changed, %4 operations.")
                  .arg(FromUtf8(LocalTimeText(session_.FirstRead()->at)),
                       FromUtf8(LocalTimeText(session_.LatestRead()->at)))
                  .arg(changed)
                  .arg(preview.operations.size());
  }
  auto* summaryLabel = new QLabel(summary, this);
  summaryLabel->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow("Technician", technician_);
  form->addRow("Note", note_);
  form->addRow("Port", new QLabel(FromUtf8(preview.port + "  " + preview.line), this));
  form->addRow("Version", new QLabel(FromUtf8(preview.version), this));

  savePdf_ = MakeButton("Save PDF…", this);
  saveCsv_ = MakeButton("Save CSV…", this);
  close_ = MakeButton("Close", this);
  connect(savePdf_, &QPushButton::clicked, this, &CServiceRecordDlg::OnSavePdf);
  connect(saveCsv_, &QPushButton::clicked, this, &CServiceRecordDlg::OnSaveCsv);
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(savePdf_);
  buttons->addWidget(saveCsv_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(summaryLabel);
  layout->addLayout(buttons);
}

ServiceRecord CServiceRecordDlg::Record() const {
  return BuildServiceRecord(session_, ToUtf8(technician_->text()), ToUtf8(note_->toPlainText()),
                            session_.Now());
}

void CServiceRecordDlg::OnSavePdf() {
  Save(true);
}
void CServiceRecordDlg::OnSaveCsv() {
  Save(false);
}

void CServiceRecordDlg::Save(bool pdf) {
  const QString path =
      services_.pickSaveFile(this, ReportFileDialog("ServiceRecord", pdf, services_.clock.Now()));
  if (path.isEmpty()) return;
  const ServiceRecord record = Record();
  QString error;
  const bool ok =
      pdf ? WriteServiceRecordPdf(record, path, error) : WriteServiceRecordCsv(record, path, error);
  if (!ok) {
    ui_.Failure(std::string(kRecordNotSaved) + ToUtf8(error));
    return;
  }
  if (onSaved_) onSaved_(record, ReportPdf(ServiceRecordReport(record)));
}

}  // namespace tamarack
