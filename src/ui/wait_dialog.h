#pragma once

#include <QTimer>

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
  // The text of the window as it is built; shown for any id outside 0..5.
  static constexpr const char* kTemplateText = "WZERO Processing , Please Wait...";

  explicit CWaitDlg(int waitTextId, QWidget* parent = nullptr);

  void SetWaitMs(int waitMs) { waitMs_ = waitMs; }
  int WaitMs() const { return waitMs_; }
  // The period of one step: waitMs / 20, integer division.
  int Period() const { return waitMs_ / kSteps; }
  int Step() const { return step_; }
  QString Text() const;
  int BarValue() const;

  // The text for an id, or nullptr when the id leaves the template's text in place.
  static const char* TextFor(int waitTextId);

  // Runs the window modally; returns 1 when the twenty steps have passed.
  int exec() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Tick();

  int waitTextId_;
  int waitMs_ = 0;
  int step_ = 0;
  QLabel* text_;
  QProgressBar* bar_;
  QTimer timer_;
};

}  // namespace tamarack
