#pragma once

#include <QDialog>
#include <QString>
#include <string_view>

class QKeyEvent;
class QLineEdit;
class QPushButton;

namespace tamarack {

// Titles `window` "`name`", a run of blanks and the maker's web address: every window's title
// crosses into Qt here.
void TitleWindow(QWidget& window, std::string_view name);

// The working windows and the dialogs they open (the tool windows are plain windows beside them):
// modal (it blocks the window that opened it and that one's openers), a title bar without a close
// box, and ended only through its own buttons. Enter presses nothing, Escape only calls reject(),
// which does nothing unless a window gives it a meaning, and a close request from the window
// system is refused the same way.
class CModalDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr Qt::WindowFlags kTitleWithoutCloseBox =
      Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

  explicit CModalDlg(QWidget* parent, Qt::WindowFlags flags = kTitleWithoutCloseBox);

  // TitleWindow for this window.
  void SetTitle(std::string_view name);

  // On first showing, the window is kept within its screen (see FitToScreen).
  void setVisible(bool visible) override;

 protected:
  void reject() override {}
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool fitted_ = false;
};

// A push button that Enter never presses, named for screen readers by its caption unless an
// accessible name is given.
QPushButton* MakeButton(const QString& caption, QWidget* parent,
                        const QString& accessibleName = QString());

// A line edit named `name` for screen readers (its label stands beside it).
QLineEdit* MakeField(const QString& name, QWidget* parent);

}  // namespace tamarack
