// The wait window: twenty steps of waitMs / 20, the text it is given, and no key that ends it.

#include "ui/wait_dialog.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace tamarack {

class WaitDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void TwentyStepsOfOneTwentiethEach() {
    CWaitDlg dlg(1500, "WSPAN Processing , Please Wait...");
    QCOMPARE(dlg.Period(), 75);
    int maxBar = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] { maxBar = std::max(maxBar, dlg.BarValue()); });
    watch.start(5);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(dlg.exec(), 1);
    const qint64 took = clock.elapsed();
    QCOMPARE(dlg.Step(), CWaitDlg::kSteps);
    // Twenty periods of 75 ms, waited out; that it takes no longer is bench/window_bench's figure.
    QVERIFY2(took >= 1400, qPrintable(QString::number(took)));
    // The bar shows at most 19 of 20 before the window closes.
    QVERIFY(maxBar >= 15 && maxBar <= 19);
  }

  void ShowsItsText() {
    const QString text = "Average Weight Confirming, Please Wait...";
    CWaitDlg dlg(100, text);
    QString shown;
    QTimer::singleShot(0, &dlg, [&] { shown = dlg.Text(); });
    dlg.exec();
    QCOMPARE(shown, text);
  }

  void KeysDoNotEndTheWait() {
    CWaitDlg dlg(600, "WZERO Processing , Please Wait...");
    QTimer::singleShot(50, &dlg, [&] {
      QTest::keyClick(&dlg, Qt::Key_Escape);
      QTest::keyClick(&dlg, Qt::Key_Return);
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(dlg.exec(), 1);
    QVERIFY(clock.elapsed() >= 550);
    QCOMPARE(dlg.Step(), CWaitDlg::kSteps);
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::WaitDialogTest)
#include "wait_dialog_test.moc"
