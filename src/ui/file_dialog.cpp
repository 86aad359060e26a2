#include "ui/file_dialog.h"

#include <QFileDialog>

namespace tamarack {
namespace {

void SetUp(QFileDialog& dialog, const FileDialogSetup& setup) {
  dialog.setAcceptMode(setup.forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !setup.confirmOverwrite);
  dialog.setDefaultSuffix(setup.defaultSuffix);
  dialog.setNameFilters(setup.nameFilters);
  dialog.selectFile(setup.initialName);
}

}  // namespace

QString RunFileDialog(QWidget* parent, const FileDialogSetup& setup) {
  QFileDialog dialog(parent);
  SetUp(dialog, setup);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace tamarack
