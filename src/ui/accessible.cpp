#include "ui/accessible.h"

#include <QEvent>
#include <QLabel>
#include <QRect>
#include <QScrollArea>
#include <QWidget>
#include <algorithm>

namespace tamarack {
namespace {

struct Placed {
  QWidget* widget;
  QRect rect;  // in the window's coordinates
};

bool TakesTab(const QWidget* widget) {
  return (widget->focusPolicy() & Qt::TabFocus) != 0 && widget->focusProxy() == nullptr;
}

void Collect(QWidget* window, QWidget* parent, std::vector<Placed>& found) {
  for (QObject* object : parent->children()) {
    auto* widget = qobject_cast<QWidget*>(object);
    // Another window (a dialog owned by this one) has its own chain.
    if (widget == nullptr || widget->isWindow() || !widget->isVisibleTo(window)) continue;
    if (auto* area = qobject_cast<QScrollArea*>(widget); area != nullptr && area->widget()) {
      // The frame is no stop of its own: Tab goes through what it holds.
      Collect(window, area->widget(), found);
      continue;
    }
    if (TakesTab(widget)) {
      // The parts of a compound control (a spin box's line edit) are not stops of their own.
      found.push_back({widget, QRect(widget->mapTo(window, QPoint(0, 0)), widget->size())});
      continue;
    }
    Collect(window, widget, found);
  }
}

class Keeper : public QObject {
 public:
  explicit Keeper(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Show) {
      NameLabelsByText(window_);
      SetReadingTabOrder(window_);
    }
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

void NameLabelsByText(QWidget* window) {
  for (QLabel* label : window->findChildren<QLabel*>()) {
    if (label->window() != window || label->text().isEmpty()) continue;
    if (!label->accessibleName().isEmpty()) label->setAccessibleName(QString());
  }
}

std::vector<QWidget*> ReadingOrder(QWidget* window) {
  std::vector<Placed> found;
  Collect(window, window, found);
  std::stable_sort(found.begin(), found.end(), [](const Placed& a, const Placed& b) {
    return a.rect.top() != b.rect.top() ? a.rect.top() < b.rect.top()
                                        : a.rect.left() < b.rect.left();
  });
  std::vector<QWidget*> order;
  order.reserve(found.size());
  auto rowBegin = found.begin();
  while (rowBegin != found.end()) {
    // Controls of different heights on one line (a list beside a field) still share the row.
    const int middle = rowBegin->rect.center().y();
    auto rowEnd = std::find_if(rowBegin, found.end(),
                               [middle](const Placed& p) { return p.rect.top() > middle; });
    std::stable_sort(rowBegin, rowEnd, [](const Placed& a, const Placed& b) {
      return a.rect.left() < b.rect.left();
    });
    for (auto it = rowBegin; it != rowEnd; ++it) order.push_back(it->widget);
    rowBegin = rowEnd;
  }
  return order;
}

void SetReadingTabOrder(QWidget* window) {
  const std::vector<QWidget*> order = ReadingOrder(window);
  // A scroll frame around controls would be a silent stop of its own; the frame scrolls to
  // whichever control inside gets the focus anyway.
  for (QScrollArea* area : window->findChildren<QScrollArea*>()) {
    QWidget* content = area->widget();
    if (area->window() != window || content == nullptr) continue;
    const bool holdsStops = std::any_of(order.begin(), order.end(),
                                        [content](QWidget* w) { return content->isAncestorOf(w); });
    if (holdsStops) area->setFocusPolicy(Qt::NoFocus);
  }
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void KeepAccessible(QWidget* window) {
  new Keeper(window);
}

}  // namespace tamarack
