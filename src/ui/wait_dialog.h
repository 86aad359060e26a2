#pragma once

#include <QString>
#include <QTimer>
#include <cstdint>

#include "ui/modal_dialog.h"

class QLabel;
class QProgressBar;

namespace tamarack {

// The small window shown during a long wait of an exchange: one line of text and a bar that fills
// in twenty steps of waitMs / 20. Only its own timer ends it; Enter and Escape do nothing, and it
// has no caption bar.
class CWaitDlg : public CModalDlg {
  Q_OBJECT

 public:
  static constexpr int kSteps = 20;

  // A wait of `waitMs` that says `text`.
  explicit CWaitDlg(std::uint32_t waitMs, const QString& text = QString(),
                    QWidget* parent = nullptr);

  // The period of one step: waitMs / 20, integer division.
  int Period() const { return waitMs_ / kSteps; }
  int Step() const { return step_; }
  QString Text() const;
  int BarValue() const;

  // Runs the window modally; returns 1 when the twenty steps have passed.
  int exec() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Tick();

  int waitMs_;
  int step_ = 0;
  QLabel* text_;
  QProgressBar* bar_;
  QTimer timer_;
};

}  // namespace tamarack
