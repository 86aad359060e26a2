#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace tamarack {

// How a window's open or save dialog is set up. Every file dialog of the program accepts a name
// that does not exist yet: saving creates it, loading reads it as an empty file.
struct FileDialogSetup {
  bool forSaving = false;
  QStringList nameFilters;
  QString defaultSuffix;
  QString initialName;
  // Qt asks before a save replaces an existing file; windows whose save keeps what the file holds,
  // or replaces it as a matter of course, turn the question off.
  bool confirmOverwrite = true;
};

// Runs the dialog modally over `parent`: the chosen name, or an empty text when the user cancelled.
QString RunFileDialog(QWidget* parent, const FileDialogSetup& setup);

}  // namespace tamarack
