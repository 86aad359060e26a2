// The main window: defaults, captions, open and close, navigation, keys and tips.

#include "app/main_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include "support/pty_peer.h"
#include "support/recording_feedback.h"
#include "ui/product.h"

namespace tamarack {

using test::RecordingFeedback;

class MainDialogTest : public QObject {
  Q_OBJECT

  // A main window whose "Simulator" entry opens a pseudo-terminal.
  struct Fixture {
    RecordingFeedback ui;
    test::PtyPeer peer;
    CMainDlg dlg{&ui};
    Fixture() {
      dlg.SetSimulatorStarter([this] { return std::optional<std::string>(peer.Device()); });
    }
    void OpenSimulator() {
      dlg.PortList()->setCurrentText(kSimulatorPort);
      QTest::mouseClick(dlg.OpenCloseButton(), Qt::LeftButton);
    }
  };

  static bool ListsEnabled(const CMainDlg& dlg) {
    return dlg.PortList()->isEnabled() && dlg.BaudList()->isEnabled() &&
           dlg.DataBitList()->isEnabled() && dlg.StopBitList()->isEnabled() &&
           dlg.ParityList()->isEnabled();
  }

 private slots:
  void StartsWithTheDefaults() {
    RecordingFeedback ui;
    CMainDlg dlg(&ui);
    QCOMPARE(dlg.PortList()->currentText(), "COM1");
    QCOMPARE(dlg.BaudList()->currentText(), "9600");
    QCOMPARE(dlg.DataBitList()->currentText(), "8");
    QCOMPARE(dlg.StopBitList()->currentText(), "1");
    QCOMPARE(dlg.ParityList()->currentText(), "NOPARITY");
    QCOMPARE(dlg.OpenCloseButton()->text(), "OpenComm");
    QVERIFY(ListsEnabled(dlg));
    QCOMPARE(dlg.windowTitle(), QString::fromStdString(WindowTitle("Tamarack")));
    QVERIFY(!dlg.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!dlg.windowIcon().isNull());
    // Fourteen tips, the system's own spelling kept.
    QCOMPARE(dlg.Relay().Controls().size(), size_t{14});
    QCOMPARE(dlg.Relay().TipOf(dlg.StopBitList()), "Select SotpBit");

    const QStringList ports = [&] {
      QStringList all;
      for (int i = 0; i < dlg.PortList()->count(); ++i) all << dlg.PortList()->itemText(i);
      return all;
    }();
    QCOMPARE(ports.mid(0, 6), (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"}));
    QCOMPARE(ports.last(), "Simulator");
    QCOMPARE(ports.count("Simulator"), 1);
  }

  void PortListOpensTheDeviceBehindItsDescription() {
    RecordingFeedback ui;
    CMainDlg dlg(&ui);
    // A detected device is shown with the description the system gives it.
    dlg.PortList()->insertItem(6, "/dev/ttyUSB7 (USB serial adapter)", "/dev/ttyUSB7");
    dlg.PortList()->setCurrentIndex(6);
    QCOMPARE(dlg.Selections().port, "/dev/ttyUSB7");
    QTest::mouseClick(dlg.OpenCloseButton(), Qt::LeftButton);
    QCOMPARE(ui.Texts(), std::vector<std::string>{"CommPort not Exist!"});
    // Reading the devices again drops the one that is gone and falls back to the default.
    dlg.RefreshPortList();
    QCOMPARE(dlg.PortList()->findData("/dev/ttyUSB7"), -1);
    QCOMPARE(dlg.PortList()->currentText(), "COM1");
    // A selection that is still there stays selected.
    dlg.PortList()->setCurrentIndex(dlg.PortList()->findData("COM4"));
    dlg.RefreshPortList();
    QCOMPARE(dlg.PortList()->currentText(), "COM4");
  }

  void WorkingWindowsNeedAnOpenPort() {
    RecordingFeedback ui;
    CMainDlg dlg(&ui);
    int opened = 0;
    for (WorkWindow w : {WorkWindow::kPrintFormat, WorkWindow::kParameterSetup,
                         WorkWindow::kIndicator, WorkWindow::kCountSetup}) {
      dlg.SetOpener(w, [&](QWidget*, SerialLink&, UserFeedback&, int) { ++opened; });
      QTest::mouseClick(dlg.Button(w), Qt::LeftButton);
    }
    QCOMPARE(opened, 0);
    QCOMPARE(ui.messages.size(), size_t{4});
    for (const auto& m : ui.messages) {
      QCOMPARE(m.kind, RecordingFeedback::Kind::kPortError);
      QCOMPARE(m.text, "Please Open CommPort!");
    }
  }

  void OpenAndCloseTheSimulatorPort() {
    Fixture f;
    f.dlg.DataBitList()->setCurrentText("7");
    f.OpenSimulator();
    QVERIFY(f.ui.messages.empty());
    QVERIFY(f.dlg.IsPortOpen());
    QCOMPARE(f.dlg.OpenCloseButton()->text(), "CloseComm");
    QCOMPARE(f.dlg.OpenCloseButton()->accessibleName(), "CloseComm");
    QVERIFY(!f.dlg.PortList()->isEnabled() && !f.dlg.ParityList()->isEnabled());

    // The opener gets the window, the port and the data bits as a number.
    QWidget* parent = nullptr;
    SerialLink* port = nullptr;
    int dataBits = 0;
    f.dlg.SetOpener(WorkWindow::kPrintFormat, [&](QWidget* p, SerialLink& l, UserFeedback&, int d) {
      parent = p;
      port = &l;
      dataBits = d;
    });
    QTest::mouseClick(f.dlg.Button(WorkWindow::kPrintFormat), Qt::LeftButton);
    QCOMPARE(parent, &f.dlg);
    // The open port, seen through the trace that records every exchange.
    QCOMPARE(port, static_cast<SerialLink*>(&f.dlg.Trace()));
    QCOMPARE(dataBits, 7);
    // Without an opener the button opens nothing and says nothing.
    QTest::mouseClick(f.dlg.Button(WorkWindow::kIndicator), Qt::LeftButton);
    QVERIFY(f.ui.messages.empty());

    QTest::mouseClick(f.dlg.OpenCloseButton(), Qt::LeftButton);
    QVERIFY(!f.dlg.IsPortOpen());
    QCOMPARE(f.dlg.OpenCloseButton()->text(), "OpenComm");
    QVERIFY(ListsEnabled(f.dlg));
  }

  void FailedOpensChangeNothing_data() {
    QTest::addColumn<bool>("starterWorks");
    QTest::newRow("missing device") << true;
    QTest::newRow("simulator does not start") << false;
  }
  void FailedOpensChangeNothing() {
    QFETCH(bool, starterWorks);
    RecordingFeedback ui;
    CMainDlg dlg(&ui);
    dlg.SetSimulatorStarter([&]() -> std::optional<std::string> {
      if (starterWorks) return "/dev/tamarack-no-such-port";
      return std::nullopt;
    });
    dlg.PortList()->setCurrentText(kSimulatorPort);
    QTest::mouseClick(dlg.OpenCloseButton(), Qt::LeftButton);
    QVERIFY(!dlg.IsPortOpen());
    QCOMPARE(dlg.OpenCloseButton()->text(), "OpenComm");
    QVERIFY(ListsEnabled(dlg));
    QCOMPARE(ui.Texts(), std::vector<std::string>{"CommPort not Exist!"});
    QCOMPARE(ui.messages[0].kind, RecordingFeedback::Kind::kPortError);
  }

  void EnterAndEscapeKeepTheWindowOpen() {
    RecordingFeedback ui;
    CMainDlg dlg(&ui);
    int opened = 0;
    dlg.SetOpener(WorkWindow::kPrintFormat,
                  [&](QWidget*, SerialLink&, UserFeedback&, int) { ++opened; });
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.Button(WorkWindow::kPrintFormat)->setFocus();
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QTest::keyClick(&dlg, static_cast<Qt::Key>(key));
      QTest::keyClick(dlg.Button(WorkWindow::kPrintFormat), static_cast<Qt::Key>(key));
    }
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
    // Enter did not press the focused button either.
    QVERIFY(ui.messages.empty());
    QCOMPARE(opened, 0);
    QTest::mouseClick(dlg.ExitButton(), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), 1);
  }

  void TipShowsOverTheDisabledPortList() {
    Fixture f;
    f.dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.dlg));
    f.OpenSimulator();
    QVERIFY(!f.dlg.PortList()->isEnabled());

    QTest::mouseMove(f.dlg.PortList(), QPoint(10, 5));
    QTRY_VERIFY_WITH_TIMEOUT(f.dlg.Relay().Shown() == f.dlg.PortList(), 2000);
    QCOMPARE(QToolTip::text(), "Select COMM Port");

    // On to the next control: its tip replaces the first.
    QTest::mouseMove(f.dlg.BaudList(), QPoint(10, 5));
    QTRY_VERIFY_WITH_TIMEOUT(f.dlg.Relay().Shown() == f.dlg.BaudList(), 2000);
    QCOMPARE(QToolTip::text(), "Select Baud");

    // Away from every listed control: no tip.
    QTest::mouseMove(&f.dlg, QPoint(f.dlg.width() - 2, 2));
    QTRY_VERIFY_WITH_TIMEOUT(f.dlg.Relay().Shown() == nullptr, 2000);
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::MainDialogTest)
#include "main_dialog_test.moc"
