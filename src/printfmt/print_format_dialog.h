#pragma once

#include <QString>
#include <QTimer>
#include <array>
#include <functional>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "printfmt/print_format_model.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tamarack {

class ToolTipRelay;

// The print format window: fifteen lines of a ticket format, a bar of tags to put into them,
// line editing buttons, the transfers to and from the indicator and the print format file. It
// borrows the open port and never opens or closes it.
class CPrintFormatDlg : public CModalDlg {
  Q_OBJECT

 public:
  // The delay between a click into a line and the insertion of the armed tag, so that the click
  // has placed the caret first.
  static constexpr int kInsertDelayMs = 50;

  CPrintFormatDlg(SerialLink& port, const WindowServices& services, int dataBits,
                  QWidget* parent = nullptr);
  ~CPrintFormatDlg() override;

  const PrintFormatModel& Model() const { return model_; }
  QLineEdit* LineField(int n) const { return rows_.at(static_cast<std::size_t>(n - 1)).line; }
  QPushButton* ClearButton(int n) const { return rows_.at(static_cast<std::size_t>(n - 1)).clear; }
  // Rows 1 to 14 only; nullptr for row 15.
  QPushButton* InsertButton(int n) const {
    return rows_.at(static_cast<std::size_t>(n - 1)).insert;
  }
  QPushButton* DeleteButton(int n) const {
    return rows_.at(static_cast<std::size_t>(n - 1)).remove;
  }
  QToolButton* TagButton(PrintTag tag) const {
    return tagButtons_.at(static_cast<std::size_t>(tag));
  }
  QPushButton* AllClearButton() const { return allClear_; }
  QPushButton* BackupButton() const { return backup_; }
  QPushButton* LoadButton() const { return load_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* ReadButton() const { return read_; }
  QPushButton* SendButton() const { return send_; }
  QPushButton* ExitButton() const { return exit_; }
  QRadioButton* GfmtButton() const { return gfmt_; }
  QRadioButton* NfmtButton() const { return nfmt_; }
  QLabel* ContentLabel() const { return contentLabel_; }
  // The ticket preview: the ticket, the bytes line above it and the print mode it is printed in.
  QPlainTextEdit* Preview() const { return preview_; }
  QLabel* PreviewSize() const { return previewSize_; }
  QLabel* PreviewMode() const { return previewMode_; }
  const ToolTipRelay& Tips() const { return *tips_; }

 protected:
  // Escape drops the armed tag and keeps the window open.
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Row {
    QLineEdit* line = nullptr;
    QPushButton* clear = nullptr;
    QPushButton* insert = nullptr;
    QPushButton* remove = nullptr;
  };

  void BuildWindow();
  void RegisterTips();
  // Runs a handler between taking the lines from the fields and showing the model again.
  void Run(const std::function<void()>& handler);
  void CollectLines();
  void ShowModel();
  void UpdateCursor();
  // Shows the ticket of the lines as the fields hold them now.
  void UpdatePreview();
  int RowOf(const QObject* object) const;
  void OnTagButton(PrintTag tag);
  void OnInsertTimer();
  void OnLoadFile();
  void OnSaveFile();
  QString AskFileName(bool forSaving);

  SerialLink& port_;
  WindowServices services_;
  UserFeedback& ui_;
  PrintFormatModel model_;
  QTimer insertTimer_;
  bool cursorOverridden_ = false;

  std::array<Row, kFormatLineCount> rows_{};
  std::array<QToolButton*, kPrintTagCount> tagButtons_{};
  QLabel* contentLabel_ = nullptr;
  QPushButton* allClear_ = nullptr;
  QPushButton* backup_ = nullptr;
  QPushButton* load_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* read_ = nullptr;
  QPushButton* send_ = nullptr;
  QPushButton* exit_ = nullptr;
  QRadioButton* gfmt_ = nullptr;
  QRadioButton* nfmt_ = nullptr;
  ToolTipRelay* tips_ = nullptr;
  QPlainTextEdit* preview_ = nullptr;
  QLabel* previewSize_ = nullptr;
  QLabel* previewMode_ = nullptr;
};

}  // namespace tamarack
