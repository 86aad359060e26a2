#pragma once

#include "count/count_setup.h"
#include "link/serial_link.h"
#include "link/user_feedback.h"
#include "ui/modal_dialog.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tamarack {

// The count setup window: reads and writes the average piece weight of a count item, runs the
// average weight wizard and keeps average weights in a file. Opens with item "0" selected and
// reads nothing until asked.
class CCountSetupDlg : public CModalDlg {
  Q_OBJECT

 public:
  CCountSetupDlg(SerialLink& port, UserFeedback& ui, QWidget* parent = nullptr);

  void OnWrite();
  void OnRead();
  void OnAverageWeightSetup();
  void OnSave();
  void OnLoad();
  // "Exit": key code 16, then the window ends with 1.
  void OnExit();

  // Replaces the file dialog (tests answer without one).
  void SetFileNameAsker(const AskAwsFileName& asker) {
    saveName_ = asker;
    loadName_ = asker;
  }
  // Replaces running the wizard modally (tests); returns the wizard's result.
  using WizardRunner = std::function<int(const std::string& itemText)>;
  void SetWizardRunner(WizardRunner runner) { runWizard_ = std::move(runner); }

  QComboBox* ItemList() const { return item_; }
  QLineEdit* WeightField() const { return weight_; }
  QPushButton* WriteButton() const { return write_; }
  QPushButton* ReadButton() const { return read_; }
  QPushButton* SetupButton() const { return setup_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* LoadButton() const { return load_; }
  QPushButton* ExitButton() const { return exit_; }

 private:
  void Collect();
  void Show();
  // The file dialog of Save and Load: a save-style dialog, so that the name need not exist.
  std::optional<std::string> AskFileName();

  SerialLink& port_;
  UserFeedback& ui_;
  CountSetupModel model_;
  AskAwsFileName saveName_;
  AskAwsFileName loadName_;
  WizardRunner runWizard_;
  QComboBox* item_;
  QLineEdit* weight_;
  QPushButton* write_;
  QPushButton* read_;
  QPushButton* setup_;
  QPushButton* save_;
  QPushButton* load_;
  QPushButton* exit_;
};

}  // namespace tamarack
