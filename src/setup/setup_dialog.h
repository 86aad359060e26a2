#pragma once

#include <QString>
#include <array>
#include <functional>

#include "link/serial_link.h"
#include "link/user_feedback.h"
#include "setup/param_table.h"
#include "setup/setup_model.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace tamarack {

class ToolTipRelay;

// The buttons of the setup window that act on the whole setup.
enum class SetupButton {
  kReadAll,
  kRestore,
  kSaveToFile,
  kLoadFromFile,
  kSetDefault,
  kWriteAll,
  kSave,
  kCalibration,
  kExit,
};
inline constexpr std::size_t kSetupButtonCount = 9;

// The parameter setup window "SETUP": every parameter twice, as the indicator's current value
// (greyed) and as an editable new value with its own Write button, plus the operations on the
// whole setup. All rows are built from the parameter table. The window only moves texts between
// its widgets and the SetupModel; the handlers do the work.
class CSetupDlg : public CModalDlg {
  Q_OBJECT

 public:
  // `port` is the main window's open port, borrowed for the window's life.
  CSetupDlg(SerialLink& port, const WindowServices& services, QWidget* parent = nullptr);
  ~CSetupDlg() override;

  // The two exchanges between the widgets and the model.
  void Collect();
  void Show();

  // The handlers behind the buttons.
  void OnReadAll();
  void OnWrite(const SetupParam& param);
  void OnExit();
  void OnWriteAll();
  void OnSetDefault();
  void OnSave();
  void OnRestore();
  void OnSaveToFile();
  void OnLoadFromFile();
  void OnCalibration();

  const SetupModel& Model() const { return model_; }
  // The widgets of row `row` (table order); NewField and WriteButton are null for F7.3.
  QLineEdit* CurrentField(std::size_t row) const { return current_[row]; }
  QWidget* NewField(std::size_t row) const { return editable_[row]; }
  QPushButton* WriteButton(std::size_t row) const { return write_[row]; }
  QPushButton* Button(SetupButton which) const { return buttons_[static_cast<std::size_t>(which)]; }
  QLabel* CaptionLabel() const { return caption_; }
  const ToolTipRelay& Relay() const { return *relay_; }

 private:
  void Build();
  QWidget* BuildCurrentGroups();
  QWidget* BuildEditableGroups();
  QWidget* MakeEditable(const SetupParam& param, QWidget* parent);
  void RegisterTips();
  // Collects, runs `handler` over the model, and shows the model back.
  void Run(const std::function<void()>& handler);

  SerialLink& port_;
  WindowServices services_;
  UserFeedback& ui_;
  SetupModel model_;
  std::array<QLineEdit*, kSetupParamCount> current_{};
  std::array<QWidget*, kSetupParamCount> editable_{};
  std::array<QPushButton*, kSetupParamCount> write_{};
  std::array<QLineEdit*, kSetupParamCount> numberField_{};
  std::array<QComboBox*, kSetupParamCount> choiceList_{};
  QDateEdit* date_ = nullptr;
  QTimeEdit* time_ = nullptr;
  std::array<QPushButton*, kSetupButtonCount> buttons_{};
  QLabel* caption_ = nullptr;
  ToolTipRelay* relay_ = nullptr;
};

}  // namespace tamarack
