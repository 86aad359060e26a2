#include "setup/service_record_dialog.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "link/product.h"

namespace tamarack {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString AskPath(QWidget* parent, const QString& suggested, const QString& filter) {
  return QFileDialog::getSaveFileName(parent, "Service Record", suggested, filter);
}

// Opens `path` for an atomic replace. TODO(files): ReplaceFile once it takes a stream.
bool Open(QSaveFile& file, QString& error) {
  if (file.open(QIODevice::WriteOnly)) return true;
  error = file.errorString();
  return false;
}

bool Commit(QSaveFile& file, QString& error) {
  if (file.commit()) return true;
  error = file.errorString();
  return false;
}

}  // namespace

bool WriteServiceRecordPdf(const ServiceRecord& record, const QString& path, QString& error) {
  QSaveFile file(path);
  if (!Open(file, error)) return false;
  {
    QPdfWriter writer(&file);
    writer.setTitle("Service record");
    writer.setCreator(Q(std::string(kProductName)));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    QTextDocument document;
    document.setHtml(Q(ServiceRecordHtml(record)));
    // A glyph the fonts lack shows as a box; the text itself is kept.
    document.print(&writer);
  }
  return Commit(file, error);
}

bool WriteServiceRecordCsv(const ServiceRecord& record, const QString& path, QString& error) {
  QSaveFile file(path);
  if (!Open(file, error)) return false;
  const std::string csv = ServiceRecordCsv(record);
  if (file.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size())) {
    error = file.errorString();
    file.cancelWriting();
    return false;
  }
  return Commit(file, error);
}

CServiceRecordDlg::CServiceRecordDlg(const SetupSession& session, UserFeedback& ui, Hooks hooks,
                                     QWidget* parent)
    : CModalDlg(parent), session_(session), ui_(ui), hooks_(std::move(hooks)) {
  if (!hooks_.askPdfPath) {
    hooks_.askPdfPath = [](QWidget* owner, const QString& suggested) {
      return AskPath(owner, suggested, "PDF (*.pdf)");
    };
  }
  if (!hooks_.askCsvPath) {
    hooks_.askCsvPath = [](QWidget* owner, const QString& suggested) {
      return AskPath(owner, suggested, "CSV (*.csv)");
    };
  }
  setObjectName("CServiceRecordDlg");
  setWindowTitle(Q(WindowTitle("Service Record")));

  technician_ = new QLineEdit(this);
  technician_->setAccessibleName("Technician");
  note_ = new QPlainTextEdit(this);
  note_->setAccessibleName("Note");
  note_->setMinimumSize(360, 90);

  const ServiceRecord preview = BuildServiceRecord(session_, "", "", session_.Now());
  const auto changed = std::ranges::count_if(preview.rows, [](const auto& r) { return r.changed; });
  QString summary;
  if (!session_.FirstRead()) {
    summary = "No complete Read All in this opening: the parameter table stays empty.";
  } else {
    summary = QString("As found %1, as left %2; %3 changed, %4 operations.")
                  .arg(Q(LocalTimeText(session_.FirstRead()->at)),
                       Q(LocalTimeText(session_.LatestRead()->at)))
                  .arg(changed)
                  .arg(preview.operations.size());
  }
  auto* summaryLabel = new QLabel(summary, this);
  summaryLabel->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow("Technician", technician_);
  form->addRow("Note", note_);
  form->addRow("Port", new QLabel(Q(preview.port + "  " + preview.line), this));
  form->addRow("Version", new QLabel(Q(preview.version), this));

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
  return BuildServiceRecord(session_, technician_->text().toStdString(),
                            note_->toPlainText().toStdString(), session_.Now());
}

void CServiceRecordDlg::OnSavePdf() {
  Save(true);
}
void CServiceRecordDlg::OnSaveCsv() {
  Save(false);
}

void CServiceRecordDlg::Save(bool pdf) {
  const QString suggested =
      QString("ServiceRecord_%1.%2")
          .arg(QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss"), pdf ? "pdf" : "csv");
  const QString path = (pdf ? hooks_.askPdfPath : hooks_.askCsvPath)(this, suggested);
  if (path.isEmpty()) return;
  const ServiceRecord record = Record();
  QString error;
  const bool ok =
      pdf ? WriteServiceRecordPdf(record, path, error) : WriteServiceRecordCsv(record, path, error);
  if (!ok) ui_.Failure(std::string(kRecordNotSaved) + error.toStdString());
}

}  // namespace tamarack
