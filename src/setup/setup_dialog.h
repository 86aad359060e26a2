#pragma once

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "records/service_record.h"
#include "records/setup_history.h"
#include "setup/param_table.h"
#include "setup/setup_handlers.h"
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

namespace records {
class RecordSession;
class SetupRecorder;
}  // namespace records

class ProgressLine;
class ToolTipRelay;

// Asked after a finished calibration when the window can run the scale test.
inline constexpr std::string_view kTestAfterCalibration =
    "Test the scale with certified weights now?";

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
  // What the setup window takes beyond the services every window gets: the port and its line
  // settings and where the history of reads is kept.
  struct Options {
    // The port and its line settings, for the history and the service record.
    PortLine line;
    // Where every complete read is kept; unset: "history" in the user's data folder; empty: none.
    std::optional<QString> historyFolder;
    // Runs the Test Scale window over this opening's session, which keeps the test for the
    // service record; empty: the window has no Test Scale button and offers no test.
    std::function<void(QWidget* parent, SetupSession& session)> runTestScale;
  };

  // `port` is the main window's open port, borrowed for the window's life.
  CSetupDlg(SerialLink& port, const WindowServices& services, QWidget* parent = nullptr);
  CSetupDlg(SerialLink& port, const WindowServices& services, Options options,
            QWidget* parent = nullptr);
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
  // Safe changes.
  void OnCopyCurrent();
  void OnVerify();
  void OnHistory();
  void OnServiceRecord();
  void OnTestScale();

  const SetupModel& Model() const { return model_; }
  // The widgets of row `row` (table order); NewField and WriteButton are null for F7.3.
  QLineEdit* CurrentField(std::size_t row) const { return current_[row]; }
  QWidget* NewField(std::size_t row) const { return editable_[row]; }
  QPushButton* WriteButton(std::size_t row) const { return write_[row]; }
  QPushButton* Button(SetupButton which) const { return buttons_[static_cast<std::size_t>(which)]; }
  QLabel* CaptionLabel() const { return caption_; }
  QPushButton* CopyCurrentButton() const { return copyCurrent_; }
  QPushButton* VerifyButton() const { return verify_; }
  QPushButton* HistoryButton() const { return history_; }
  QPushButton* ServiceRecordButton() const { return serviceRecord_; }
  QPushButton* TestScaleButton() const { return testScale_; }
  // "12 parameters differ from the indicator", beside the editable column's caption.
  QLabel* DifferencesLabel() const { return differences_; }
  // The label with the display number beside row `row`'s editable element (null for F7.3).
  QLabel* EditableLabel(std::size_t row) const { return editLabel_[row]; }
  const SetupSession& Session() const { return *session_; }
  // This opening's records; null when the program keeps none.
  const records::RecordSession* Records() const { return records_.get(); }
  const ToolTipRelay& Relay() const { return *relay_; }
  // "Reading F3.2 — 19 of 33" while a Read All or a Verify runs longer than half a second.
  ProgressLine* Progress() const { return progress_; }

 private:
  void Build();
  QWidget* BuildCurrentGroups();
  QWidget* BuildEditableGroups();
  QWidget* MakeEditable(const SetupParam& param, QWidget* parent);
  void RegisterTips();
  // Collects, runs `handler` over the model, and shows the model back; then, unless told not to,
  // keeps the records it made.
  void Run(const std::function<void()>& handler, bool settle = true);
  void CollectInto(SetupModel& model) const;
  // Marks the fields that differ from the indicator, as the widgets show them now.
  void UpdateMarks();
  // Keeps what the last operation made (asking the scale the first time).
  void SettleRecords();
  // Starts the progress line and gives the reads its steps, each as "`action` F3.2 — 19 of 33".
  ReadProgress TrackReads(const QString& action);

  SerialLink& port_;
  WindowServices services_;
  UserFeedback& ui_;
  Options options_;
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
  std::unique_ptr<SetupSession> session_;
  std::unique_ptr<records::RecordSession> records_;
  std::unique_ptr<records::SetupRecorder> recorder_;
  QPushButton* copyCurrent_ = nullptr;
  QPushButton* verify_ = nullptr;
  QPushButton* history_ = nullptr;
  QPushButton* serviceRecord_ = nullptr;
  QPushButton* testScale_ = nullptr;
  QLabel* differences_ = nullptr;
  ProgressLine* progress_ = nullptr;
  std::array<QLabel*, kSetupParamCount> editLabel_{};
  bool showing_ = false;
};

}  // namespace tamarack
