// The Traffic window fed by a real TracingLink over the simulated indicator, its place beside
// the working windows, and the finder as the main window runs it.

#include "traffic/traffic_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_dialog.h"
#include "link/commands.h"
#include "link/transact.h"
#include "setup/setup_handlers.h"
#include "support/pty_peer.h"
#include "support/recording_feedback.h"
#include "support/sim_port.h"
#include "traffic/exchange_meaning.h"
#include "traffic/find_dialog.h"
#include "ui/product.h"

namespace tamarack {

using test::RecordingFeedback;

namespace {

// The simulated indicator on a pseudo-terminal, the program's port on it, and the trace around it.
struct Line {
  sim::Simulator simulator;
  sim::PtyTransport transport{simulator, {}};
  CommPort port;
  RecordingFeedback ui;
  TracingLink trace;

  explicit Line(std::size_t capacity = kDefaultTraceCapacity) : trace(port, capacity) {
    ui.realWaits = true;
    trace.SetDescriber(DescribeExchange);
    const std::string error = test::ServeAndOpen(transport, port, ui);
    if (!error.empty()) qFatal("%s", error.c_str());
  }
  void ReadAll() {
    SetupModel model = OpeningModel("07-12-2026", "09:30:45");
    QVERIFY(ReadAllParams(model, trace, ui));
  }
  void Poll() {
    ReplyArea reply;
    Transact(trace, ui, DisplayPollRequest(), kPollWaitMs, reply);
  }
};

// Counts the times a window was blocked by a modal one.
class BlockWatch : public QObject {
 public:
  int blocked = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowBlocked) ++blocked;
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

class TrafficDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void RowsAppearAndHidePollsHidesThem() {
    Line line;
    RecordingFeedback ui;
    CTrafficDlg dlg(line.trace, ui);
    QCOMPARE(dlg.windowTitle(), QString::fromStdString(WindowTitle("Traffic")));
    QVERIFY(dlg.HidePollsBox()->isChecked());
    line.Poll();
    line.ReadAll();
    line.Poll();
    QCOMPARE(dlg.Model().rowCount(), 33);
    QCOMPARE(dlg.Model().data(dlg.Model().index(5, 1), Qt::DisplayRole).toString(),
             "read F1.6: reply F1.6 = 1 (15Hz)");
    QCOMPARE(dlg.Model().data(dlg.Model().index(5, 2), Qt::DisplayRole).toString(), "0");

    dlg.HidePollsBox()->setChecked(false);
    QCOMPARE(dlg.Model().rowCount(), 35);
    QVERIFY(dlg.Model().Rows().front().poll && dlg.Model().Rows().back().poll);

    // Paused, nothing is added; going on shows what came meanwhile.
    dlg.PauseButton()->click();
    line.Poll();
    QCOMPARE(dlg.Model().rowCount(), 35);
    dlg.PauseButton()->click();
    QCOMPARE(dlg.Model().rowCount(), 36);

    // A selected row shows its whole request and reply (row 0 is the first poll).
    dlg.Table()->selectRow(6);
    const QString details = dlg.Details()->toPlainText();
    QVERIFY2(details.contains("read F1.6: reply F1.6 = 1 (15Hz)") &&
                 details.contains(
                     "Request, 14 bytes:\n0000  01 31 02 50 30 31 2E 30 36 3D 52 45 03 70") &&
                 details.contains("Reply, 15 bytes:"),
             qPrintable(details));

    dlg.ClearButton()->click();
    QCOMPARE(dlg.Model().rowCount(), 0);
    QVERIFY(line.trace.Exchanges().empty());
  }

  void SaveWritesTheRowsAndAFailedSaveKeepsThem() {
    Line line;
    RecordingFeedback ui;
    CTrafficDlg dlg(line.trace, ui);
    line.ReadAll();
    QTemporaryDir dir;
    const QString textPath = dir.filePath("traffic.txt");
    const QString csvPath = dir.filePath("traffic.csv");
    dlg.SetSaveAsker([&](QWidget*, bool& csv) {
      csv = false;
      return textPath;
    });
    dlg.SaveButton()->click();
    QVERIFY(dlg.SaveTo(csvPath, true));
    QFile text(textPath);
    QVERIFY(text.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = text.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 33 + 1);  // header, rows, the empty rest after the last newline
    QVERIFY(lines[0].startsWith("Time (ms)  Meaning"));
    QVERIFY(lines[1].contains("read F1.1: reply F1.1 = "));
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll().count("\r\n"), 34);
    QVERIFY(ui.messages.empty());

    // A folder that cannot be written: a message, and the rows stay.
    QVERIFY(!dlg.SaveTo("/proc/tamarack-no-such-folder/traffic.txt", false));
    QCOMPARE(ui.messages.size(), size_t{1});
    QCOMPARE(ui.messages[0].kind, RecordingFeedback::Kind::kFailure);
    QVERIFY(QString::fromStdString(ui.messages[0].text)
                .startsWith("The traffic could not be saved to /proc/tamarack-no-such-folder"));
    QCOMPARE(dlg.Model().rowCount(), 33);
  }

  void RingLimitHolds() {
    Line line(10);
    RecordingFeedback ui;
    CTrafficDlg dlg(line.trace, ui);
    line.ReadAll();
    QCOMPARE(line.trace.Exchanges().size(), size_t{10});
    QCOMPARE(dlg.Model().rowCount(), 10);
    QVERIFY(dlg.Model().Rows().back().meaning.starts_with("read F7.5: reply F7.5 = "));
    // A window opened later shows what the ring holds.
    CTrafficDlg later(line.trace, ui);
    QCOMPARE(later.Model().rowCount(), 10);
  }

  void StaysUsableWhileAWorkingWindowIsOpen() {
    RecordingFeedback ui;
    CMainDlg main(&ui);
    main.show();
    main.OnTraffic();
    CTrafficDlg* traffic = main.TrafficWindow();
    QVERIFY(traffic != nullptr && traffic->isVisible());
    QVERIFY(traffic->parentWidget() == nullptr);
    BlockWatch mainWatch;
    BlockWatch trafficWatch;
    main.installEventFilter(&mainWatch);
    traffic->installEventFilter(&trafficWatch);

    CModalDlg working(&main);
    bool ran = false;
    QTimer::singleShot(0, &working, [&] {
      ran = true;
      // The working window blocks the window that opened it, and nothing else.
      QCOMPARE(mainWatch.blocked, 1);
      QCOMPARE(trafficWatch.blocked, 0);
      QVERIFY(traffic->isEnabled());
      working.done(0);
    });
    working.exec();
    QVERIFY(ran);
    // Opening the Traffic window again shows the same one.
    main.OnTraffic();
    QCOMPARE(main.TrafficWindow(), traffic);
  }

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
    CMainDlg main(&ui);
    // Whatever port is chosen, the finder reaches the simulated indicator.
    main.SetFinderFactory([&](const std::string&, const LineSetting& s, std::string& e) {
      return CommPortFinderFactory()(transport.DevicePath(), s, e);
    });
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
    CMainDlg main(&ui);
    main.SetFinderFactory([&](const std::string&, const LineSetting& s, std::string& e) {
      return CommPortFinderFactory()(peer.Device(), s, e);
    });
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
    const FinderLinkFactory factory = [&](const std::string&, const LineSetting& s,
                                          std::string& e) {
      if (++opened == 2) dlg->CancelButton()->click();  // pressed during the second try
      return CommPortFinderFactory()(peer.Device(), s, e);
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
    CMainDlg main(&ui);
    main.SetSimulatorStarter([&] { return std::optional<std::string>(peer.Device()); });
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

QTEST_MAIN(tamarack::TrafficDialogTest)
#include "traffic_dialog_test.moc"
