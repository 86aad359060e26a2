#include "ui/tooltip_relay.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QToolTip>

namespace tamarack {
namespace {

void UseBlackTipText() {
  QPalette palette = QToolTip::palette();
  palette.setColor(QPalette::All, QPalette::ToolTipText, Qt::black);
  palette.setColor(QPalette::All, QPalette::ToolTipBase, QColor(255, 255, 225));
  QToolTip::setPalette(palette);
}

}  // namespace

ToolTipRelay::ToolTipRelay(QWidget* window) : QObject(window), window_(window) {
  showTimer_.setSingleShot(true);
  hideTimer_.setSingleShot(true);
  // A coarse timer may fire up to 5 % early: 250 ms off the five seconds of a tip.
  showTimer_.setTimerType(Qt::PreciseTimer);
  hideTimer_.setTimerType(Qt::PreciseTimer);
  connect(&showTimer_, &QTimer::timeout, this, &ToolTipRelay::ShowPending);
  connect(&hideTimer_, &QTimer::timeout, this, [this] {
    done_ = shown_;
    Hide();
  });
  UseBlackTipText();
  // Mouse moves over disabled controls reach no widget's own handlers, but they do pass the
  // application's event filters: watch there and keep to this window's widgets.
  qApp->installEventFilter(this);
}

ToolTipRelay::~ToolTipRelay() {
  if (shown_) QToolTip::hideText();
}

void ToolTipRelay::Add(QWidget* control, const QString& tip) {
  // A screen reader cannot hover: it gets the tip as the control's description, as shown.
  control->setAccessibleDescription(Displayed(tip));
  for (auto& entry : entries_) {
    if (entry.control == control) {
      entry.tip = tip;
      return;
    }
  }
  entries_.push_back({control, tip});
}

QString ToolTipRelay::TipOf(const QWidget* control) const {
  for (const auto& entry : entries_) {
    if (entry.control == control) return entry.tip;
  }
  return {};
}

std::vector<QWidget*> ToolTipRelay::Controls() const {
  std::vector<QWidget*> controls;
  for (const auto& entry : entries_) controls.push_back(entry.control);
  return controls;
}

QWidget* ToolTipRelay::ControlAt(const QPoint& globalPos) const {
  for (const auto& entry : entries_) {
    QWidget* control = entry.control;
    if (!control || !control->isVisible()) continue;
    const QRect area(control->mapToGlobal(QPoint(0, 0)), control->size());
    if (area.contains(globalPos)) return control;
  }
  return nullptr;
}

QString ToolTipRelay::Displayed(const QString& tip) {
  QString text = tip;
  text.replace("\r\n", "\n");
  text.replace('\r', '\n');
  return text;
}

bool ToolTipRelay::Belongs(QObject* object) const {
  if (!window_ || !object->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(object);
  return widget == window_ || window_->isAncestorOf(widget);
}

bool ToolTipRelay::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
      if (Belongs(watched)) {
        PointerAt(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
      }
      break;
    case QEvent::Leave:
      if (watched == window_) {
        done_ = nullptr;
        Hide();
      }
      break;
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
      if (Belongs(watched) && (shown_ || pending_)) {
        if (event->type() == QEvent::MouseButtonPress) done_ = shown_ ? shown_ : pending_;
        Hide();
      }
      break;
    case QEvent::ToolTip:
      // The listed controls' tips come from this relay alone, with its own timing.
      if (Belongs(watched) && ControlAt(static_cast<QHelpEvent*>(event)->globalPos())) return true;
      break;
    default:
      break;
  }
  return false;
}

void ToolTipRelay::PointerAt(const QPoint& globalPos) {
  lastPos_ = globalPos;
  QWidget* control = ControlAt(globalPos);
  if (control != done_) done_ = nullptr;
  if (control == nullptr) {
    Hide();
    return;
  }
  if (control == shown_ || control == pending_ || control == done_) return;
  // Moving on from a shown tip (or one that was about to show) uses the shorter reshow pause.
  const bool moving = shown_ != nullptr;
  if (shown_) {
    QToolTip::hideText();
    shown_ = nullptr;
    hideTimer_.stop();
  }
  pending_ = control;
  showTimer_.start(moving ? kReshowDelayMs : kInitialDelayMs);
}

void ToolTipRelay::ShowPending() {
  QWidget* control = pending_;
  pending_ = nullptr;
  if (!control) return;
  const QPoint at = lastPos_ + QPoint(2, 20);
  const QString text = Displayed(TipOf(control));
  // A hidden tip lingers for a moment before it goes, and QToolTip takes the same text shown
  // again meanwhile as already showing: the pointer back over the control within that moment
  // (out of the window and straight back) would get no tip at all. Showing another text first
  // makes it a fresh tip with its full time.
  if (QToolTip::isVisible() && QToolTip::text() == text) {
    QToolTip::showText(at, text + ' ', window_, QRect(), kShowMs);
  }
  QToolTip::showText(at, text, window_, QRect(), kShowMs);
  shown_ = control;
  hideTimer_.start(kShowMs);
}

void ToolTipRelay::Hide() {
  showTimer_.stop();
  hideTimer_.stop();
  pending_ = nullptr;
  if (shown_) {
    shown_ = nullptr;
    QToolTip::hideText();
  }
}

}  // namespace tamarack
