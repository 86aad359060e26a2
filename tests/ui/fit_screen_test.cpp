// Keeping a window within a screen smaller than it: its content scrolls, every control can still
// be reached, and nothing about the controls changes (places, Tab order).

#include "ui/fit_screen.h"

#include <QDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>
#include <memory>
#include <vector>

namespace tamarack {

namespace {

struct Sample {
  std::unique_ptr<QDialog> window = std::make_unique<QDialog>();
  std::vector<QPushButton*> buttons;
};

// A fixed-size window of `count` buttons one under the other, as the working windows are laid
// out, the first one wider.
Sample LaidOut(int count) {
  Sample s;
  auto* layout = new QVBoxLayout(s.window.get());
  for (int i = 0; i < count; ++i) {
    s.buttons.push_back(new QPushButton(QString("Button %1").arg(i), s.window.get()));
    layout->addWidget(s.buttons.back());
  }
  s.buttons.front()->setMinimumWidth(300);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  return s;
}

// A window of 500 x 300 with buttons at set places, as the live window is built.
Sample Placed() {
  Sample s;
  s.window->setFixedSize(500, 300);
  for (const QPoint at : {QPoint(10, 10), QPoint(380, 250), QPoint(200, 140)}) {
    s.buttons.push_back(new QPushButton("Key", s.window.get()));
    s.buttons.back()->setGeometry(QRect(at, QSize(100, 30)));
  }
  return s;
}

std::vector<QWidget*> TabChain(QWidget& window) {
  std::vector<QWidget*> chain;
  for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w);
  }
  return chain;
}

bool Reachable(QWidget& window, QWidget& control) {
  QScrollArea* scroll = FitScrollArea(window);
  if (scroll == nullptr) return window.rect().contains(control.geometry());
  scroll->ensureWidgetVisible(&control, 0, 0);
  const QRect view(scroll->viewport()->mapTo(&window, QPoint(0, 0)), scroll->viewport()->size());
  return view.contains(QRect(control.mapTo(&window, QPoint(0, 0)), control.size()));
}

}  // namespace

class FitScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void aWindowThatFitsIsLeftAsItIs() {
    Sample s = LaidOut(5);
    s.window->layout()->activate();
    const QSize before = s.window->size();
    FitToScreen(*s.window, QRect(0, 0, 1366, 728));
    QVERIFY(FitScrollArea(*s.window) == nullptr);
    QCOMPARE(s.window->size(), before);
    QCOMPARE(s.buttons[0]->parentWidget(), s.window.get());
  }

  void aTallWindowScrollsWithinTheRoomAndKeepsItsTabOrder() {
    Sample s = LaidOut(30);
    QWidget::setTabOrder(s.buttons[3], s.buttons[1]);  // an order of the window's own
    const std::vector<QWidget*> tabs = TabChain(*s.window);
    FitToScreen(*s.window, QRect(0, 0, 400, 300));
    s.window->show();

    QScrollArea* scroll = FitScrollArea(*s.window);
    QVERIFY(scroll != nullptr);
    QVERIFY(s.window->width() <= 400 && s.window->height() <= 300);
    QCOMPARE(TabChain(*s.window), tabs);
    QCOMPARE(scroll->focusPolicy(), Qt::NoFocus);
    for (QPushButton* b : s.buttons) {
      QCOMPARE(b->window(), s.window.get());
      QVERIFY(b->isVisible());
      QVERIFY2(Reachable(*s.window, *b), qPrintable(b->text()));
    }
    // Fitting again only caps: one scroll area, the same controls.
    FitToScreen(*s.window, QRect(0, 0, 380, 280));
    QCOMPARE(s.window->findChildren<QScrollArea*>().size(), 1);
    QVERIFY(s.window->width() <= 380 && s.window->height() <= 280);
  }

  void aWindowOfPlacedControlsKeepsThePlaces() {
    Sample s = Placed();
    FitToScreen(*s.window, QRect(0, 0, 450, 400));
    s.window->show();
    QScrollArea* scroll = FitScrollArea(*s.window);
    QVERIFY(scroll != nullptr);
    QCOMPARE(scroll->widget()->size(), QSize(500, 300));
    QCOMPARE(s.buttons[1]->geometry(), QRect(380, 250, 100, 30));
    QVERIFY(s.window->width() <= 450);
    // Only the width overflows: the window is as tall as the content and a scroll bar.
    QVERIFY(s.window->height() > 300 && s.window->height() <= 400);
    for (QPushButton* b : s.buttons) QVERIFY(Reachable(*s.window, *b));
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::FitScreenTest)
#include "fit_screen_test.moc"
