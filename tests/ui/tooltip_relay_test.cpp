// The tooltip relay: which control's tip shows, when it shows and goes, and its line breaks.

#include "ui/tooltip_relay.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

namespace tamarack {

class ToolTipRelayTest : public QObject {
  Q_OBJECT

  struct Window {
    QWidget top;
    QPushButton* wide = new QPushButton("wide", &top);
    QPushButton* inner = new QPushButton("inner", &top);
    QPushButton* lone = new QPushButton("lone", &top);
    ToolTipRelay relay{&top};
    Window() {
      top.resize(400, 200);
      wide->setGeometry(10, 10, 200, 60);
      inner->setGeometry(20, 20, 50, 30);  // lies on top of `wide`
      lone->setGeometry(250, 120, 100, 40);
      relay.Add(wide, "Wide tip");
      relay.Add(inner, "Inner tip");
      relay.Add(lone, "First line\rSecond line");
      top.show();
    }
  };

 private slots:
  void FirstListedControlWins() {
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.top));
    // `inner` lies over `wide`, but `wide` was listed first.
    QCOMPARE(w.relay.ControlAt(w.inner->mapToGlobal(QPoint(5, 5))), w.wide);
    QCOMPARE(w.relay.ControlAt(w.lone->mapToGlobal(QPoint(5, 5))), w.lone);
    QCOMPARE(w.relay.ControlAt(w.top.mapToGlobal(QPoint(390, 10))), nullptr);
    // Listing a control again changes its tip, not its place.
    w.relay.Add(w.wide, "Changed");
    QCOMPARE(w.relay.Controls().front(), w.wide);
    QCOMPARE(w.relay.TipOf(w.wide), "Changed");
  }

  void CarriageReturnBreaksTheLine() {
    QCOMPARE(ToolTipRelay::Displayed("First line\rSecond line"), "First line\nSecond line");
    QCOMPARE(ToolTipRelay::Displayed("a\r\nb"), "a\nb");
    QCOMPARE(ToolTipRelay::Displayed("plain"), "plain");
  }

  void ShowsAfterAPauseAndHidesAfterFiveSeconds() {
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.top));
    w.lone->setEnabled(false);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseMove(w.lone, QPoint(10, 10));
    QCOMPARE(w.relay.Shown(), nullptr);  // not at once
    QTRY_VERIFY_WITH_TIMEOUT(w.relay.Shown() == w.lone, 2000);
    const qint64 shownAfter = clock.elapsed();
    QVERIFY2(shownAfter >= 90, qPrintable(QString::number(shownAfter)));
    QCOMPARE(QToolTip::text(), "First line\nSecond line");

    // It goes after five seconds and does not come back while the pointer stays.
    QTRY_VERIFY_WITH_TIMEOUT(w.relay.Shown() == nullptr, 9000);
    QVERIFY(clock.elapsed() >= 4900);
    QTest::mouseMove(w.lone, QPoint(12, 12));
    QTest::qWait(400);
    QCOMPARE(w.relay.Shown(), nullptr);
  }

  // A screen reader gets each tip as the control's description, line breaks as shown.
  void TipIsTheAccessibleDescription() {
    Window w;
    auto description = [](QWidget* control) {
      return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Description);
    };
    QCOMPARE(description(w.wide), QString("Wide tip"));
    QCOMPARE(description(w.lone), QString("First line\nSecond line"));
    w.relay.Add(w.wide, "Changed\rtwice");
    QCOMPARE(description(w.wide), QString("Changed\ntwice"));
  }

  // Out of the window and straight back over the same control: the tip shows again and stays,
  // although the one hidden on the way out had not quite gone yet.
  void ShowsAgainAfterThePointerLeftTheWindowAndCameBack() {
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.top));
    QTest::mouseMove(w.lone, QPoint(10, 10));
    QTRY_VERIFY_WITH_TIMEOUT(w.relay.Shown() == w.lone, 2000);

    QEvent leaveControl(QEvent::Leave);
    QApplication::sendEvent(w.lone, &leaveControl);
    QEvent leaveWindow(QEvent::Leave);
    QApplication::sendEvent(&w.top, &leaveWindow);
    QCOMPARE(w.relay.Shown(), nullptr);
    const QPointF inside(12, 12);
    QEnterEvent enter(inside, w.lone->mapTo(&w.top, inside), w.lone->mapToGlobal(inside));
    QApplication::sendEvent(&w.top, &enter);
    QTest::mouseMove(w.lone, inside.toPoint());
    QTRY_VERIFY_WITH_TIMEOUT(w.relay.Shown() == w.lone, 2000);
    QTest::qWait(600);  // past the moment a hidden tip lingers
    QVERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString("First line\nSecond line"));
    QCOMPARE(w.relay.Shown(), w.lone);
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::ToolTipRelayTest)
#include "tooltip_relay_test.moc"
