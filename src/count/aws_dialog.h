#pragma once

#include <string>

#include "count/aws_wizard.h"
#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tamarack {

class ToolTipRelay;

// The average weight setup wizard: three steps through which the indicator works out an item's
// average piece weight from a counted sample. Ends with 1 when the last step succeeded, 0 on
// "Exit".
class CAwsDlg : public CModalDlg {
  Q_OBJECT

 public:
  CAwsDlg(SerialLink& port, const WindowServices& services, std::string itemText,
          QWidget* parent = nullptr);

  // The action button ("Zero", "Sample Quantity", "Confirming").
  void OnAction();
  // "Exit": ends with 0; nothing is sent.
  void OnExit();

  const AwsModel& Model() const { return model_; }
  QLabel* Prompt() const { return prompt_; }
  QLineEdit* ItemField() const { return item_; }
  QComboBox* QuantityList() const { return quantity_; }
  QPushButton* ActionButton() const { return action_; }
  QPushButton* ExitButton() const { return exit_; }
  const ToolTipRelay& Relay() const { return *relay_; }

 private:
  void Show();

  SerialLink& port_;
  UserFeedback& ui_;
  AwsModel model_;
  QLabel* prompt_;
  QLineEdit* item_;
  QComboBox* quantity_;
  QPushButton* action_;
  QPushButton* exit_;
  ToolTipRelay* relay_;  // a child of the window
};

}  // namespace tamarack
