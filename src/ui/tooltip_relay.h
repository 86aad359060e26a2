#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace tamarack {

// The tips of one window. Every window with tips owns one relay and lists its controls with their
// tips in order:
//
//   ToolTipRelay relay{this};
//   relay.Add(portList, "Select COMM Port");
//
// The relay watches the pointer over the whole window itself, so a tip shows over a control that
// is disabled too (a disabled widget gets no mouse events of its own). Where listed controls
// overlap, the first listed wins. Timing: shown 100 ms after the pointer comes to rest on a
// control, hidden after 5000 ms, 150 ms when the pointer moves on from one tip to the next
// control; black text; "\r" in a tip starts a second line.
class ToolTipRelay : public QObject {
  Q_OBJECT

 public:
  static constexpr int kInitialDelayMs = 100;
  static constexpr int kShowMs = 5000;
  static constexpr int kReshowDelayMs = 150;

  explicit ToolTipRelay(QWidget* window);
  ~ToolTipRelay() override;

  // Lists `control` (a descendant of the window) with its tip, which also becomes the control's
  // accessible description (line breaks as the tip shows them). Listing a control again replaces
  // its tip and description and keeps its place.
  void Add(QWidget* control, const QString& tip);
  // The tip listed for `control`, or an empty text.
  QString TipOf(const QWidget* control) const;
  // The listed controls in order.
  std::vector<QWidget*> Controls() const;
  // The first listed control under the global position, or nullptr.
  QWidget* ControlAt(const QPoint& globalPos) const;

  // The control whose tip is shown now (nullptr when none is).
  QWidget* Shown() const { return shown_; }
  // The tip text as the window shows it: "\r" and "\r\n" become a line break.
  static QString Displayed(const QString& tip);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    QPointer<QWidget> control;
    QString tip;
  };

  bool Belongs(QObject* object) const;
  void PointerAt(const QPoint& globalPos);
  void ShowPending();
  void Hide();

  QPointer<QWidget> window_;
  std::vector<Entry> entries_;
  QTimer showTimer_;
  QTimer hideTimer_;
  QPointer<QWidget> pending_;
  QPointer<QWidget> shown_;
  // The control under the pointer whose tip has had its turn (shown, or timed out) and does not
  // show again until the pointer leaves it.
  QPointer<QWidget> done_;
  QPoint lastPos_;
};

}  // namespace tamarack
