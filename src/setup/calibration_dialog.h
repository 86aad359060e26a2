#pragma once

#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "setup/calibration.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tamarack {

// The calibration wizard: one window that leads through zero, test weight, span and re-zero on the
// port the setup window holds. Ends with kFinished once the span has been captured (by a
// successful re-zero or by "Exit" after it), kNotFinished otherwise.
class CCalibrationDlg : public CModalDlg {
  Q_OBJECT

 public:
  static constexpr int kNotFinished = 0;
  static constexpr int kFinished = 1;

  CCalibrationDlg(SerialLink& port, const WindowServices& services, QWidget* parent = nullptr);

  // The action button: performs the step its caption names.
  void OnAction();
  // "Exit".
  void OnExit();

  const CalibrationModel& Model() const { return model_; }
  QLabel* Prompt() const { return prompt_; }
  QLineEdit* TestWeightField() const { return testWeight_; }
  QPushButton* ActionButton() const { return action_; }
  QPushButton* ExitButton() const { return exit_; }

 private:
  void Show();

  SerialLink& port_;
  UserFeedback& ui_;
  CalibrationModel model_;
  QLabel* prompt_;
  QLineEdit* testWeight_;
  QPushButton* action_;
  QPushButton* exit_;
};

}  // namespace tamarack
