#include "ui/file_dialog.h"

#include <QDateTime>
#include <QFileDialog>
#include <QRegularExpression>

namespace tamarack {
namespace {

void SetUp(QFileDialog& dialog, const FileDialogSetup& setup, bool forSaving) {
  dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !setup.confirmOverwrite);
  dialog.setDefaultSuffix(setup.defaultSuffix);
  dialog.setNameFilters(setup.nameFilters);
  dialog.selectFile(setup.initialName);
  if (!setup.caption.isEmpty()) dialog.setWindowTitle(setup.caption);
}

// "csv" of "CSV files (*.csv)"; empty for a filter of several patterns or of any name.
QString SuffixOf(const QString& filter) {
  static const QRegularExpression single(R"(\(\*\.(\w+)\)$)");
  const QRegularExpressionMatch match = single.match(filter);
  return match.hasMatch() ? match.captured(1) : QString();
}

QString Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace

QString RunOpenFileDialog(QWidget* parent, const FileDialogSetup& setup) {
  QFileDialog dialog(parent);
  SetUp(dialog, setup, false);
  return Chosen(dialog);
}

QString RunSaveFileDialog(QWidget* parent, const FileDialogSetup& setup) {
  QFileDialog dialog(parent);
  SetUp(dialog, setup, true);
  // The suffix is added before the dialog closes, so that replacing the file is asked about.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
    const QString suffix = SuffixOf(filter);
    dialog.setDefaultSuffix(suffix.isEmpty() ? setup.defaultSuffix : suffix);
  });
  return Chosen(dialog);
}

FileDialogSetup ReportFileDialog(const QString& stem, bool pdf, std::time_t made) {
  FileDialogSetup setup;
  setup.nameFilters = {pdf ? "PDF (*.pdf)" : "CSV (*.csv)"};
  setup.defaultSuffix = pdf ? "pdf" : "csv";
  setup.initialName =
      QString("%1_%2.%3")
          .arg(stem, QDateTime::fromSecsSinceEpoch(made).toString("yyyyMMdd-HHmmss"),
               setup.defaultSuffix);
  return setup;
}

}  // namespace tamarack
