#include "ui/wait_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>

namespace tamarack {

CWaitDlg::CWaitDlg(std::uint32_t waitMs, const QString& text, QWidget* parent)
    : CModalDlg(parent, Qt::Dialog | Qt::FramelessWindowHint), waitMs_(static_cast<int>(waitMs)) {
  setModal(true);
  setObjectName("CWaitDlg");
  // 218 x 76 dialog units at the usual 6 x 13 pixel base unit of an 8-point dialog font.
  setFixedSize(327, 124);

  text_ = new QLabel(text, this);
  text_->setGeometry(26, 31, 275, 21);
  text_->setObjectName("Wait text");
  bar_ = new QProgressBar(this);
  bar_->setGeometry(26, 67, 275, 23);
  bar_->setTextVisible(false);
  bar_->setAccessibleName("Progress");

  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &CWaitDlg::Tick);
}

QString CWaitDlg::Text() const {
  return text_->text();
}
int CWaitDlg::BarValue() const {
  return bar_->value();
}

void CWaitDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  step_ = 0;
  bar_->setRange(0, kSteps);
  bar_->setValue(0);
  timer_.start(Period());
}

int CWaitDlg::exec() {
  return QDialog::exec() == QDialog::Accepted ? 1 : 0;
}

void CWaitDlg::Tick() {
  ++step_;
  if (step_ < kSteps) {
    timer_.start(Period());
    bar_->setValue(step_);
    return;
  }
  timer_.stop();
  accept();
}

void CWaitDlg::keyPressEvent(QKeyEvent* event) {
  // No key ends the wait; QDialog would close on Escape and press a default button on Enter.
  event->accept();
}

}  // namespace tamarack
