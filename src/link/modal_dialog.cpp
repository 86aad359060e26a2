#include "link/modal_dialog.h"

#include <QKeyEvent>
#include <QPushButton>

namespace tamarack {

CModalDlg::CModalDlg(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {
  // Modal to the window that opened it and that one's openers only, so that tool windows such as
  // the simulated scale stay usable beside a working window.
  setWindowModality(Qt::WindowModal);
}

void CModalDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      reject();
      event->accept();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* MakeButton(const QString& caption, QWidget* parent, const QString& accessibleName) {
  auto* button = new QPushButton(caption, parent);
  button->setAccessibleName(accessibleName.isEmpty() ? caption : accessibleName);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace tamarack
