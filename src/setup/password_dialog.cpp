#include "setup/password_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/text.h"

namespace tamarack {

CPasswordDlg::CPasswordDlg(const WindowServices& services, QWidget* parent)
    : CModalDlg(parent), ui_(services.feedback) {
  SetTitle("PassWord");
  auto* label = new QLabel("PassWord", this);
  field_ = new QLineEdit(this);
  field_->setEchoMode(QLineEdit::Password);
  field_->setAccessibleName("PassWord");
  label->setBuddy(field_);
  ok_ = MakeButton("OK", this);
  connect(ok_, &QPushButton::clicked, this, &CPasswordDlg::OnOk);

  auto* entry = new QHBoxLayout;
  entry->addWidget(label);
  entry->addWidget(field_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(entry);
  layout->addLayout(buttons);
  setMinimumWidth(420);
  field_->setFocus();
}

void CPasswordDlg::OnOk() {
  // The whole entry, byte for byte: blanks and letter case count.
  if (field_->text() == FromSingleByte(kAccessCode)) {
    done(kCodeAccepted);
    return;
  }
  if (ui_.AskRetryCancel(kPasswordError)) {
    field_->clear();
    field_->setFocus();
  } else {
    done(kGaveUp);
  }
}

}  // namespace tamarack
