// The message boxes of the program: icon, caption and buttons of each kind.

#include "ui/qt_feedback.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "ui/wait_dialog.h"

namespace tamarack {

class QtFeedbackTest : public QObject {
  Q_OBJECT

  struct Seen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
  };

 private slots:
  void Boxes() {
    QtFeedback ui;
    struct Case {
      const char* what;
      std::function<bool()> show;
      QMessageBox::StandardButton answer;
      QMessageBox::Icon icon;
      QString caption;
      QMessageBox::StandardButtons buttons;
      bool result;
    };
    const Case cases[] = {
        {"success",
         [&] {
           ui.Success("Done");
           return true;
         },
         QMessageBox::Ok, QMessageBox::Information, "OK", QMessageBox::Ok, true},
        {"failure",
         [&] {
           ui.Failure("Done");
           return true;
         },
         QMessageBox::Ok, QMessageBox::Critical, "Tamarack", QMessageBox::Ok, true},
        {"port error",
         [&] {
           ui.PortError("Done");
           return true;
         },
         QMessageBox::Ok, QMessageBox::NoIcon, "Error Information", QMessageBox::Ok, true},
        {"system error",
         [&] {
           ui.SystemError("Done");
           return true;
         },
         QMessageBox::Ok, QMessageBox::Critical, "Error", QMessageBox::Ok, true},
        {"yes", [&] { return ui.AskYesNo("Done"); }, QMessageBox::Yes, QMessageBox::Question,
         "Tamarack", QMessageBox::Yes | QMessageBox::No, true},
        {"cancel", [&] { return ui.AskRetryCancel("Done"); }, QMessageBox::Cancel,
         QMessageBox::Question, "Tamarack", QMessageBox::Retry | QMessageBox::Cancel, false},
    };
    for (const Case& c : cases) {
      Seen seen;
      QTimer::singleShot(0, [&seen, answer = c.answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen = {box->icon(), box->windowTitle(), box->text(), box->standardButtons()};
        box->button(answer)->click();
      });
      QCOMPARE(c.show(), c.result);
      QVERIFY2(seen.icon == c.icon, c.what);
      QVERIFY2(seen.caption == c.caption, c.what);
      QVERIFY2(seen.text == "Done", c.what);
      QVERIFY2(seen.buttons == c.buttons, c.what);
    }
  }

  void LongWaitRunsTheWaitWindow() {
    QtFeedback ui;
    QString text;
    QTimer::singleShot(100, [&] {
      if (auto* wait = qobject_cast<CWaitDlg*>(QApplication::activeModalWidget())) {
        text = wait->Text();
      }
    });
    QElapsedTimer clock;
    clock.start();
    ui.LongWait(1500, "REZERO Processing , Please Wait...");
    QVERIFY(clock.elapsed() >= 1400);
    QCOMPARE(text, "REZERO Processing , Please Wait...");
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::QtFeedbackTest)
#include "qt_feedback_test.moc"
