#include "ui/modal_dialog.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "ui/accessible.h"
#include "ui/fit_screen.h"
#include "ui/product.h"
#include "ui/text.h"

namespace tamarack {

CModalDlg::CModalDlg(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {
  // A window opened from another blocks the windows that led to it, and only those: the tool
  // windows (Traffic) stay usable meanwhile. Without an owner it blocks the whole program.
  if (parent != nullptr) setWindowModality(Qt::WindowModal);
  KeepAccessible(this);
}

void TitleWindow(QWidget& window, std::string_view name) {
  window.setWindowTitle(FromUtf8(WindowTitle(name)));
}

void CModalDlg::SetTitle(std::string_view name) {
  TitleWindow(*this, name);
}

void CModalDlg::setVisible(bool visible) {
  if (visible && !fitted_) {
    fitted_ = true;
    FitToScreen(*this, UsableArea(*this));
  }
  QDialog::setVisible(visible);
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

QPushButton* MakeButton(const QString& caption, QWidget* parent, const QString& accessibleName) {
  auto* button = new QPushButton(caption, parent);
  button->setAccessibleName(accessibleName.isEmpty() ? caption : accessibleName);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

QLineEdit* MakeField(const QString& name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setAccessibleName(name);
  return field;
}

}  // namespace tamarack
