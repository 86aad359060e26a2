#include "ui/qt_feedback.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/product.h"
#include "ui/text.h"
#include "ui/wait_dialog.h"

namespace tamarack {
namespace {

QString AppCaption() {
  return FromSingleByte(kProductName);
}

int Show(QWidget* owner, QMessageBox::Icon icon, const QString& caption, std::string_view text,
         QMessageBox::StandardButtons buttons) {
  // Messages are UTF-8: the port's undefined error carries a full-width colon, which single-byte
  // text has no byte for.
  QMessageBox box(icon, caption, FromUtf8(text), buttons, owner);
  return box.exec();
}

}  // namespace

QWidget* QtFeedback::Owner() const {
  if (owner_) {
    // A working window opened over the owner is the one the user looks at.
    QWidget* active = QApplication::activeModalWidget();
    return active ? active : owner_.data();
  }
  QWidget* active = QApplication::activeModalWidget();
  return active ? active : QApplication::activeWindow();
}

void QtFeedback::Success(std::string_view text) {
  Show(Owner(), QMessageBox::Information, kSuccessCaption, text, QMessageBox::Ok);
}

void QtFeedback::Failure(std::string_view text) {
  Show(Owner(), QMessageBox::Critical, AppCaption(), text, QMessageBox::Ok);
}

void QtFeedback::PortError(std::string_view text) {
  Show(Owner(), QMessageBox::NoIcon, kPortErrorCaption, text, QMessageBox::Ok);
}

void QtFeedback::SystemError(std::string_view text) {
  Show(nullptr, QMessageBox::Critical, kSystemErrorCaption, text, QMessageBox::Ok);
}

bool QtFeedback::AskYesNo(std::string_view text) {
  return Show(Owner(), QMessageBox::Question, AppCaption(), text,
              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtFeedback::AskRetryCancel(std::string_view text) {
  return Show(Owner(), QMessageBox::Question, AppCaption(), text,
              QMessageBox::Retry | QMessageBox::Cancel) == QMessageBox::Retry;
}

void QtFeedback::LongWait(std::uint32_t ms, std::string_view text) {
  CWaitDlg wait(ms, FromUtf8(text), Owner());
  wait.exec();
}

}  // namespace tamarack
