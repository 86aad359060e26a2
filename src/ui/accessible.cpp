#include "ui/accessible.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QRect>
#include <QScrollArea>
#include <QSet>
#include <QWidget>
#include <algorithm>

namespace tamarack {
namespace {

bool TakesTab(const QWidget* widget) {
  return (widget->focusPolicy() & Qt::TabFocus) != 0 && widget->focusProxy() == nullptr;
}

// Widgets placed by hand, in reading order by their place in the window.
std::vector<QWidget*> ByPlace(QWidget* window, std::vector<QWidget*> widgets) {
  struct Placed {
    QWidget* widget;
    QRect rect;
  };
  std::vector<Placed> found;
  for (QWidget* w : widgets) found.push_back({w, QRect(w->mapTo(window, QPoint(0, 0)), w->size())});
  std::stable_sort(found.begin(), found.end(), [](const Placed& a, const Placed& b) {
    return a.rect.top() != b.rect.top() ? a.rect.top() < b.rect.top()
                                        : a.rect.left() < b.rect.left();
  });
  std::vector<QWidget*> order;
  auto rowBegin = found.begin();
  while (rowBegin != found.end()) {
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

// Walks a window as it is laid out and notes the Tab stops in order.
class Reader {
 public:
  explicit Reader(QWidget* window) : window_(window) {}

  std::vector<QWidget*> Read() {
    Container(window_);
    return std::move(order_);
  }

 private:
  void Widget(QWidget* widget) {
    // Another window (a dialog owned by this one) has its own chain.
    if (widget == nullptr || widget->isWindow() || !widget->isVisibleTo(window_)) return;
    if (seen_.contains(widget)) return;
    seen_.insert(widget);
    if (auto* area = qobject_cast<QScrollArea*>(widget); area != nullptr && area->widget()) {
      // The frame is no stop of its own: Tab goes through what it holds.
      seen_.insert(area->widget());
      Container(area->widget());
    } else if (TakesTab(widget)) {
      // The parts of a compound control (a spin box's line edit) are not stops of their own.
      order_.push_back(widget);
    } else {
      Container(widget);
    }
  }

  // What the container's layout holds, in the layout's order; then anything placed by hand.
  void Container(QWidget* container) {
    if (container->layout() != nullptr) Layout(container->layout());
    std::vector<QWidget*> rest;
    for (QObject* child : container->children()) {
      auto* widget = qobject_cast<QWidget*>(child);
      if (widget != nullptr && !seen_.contains(widget)) rest.push_back(widget);
    }
    for (QWidget* widget : ByPlace(window_, rest)) Widget(widget);
  }

  // A grid row by row, left to right; a form row by row, label before field; a box in its
  // direction. A nested layout or a framed group is read whole where it stands.
  void Layout(QLayout* layout) {
    struct Slot {
      int row;
      int column;
      QLayoutItem* item;
    };
    std::vector<Slot> placed;
    for (int i = 0; i < layout->count(); ++i) {
      int row = i, column = 0;
      if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        int rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
      } else if (auto* form = qobject_cast<QFormLayout*>(layout)) {
        QFormLayout::ItemRole role{};
        form->getItemPosition(i, &row, &role);
        column = static_cast<int>(role);
      }
      placed.push_back({row, column, layout->itemAt(i)});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Slot& a, const Slot& b) {
      return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    if (auto* box = qobject_cast<QBoxLayout*>(layout);
        box != nullptr && (box->direction() == QBoxLayout::RightToLeft ||
                           box->direction() == QBoxLayout::BottomToTop)) {
      std::reverse(placed.begin(), placed.end());
    }
    for (const Slot& slot : placed) {
      if (slot.item == nullptr) continue;
      if (QWidget* widget = slot.item->widget()) {
        Widget(widget);
      } else if (QLayout* inner = slot.item->layout()) {
        Layout(inner);
      }
    }
  }

  QWidget* window_;
  std::vector<QWidget*> order_;
  QSet<const QWidget*> seen_;
};

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
  return Reader(window).Read();
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
