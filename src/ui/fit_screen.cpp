#include "ui/fit_screen.h"

#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

namespace tamarack {
namespace {

constexpr const char* kScrollAreaName = "FitScrollArea";

// The size the window means to open at: the one it was given, else its layout's.
QSize IntendedSize(const QWidget& window) {
  if (window.testAttribute(Qt::WA_Resized) || !window.sizeHint().isValid()) return window.size();
  return window.sizeHint().expandedTo(window.minimumSize());
}

// Gives the window the content's size, with a scroll bar's width where the other way overflows,
// up to `room`. A window that had one size keeps one size; a resizable one may grow back to the
// content's size and no further.
void Cap(QWidget& window, const QScrollArea& scroll, bool fixed, const QSize& room) {
  const QWidget* content = scroll.widget();
  const QSize need = content->sizeHint().expandedTo(content->minimumSize());
  const int bar = window.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &scroll);
  int width = need.width();
  int height = need.height();
  const bool tooTall = height > room.height();
  if (tooTall) width += bar;
  if (width > room.width()) height += bar;
  if (!tooTall && height > room.height()) width += bar;
  const QSize size(std::min(width, room.width()), std::min(height, room.height()));
  if (fixed) {
    window.setFixedSize(size);
  } else {
    window.setMaximumSize(width, height);
    window.resize(size);
  }
}

}  // namespace

QRect UsableArea(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return {};
  QRect area = screen->availableGeometry();
  area.setSize(area.size() - kWindowFrameAllowance);
  return area;
}

QScrollArea* FitScrollArea(const QWidget& window) {
  return window.findChild<QScrollArea*>(kScrollAreaName, Qt::FindDirectChildrenOnly);
}

void FitToScreen(QWidget& window, const QRect& usable) {
  if (!window.isWindow() || usable.isEmpty()) return;
  const QSize room = usable.size();
  if (QScrollArea* scroll = FitScrollArea(window)) {
    Cap(window, *scroll, window.minimumSize() == window.maximumSize(), room);
    return;
  }
  if (QLayout* layout = window.layout()) layout->activate();
  const QSize intended = IntendedSize(window);
  const bool fixed = window.minimumSize() == window.maximumSize();
  if (window.minimumSize().width() <= room.width() &&
      window.minimumSize().height() <= room.height()) {
    // It can shrink to the room without losing anything.
    if (intended.width() > room.width() || intended.height() > room.height()) {
      window.resize(intended.boundedTo(room));
    }
    return;
  }

  auto* scroll = new QScrollArea(&window);
  scroll->setObjectName(kScrollAreaName);
  scroll->setFrameShape(QFrame::NoFrame);
  // Tab goes from control to control; the area scrolls to the one that takes the focus.
  scroll->setFocusPolicy(Qt::NoFocus);
  scroll->setWidgetResizable(true);
  auto* content = new QWidget;
  content->setObjectName("FitContent");
  // Inside the window before anything moves into it, so that the Tab order stays as it was.
  scroll->setWidget(content);
  if (QLayout* layout = window.layout()) {
    // Takes the layout over from the window, with every widget in it.
    content->setLayout(layout);
  } else {
    // Controls at set places: the content keeps the window's size and the places.
    content->setFixedSize(intended);
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (child != scroll && !child->isWindow()) child->setParent(content);
    }
  }
  window.setMinimumSize(0, 0);
  window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  auto* frame = new QVBoxLayout(&window);
  frame->setContentsMargins(0, 0, 0, 0);
  frame->addWidget(scroll);
  Cap(window, *scroll, fixed, room);
}

}  // namespace tamarack
