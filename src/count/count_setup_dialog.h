#pragma once

#include "count/count_setup.h"
#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"

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
  CCountSetupDlg(SerialLink& port, const WindowServices& services, QWidget* parent = nullptr);

  void OnWrite();
  void OnRead();
  void OnAverageWeightSetup();
  void OnSave();
  void OnLoad();
  // "Exit": key code 16, then the window ends with 1.
  void OnExit();

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
  // The file dialog of Save and Load; nullopt when the user cancelled.
  std::optional<std::string> AskFileName();

  SerialLink& port_;
  WindowServices services_;
  UserFeedback& ui_;
  CountSetupModel model_;
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
