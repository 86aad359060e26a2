// The "Find Indicator" window as the main window runs it, against the simulated indicator and a
// silent line on pseudo-terminals.

#include "app/find_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/main_dialog.h"
#include "link/open_link.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"
#include "support/pty_peer.h"
#include "support/recording_feedback.h"

namespace tamarack {

using test::RecordingFeedback;

class FindDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void FinderSetsTheListsAndSaysWhere() {
    sim::Simulator simulator;
    sim::PtyTransport::Options options;
    options.line.baud = 4800;
    options.line.stopBits = 2;
    options.strictLine = true;
    sim::PtyTransport transport(simulator, options);
    std::string error;
    QVERIFY(transport.Start(&error));

    RecordingFeedback ui;
    WindowServices services(ui);
    // Whatever port is chosen, the finder reaches the simulated indicator.
    services.finderLinks = [&](const std::string&, const LineSettings& s, std::string& e) {
      return PortFinderFactory()(transport.DevicePath(), s, e);
    };
    CMainDlg main(services);
    main.PortList()->setCurrentIndex(main.PortList()->findData("COM2"));
    RunFinder(main);
    QCOMPARE(ui.Texts(), std::vector<std::string>{"Indicator found on COM2 at 4800 8 2 NOPARITY"});
    QCOMPARE(ui.messages[0].kind, RecordingFeedback::Kind::kSuccess);
    QCOMPARE(main.PortList()->currentData().toString(), "COM2");
    QCOMPARE(main.BaudList()->currentText(), "4800");
    QCOMPARE(main.DataBitList()->currentText(), "8");
    QCOMPARE(main.StopBitList()->currentText(), "2");
    QCOMPARE(main.ParityList()->currentText(), "NOPARITY");
  }

  void FinderThatFindsNothingLeavesTheLists() {
    test::PtyPeer peer;  // a line where no one answers
    RecordingFeedback ui;
    WindowServices services(ui);
    services.finderLinks = [&](const std::string&, const LineSettings& s, std::string& e) {
      return PortFinderFactory()(peer.Device(), s, e);
    };
    CMainDlg main(services);
    main.PortList()->setCurrentIndex(main.PortList()->findData("COM2"));
    main.BaudList()->setCurrentText("2400");
    main.DataBitList()->setCurrentText("7");
    main.ParityList()->setCurrentText("ODDPARITY");
    RunFinder(main);
    QCOMPARE(ui.Texts(), std::vector<std::string>{"No indicator answered on COM2."});
    QCOMPARE(ui.messages[0].kind, RecordingFeedback::Kind::kFailure);
    QCOMPARE(main.PortList()->currentData().toString(), "COM2");
    QCOMPARE(main.BaudList()->currentText(), "2400");
    QCOMPARE(main.DataBitList()->currentText(), "7");
    QCOMPARE(main.StopBitList()->currentText(), "1");
    QCOMPARE(main.ParityList()->currentText(), "ODDPARITY");
  }

  void CancelStopsTheSearchAtTheNextTry() {
    test::PtyPeer peer;
    RecordingFeedback ui;
    CFindDlg* dlg = nullptr;
    int opened = 0;
    const FinderLinkFactory factory = [&](const std::string&, const LineSettings& s,
                                          std::string& e) {
      if (++opened == 2) dlg->CancelButton()->click();  // pressed during the second try
      return PortFinderFactory()(peer.Device(), s, e);
    };
    CFindDlg find({"COM2", peer.Device()}, {}, factory, ui);
    dlg = &find;
    QVERIFY(!find.AllPortsBox()->isEnabled());  // no other port to search
    find.OnFind();
    QVERIFY(find.Last().has_value());
    QCOMPARE(find.Last()->outcome, FinderResult::Outcome::kCancelled);
    QCOMPARE(find.Last()->tries, 2);
    QCOMPARE(opened, 2);
    QVERIFY(ui.messages.empty());
    QVERIFY(!find.Running() && find.FindButton()->isEnabled());
  }

  void FindIsOfferedOnlyWhileThePortIsClosed() {
    test::PtyPeer peer;
    RecordingFeedback ui;
    WindowServices services(ui);
    // "Simulator" opens the pseudo-terminal.
    services.openLink = [&](const PortLine& line, UserFeedback& feedback) {
      auto port = std::make_unique<CommPort>();
      return port->Open(line, feedback, peer.Device()) == 1 ? std::move(port) : nullptr;
    };
    CMainDlg main(services);
    QCOMPARE(main.Relay().TipOf(main.FindButton()),
             "Look for the indicator on this port at every line setting");
    QCOMPARE(main.Relay().TipOf(main.TrafficButton()), "Show the exchanges with the indicator");
    main.PortList()->setCurrentIndex(main.PortList()->findData(kSimulatorPort));
    main.OnOpenClose();
    QVERIFY(main.IsPortOpen());
    QVERIFY(!main.FindButton()->isEnabled());
    main.OnOpenClose();
    QVERIFY(main.FindButton()->isEnabled());
  }

 private:
  // Presses "Find Indicator" and, in its window, "Find".
  static void RunFinder(CMainDlg& main) {
    QTimer::singleShot(0, &main, [&main] {
      auto* find = main.findChild<CFindDlg*>();
      QVERIFY(find != nullptr);
      find->OnFind();
    });
    main.OnFindIndicator();
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::FindDialogTest)
#include "find_dialog_test.moc"
