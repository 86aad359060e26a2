#pragma once

#include <QString>
#include <QStringList>
#include <ctime>

class QWidget;

namespace tamarack {

// How a window's open or save dialog is set up. Every file dialog of the program accepts a name
// that does not exist yet: saving creates it, loading reads it as an empty file.
struct FileDialogSetup {
  QStringList nameFilters;
  QString defaultSuffix;
  QString initialName;
  // Qt asks before a save replaces an existing file; windows whose save keeps what the file holds,
  // or replaces it as a matter of course, turn the question off.
  bool confirmOverwrite = true;
  // The dialog's title; Qt's own when empty.
  QString caption;
};

// The save dialog of a report, as PDF or as CSV, named for what it holds and when it was made:
// "Certificate_20261207-093045.pdf".
FileDialogSetup ReportFileDialog(const QString& stem, bool pdf, std::time_t made);

// Run the dialog modally over `parent`: the chosen name, or an empty text when the user cancelled.
QString RunOpenFileDialog(QWidget* parent, const FileDialogSetup& setup);
// In a save dialog a name typed without a suffix takes that of the filter chosen ("*.csv"), or
// the default suffix under a filter without one.
QString RunSaveFileDialog(QWidget* parent, const FileDialogSetup& setup);

}  // namespace tamarack
