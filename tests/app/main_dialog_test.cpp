// The main window: defaults, captions, open and close, navigation, keys and tips.

#include "app/main_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include "app/app_start.h"
#include "app/app_windows.h"
#include "app/network_dialog.h"
#include "link/open_link.h"
#include "net/tcp_link.h"
#include "records/record_keeper.h"
#include "support/pty_peer.h"
#include "support/recording_feedback.h"
#include "ui/modal_dialog.h"
#include "ui/product.h"

namespace tamarack {

using test::RecordingFeedback;

class MainDialogTest : public QObject {
  Q_OBJECT

  // The working windows in the order of their buttons.
  enum Row : std::size_t { kPrintFormat, kParameterSetup, kIndicator, kCountSetup };

  // The program's working windows, each running what the test puts in `openers` (nothing while
  // that is empty), and a Simulated Scale window that `simulatedScale` makes.
  struct Parts {
    std::array<WindowOpener, 4> openers;
    ToolWindowMaker simulatedScale;
    MainWindowParts Make() {
      MainWindowParts parts = AppWindows();
      for (std::size_t i = 0; i < parts.windows.size(); ++i) {
        parts.windows[i].opener = [this, i](const WorkWindowContext& c) {
          if (openers.at(i)) openers.at(i)(c);
        };
      }
      parts.simulatedScale = [this]() -> QWidget* {
        return simulatedScale ? simulatedScale() : nullptr;
      };
      return parts;
    }
  };

  // "Simulator" opens `device`; every other port opens as it does in the program.
  static WindowServices::LinkOpener SimulatorOn(const std::string& device) {
    return [device](const PortLine& line, UserFeedback& ui) -> std::unique_ptr<PortLink> {
      if (line.port != kSimulatorPort) return OpenLink(line, ui);
      auto port = std::make_unique<CommPort>();
      if (port->Open(line, ui, device) != 1) return nullptr;
      return port;
    };
  }

  // Answers the "Network…" window with `url` ("rfc2217://host:port"), or cancels it.
  static int AnswerNetwork(QDialog& window, const std::optional<std::string>& url) {
    auto& ask = dynamic_cast<CNetworkDlg&>(window);
    if (!url) return 0;
    const std::size_t scheme = url->find("://");
    ask.AddressField()->setText(QString::fromStdString(url->substr(scheme + 3)));
    (url->starts_with("socket") ? ask.RawChoice() : ask.Rfc2217Choice())->setChecked(true);
    ask.OnOk();
    return ask.result();
  }

  // A main window whose "Simulator" entry opens a pseudo-terminal.
  struct Fixture {
    RecordingFeedback ui;
    test::PtyPeer peer;
    Parts parts;
    WindowServices services = [this] {
      WindowServices s(ui);
      s.openLink = SimulatorOn(peer.Device());
      return s;
    }();
    CMainDlg dlg{services, parts.Make()};
    void OpenSimulator() {
      dlg.PortList()->setCurrentText(kSimulatorPort);
      QTest::mouseClick(dlg.OpenCloseButton(), Qt::LeftButton);
    }
  };

  // Clicks `widget` the way the window system would: through its top-level window, so that a
  // window blocked by a modal one does not get the click.
  static void SystemClick(QWidget* widget) {
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(top, widget->rect().center()));
  }

  // A tool window with one button that counts its presses.
  struct ToolWindow : QWidget {
    QPushButton* button = new QPushButton("Press", this);
    int presses = 0;
    ToolWindow() {
      (new QVBoxLayout(this))->addWidget(button);
      connect(button, &QPushButton::clicked, this, [this] { ++presses; });
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
    CMainDlg dlg(ui, AppWindows());
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
    // Thirteen tips, the system's own spelling kept, and those of "Trend", "Simulated Scale",
    // "Test Scale…" and "Records".
    QCOMPARE(dlg.Relay().Controls().size(), size_t{17});
    QCOMPARE(dlg.Relay().TipOf(dlg.StopBitList()), "Select SotpBit");

    const QStringList ports = [&] {
      QStringList all;
      for (int i = 0; i < dlg.PortList()->count(); ++i) all << dlg.PortList()->itemText(i);
      return all;
    }();
    QCOMPARE(ports.mid(0, 6), (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"}));
    QCOMPARE(ports.mid(ports.size() - 2), (QStringList{"Simulator", "Network\u2026"}));
    QCOMPARE(ports.count("Simulator"), 1);
  }

  void PortListOpensTheDeviceBehindItsDescription() {
    RecordingFeedback ui;
    CMainDlg dlg(ui);
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
    Parts parts;
    CMainDlg dlg(ui, parts.Make());
    int opened = 0;
    for (Row w : {kPrintFormat, kParameterSetup, kIndicator, kCountSetup}) {
      parts.openers[w] = [&](const WorkWindowContext&) { ++opened; };
      QTest::mouseClick(dlg.WorkButton(w), Qt::LeftButton);
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
    f.parts.openers[kPrintFormat] = [&](const WorkWindowContext& c) {
      parent = &c.main;
      port = &c.link;
      dataBits = c.opened.settings.dataBits;
    };
    QTest::mouseClick(f.dlg.WorkButton(kPrintFormat), Qt::LeftButton);
    QCOMPARE(parent, &f.dlg);
    // The open port, seen through the trace that records every exchange.
    QCOMPARE(port, static_cast<SerialLink*>(&f.dlg.Trace()));
    QCOMPARE(dataBits, 7);
    // Without an opener the button opens nothing and says nothing.
    QTest::mouseClick(f.dlg.WorkButton(kIndicator), Qt::LeftButton);
    QVERIFY(f.ui.messages.empty());

    QTest::mouseClick(f.dlg.OpenCloseButton(), Qt::LeftButton);
    QVERIFY(!f.dlg.IsPortOpen());
    QCOMPARE(f.dlg.OpenCloseButton()->text(), "OpenComm");
    QVERIFY(ListsEnabled(f.dlg));
  }

  void SimulatedScaleFollowsTheSimulatorPort() {
    Fixture f;
    int made = 0;
    f.parts.simulatedScale = [&]() -> QWidget* {
      ++made;
      return new ToolWindow;
    };
    QPushButton* button = f.dlg.SimulatedScaleButton();
    QCOMPARE(button->text(), "Simulated Scale");
    QCOMPARE(button->accessibleName(), "Simulated Scale");
    QVERIFY(!button->isEnabled());
    f.OpenSimulator();
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(made, 1);
    QVERIFY(f.dlg.SimulatedScaleWindow()->isVisible());
    // Closing the port puts the window away and the button out of reach.
    QTest::mouseClick(f.dlg.OpenCloseButton(), Qt::LeftButton);
    QVERIFY(!button->isEnabled());
    QVERIFY(!f.dlg.SimulatedScaleWindow()->isVisible());
    f.OpenSimulator();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(made, 1);
    QVERIFY(f.dlg.SimulatedScaleWindow()->isVisible());
  }

  // The records open once the main window has been drawn, a damaged store costs one message, and
  // "Records" needs no port: its window is made at the first press and shown again after.
  void RecordsOpenAfterTheWindowAndNeedNoPort() {
    RecordingFeedback ui;
    {
      CMainDlg without(ui, AppWindows());
      QVERIFY(!without.RecordsButton()->isEnabled());
    }
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("data")));
    QFile damaged(dir.filePath("data/records.sqlite"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a store");
    damaged.close();
    records::RecordKeeper keeper({dir.filePath("data").toStdString(), {}, "pc"});
    WindowServices services(ui);
    services.records = &keeper;
    MainWindowParts parts = AppWindows();
    int made = 0;
    const WindowServices* given = nullptr;
    parts.records = [&](const WindowServices& s) -> QWidget* {
      ++made;
      given = &s;
      return new ToolWindow;
    };
    CMainDlg dlg(services, parts);
    OpenRecordsWhenShown(dlg, keeper, ui);
    QVERIFY(!keeper.Opened());
    dlg.show();
    QTRY_VERIFY(keeper.Opened());
    QVERIFY(keeper.Store() != nullptr);
    QCOMPARE(ui.messages.size(), size_t{1});
    QVERIFY(
        ui.messages[0].text.starts_with("Records not kept: records.sqlite is not a records store"));

    QPushButton* button = dlg.RecordsButton();
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(made, 1);
    QVERIFY(given != nullptr && given->records == &keeper);
    QVERIFY(dlg.RecordsWindow()->isVisible());
    QCOMPARE(ui.messages.size(), size_t{1});  // no "Please Open CommPort!"
  }

  // While a working window runs modally, the tool window takes clicks and the main window does
  // not; once the working window is gone, the main window does again.
  void ToolWindowStaysUsableBesideAWorkingWindow() {
    Fixture f;
    ToolWindow* tool = nullptr;
    f.parts.simulatedScale = [&]() -> QWidget* { return tool = new ToolWindow; };
    int mainPresses = 0;
    f.parts.openers[kCountSetup] = [&](const WorkWindowContext&) { ++mainPresses; };
    bool checked = false;
    f.parts.openers[kIndicator] = [&](const WorkWindowContext& c) {
      CModalDlg working(&c.main);
      QTimer::singleShot(0, &working, [&] {
        QCOMPARE(QApplication::activeModalWidget(), &working);
        SystemClick(tool->button);
        SystemClick(f.dlg.WorkButton(kCountSetup));
        QCOMPARE(tool->presses, 1);
        QCOMPARE(mainPresses, 0);
        checked = true;
        working.done(1);
      });
      working.exec();
    };

    QTimer::singleShot(0, &f.dlg, [&] {
      f.OpenSimulator();
      QTest::mouseClick(f.dlg.SimulatedScaleButton(), Qt::LeftButton);
      QVERIFY(QTest::qWaitForWindowExposed(tool));
      QTest::mouseClick(f.dlg.WorkButton(kIndicator), Qt::LeftButton);
      SystemClick(f.dlg.WorkButton(kCountSetup));
      SystemClick(f.dlg.ExitButton());
    });
    // The main window runs as the application runs it.
    QCOMPARE(f.dlg.exec(), 1);
    QVERIFY(checked);
    QCOMPARE(mainPresses, 1);
  }

  void FailedOpensChangeNothing_data() {
    QTest::addColumn<bool>("starterWorks");
    QTest::newRow("missing device") << true;
    QTest::newRow("simulator does not start") << false;
  }
  void FailedOpensChangeNothing() {
    QFETCH(bool, starterWorks);
    RecordingFeedback ui;
    WindowServices services(ui);
    // The simulated indicator's device is gone, or it could not be started at all.
    services.openLink = starterWorks ? SimulatorOn("/dev/tamarack-no-such-port")
                                     : [](const PortLine&, UserFeedback& feedback) {
                                         feedback.PortError(kPortMissing);
                                         return std::unique_ptr<PortLink>();
                                       };
    CMainDlg dlg(services);
    dlg.PortList()->setCurrentText(kSimulatorPort);
    QTest::mouseClick(dlg.OpenCloseButton(), Qt::LeftButton);
    QVERIFY(!dlg.IsPortOpen());
    QCOMPARE(dlg.OpenCloseButton()->text(), "OpenComm");
    QVERIFY(ListsEnabled(dlg));
    QCOMPARE(ui.Texts(), std::vector<std::string>{"CommPort not Exist!"});
    QCOMPARE(ui.messages[0].kind, RecordingFeedback::Kind::kPortError);
  }

  // "Network…" asks for an address and puts its URL into the list, chosen, just before itself;
  // a cancelled question goes back to the entry chosen before.
  void NetworkEntryAddsTheAddressChosen() {
    RecordingFeedback ui;
    std::optional<std::string> answer = "rfc2217://10.0.0.7:4001";
    WindowServices services(ui);
    services.runWindow = [&](QDialog& window) { return AnswerNetwork(window, answer); };
    CMainDlg dlg(services);
    QComboBox* list = dlg.PortList();
    const int network = list->count() - 1;
    dlg.OnPortChosen(2);
    list->setCurrentIndex(network);
    dlg.OnPortChosen(network);
    QCOMPARE(list->currentText(), "rfc2217://10.0.0.7:4001");
    QCOMPARE(list->itemText(list->count() - 1), "Network\u2026");

    const int count = list->count();
    list->setCurrentIndex(count - 1);
    dlg.OnPortChosen(count - 1);  // the same address again is not listed twice
    QCOMPARE(list->count(), count);
    QCOMPARE(list->currentText(), "rfc2217://10.0.0.7:4001");

    answer.reset();
    dlg.OnPortChosen(2);
    list->setCurrentIndex(count - 1);
    dlg.OnPortChosen(count - 1);
    QCOMPARE(list->currentText(), "COM3");

    // Reading the devices again keeps the added address before "Network…" and its selection.
    list->insertItem(6, "/dev/ttyUSB7", "/dev/ttyUSB7");
    list->setCurrentIndex(list->findData("rfc2217://10.0.0.7:4001"));
    dlg.RefreshPortList();
    QCOMPARE(list->findData("/dev/ttyUSB7"), -1);
    QCOMPARE(list->currentText(), "rfc2217://10.0.0.7:4001");
    QCOMPARE(list->currentIndex(), list->count() - 2);
    QVERIFY(ui.messages.empty());
  }

  // A URL opens as a port: nothing listening is "CommPort not Exist!"; a server that takes the
  // connection gives the working windows a link that is not the local port.
  void OpensANetworkAddress() {
    RecordingFeedback ui;
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QString url = QString("socket://127.0.0.1:%1").arg(server.serverPort());
    WindowServices services(ui);
    services.runWindow = [&](QDialog& window) { return AnswerNetwork(window, url.toStdString()); };
    Parts parts;
    CMainDlg dlg(services, parts.Make());
    dlg.OnPortChosen(dlg.PortList()->count() - 1);

    SerialLink* given = nullptr;
    parts.openers[kIndicator] = [&](const WorkWindowContext& c) { given = &c.link; };
    QTest::mouseClick(dlg.OpenCloseButton(), Qt::LeftButton);
    QVERIFY(dlg.IsPortOpen());
    QTest::mouseClick(dlg.WorkButton(kIndicator), Qt::LeftButton);
    // The windows talk through the trace, and the trace through the link to the server.
    QVERIFY(given == static_cast<SerialLink*>(&dlg.Trace()));
    QVERIFY(dynamic_cast<TcpLink*>(&dlg.Link()) != nullptr);
    // What is open is named as chosen, for whatever is kept of the session.
    QCOMPARE(dlg.OpenPort()->Opened().port, url.toStdString());
    const std::uint8_t request[] = {0x01, 0x52, 0xFF};
    given->ClearErrors();
    given->Write(request, sizeof request);
    given->ExchangeEnded(0, 0);
    if (!server.hasPendingConnections()) QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket* peer = server.nextPendingConnection();
    QVERIFY(peer != nullptr);
    while (peer->bytesAvailable() < 3 && peer->waitForReadyRead(5000)) {
    }
    QCOMPARE(peer->readAll(), QByteArray("\x01\x52\xFF", 3));
    QCOMPARE(dlg.Trace().Exchanges().size(), size_t{1});
    QCOMPARE(dlg.Trace().Exchanges().back().request.size(), size_t{3});

    QTest::mouseClick(dlg.OpenCloseButton(), Qt::LeftButton);
    QVERIFY(!dlg.IsPortOpen());
    QVERIFY(ListsEnabled(dlg));
    QVERIFY(dlg.OpenPort() == nullptr && dynamic_cast<TcpLink*>(&dlg.Link()) == nullptr);

    server.close();
    QTest::mouseClick(dlg.OpenCloseButton(), Qt::LeftButton);
    QVERIFY(!dlg.IsPortOpen());
    QCOMPARE(ui.Texts(), std::vector<std::string>{"CommPort not Exist!"});
  }

  void EnterAndEscapeKeepTheWindowOpen() {
    RecordingFeedback ui;
    Parts parts;
    CMainDlg dlg(ui, parts.Make());
    int opened = 0;
    parts.openers[kPrintFormat] = [&](const WorkWindowContext&) { ++opened; };
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.WorkButton(kPrintFormat)->setFocus();
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QTest::keyClick(&dlg, static_cast<Qt::Key>(key));
      QTest::keyClick(dlg.WorkButton(kPrintFormat), static_cast<Qt::Key>(key));
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
