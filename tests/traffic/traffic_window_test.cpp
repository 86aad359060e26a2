// The Traffic window fed by a real TracingLink over the simulated indicator, and its place beside
// the working windows.

#include "traffic/traffic_window.h"

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
#include "support/recording_feedback.h"
#include "support/sim_port.h"
#include "traffic/exchange_meaning.h"
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

class TrafficWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void RowsAppearAndHidePollsHidesThem() {
    Line line;
    RecordingFeedback ui;
    CTrafficWindow dlg(line.trace, ui);
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
    QTemporaryDir dir;
    const QString textPath = dir.filePath("traffic.txt");
    const QString csvPath = dir.filePath("traffic.csv");
    // The save dialog offers text or CSV; the name chosen says which is written.
    QString answer = textPath;
    std::vector<FileDialogSetup> asked;
    WindowServices services(ui);
    services.pickSaveFile = [&](QWidget*, const FileDialogSetup& setup) {
      asked.push_back(setup);
      return answer;
    };
    CTrafficWindow dlg(line.trace, services);
    line.ReadAll();
    dlg.SaveButton()->click();
    answer = csvPath;
    dlg.SaveButton()->click();
    QCOMPARE(asked.size(), std::size_t{2});
    QCOMPARE(asked[0].caption, QString("Save Traffic"));
    QCOMPARE(asked[0].initialName, QString("traffic.txt"));
    QCOMPARE(asked[0].nameFilters, (QStringList{"Text files (*.txt)", "CSV files (*.csv)"}));
    QVERIFY(asked[0].confirmOverwrite);
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
    CTrafficWindow dlg(line.trace, ui);
    line.ReadAll();
    QCOMPARE(line.trace.Exchanges().size(), size_t{10});
    QCOMPARE(dlg.Model().rowCount(), 10);
    QVERIFY(dlg.Model().Rows().back().meaning.starts_with("read F7.5: reply F7.5 = "));
    // A window opened later shows what the ring holds.
    CTrafficWindow later(line.trace, ui);
    QCOMPARE(later.Model().rowCount(), 10);
  }

  void StaysUsableWhileAWorkingWindowIsOpen() {
    RecordingFeedback ui;
    CMainDlg main(ui);
    main.show();
    main.OnTraffic();
    CTrafficWindow* traffic = main.TrafficWindow();
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
};

}  // namespace tamarack

QTEST_MAIN(tamarack::TrafficWindowTest)
#include "traffic_window_test.moc"
