// The main window on a serial device server: ser2net on the loopback in front of the simulated
// indicator, opened by its URL as a user opens it. What a Read All keeps names that URL and the
// line the port was opened at.

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "app/app_windows.h"
#include "app/main_dialog.h"
#include "app/network_dialog.h"
#include "records/service_record.h"
#include "records/service_record_dialog.h"
#include "setup/setup_dialog.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"
#include "support/quick_sim.h"
#include "support/recording_feedback.h"
#include "support/ser2net.h"

namespace tamarack {

using test::Ser2Net;

class MainWindowNetTest : public QObject {
  Q_OBJECT

  static QByteArray Said(const test::RecordingFeedback& ui) {
    QByteArray all;
    for (const std::string& text : ui.Texts()) all += QByteArray::fromStdString(text) + "\n";
    return all;
  }

  static QPushButton* ButtonCalled(const CMainDlg& main, const QString& caption) {
    for (QPushButton* button : main.findChildren<QPushButton*>()) {
      if (button->text() == caption) return button;
    }
    return nullptr;
  }

 private slots:
  void ReadAllKeepsTheServerAndItsLine_data() {
    QTest::addColumn<bool>("raw");
    QTest::addColumn<QString>("serverLine");  // how ser2net starts the device
    // Over RFC 2217 the window's settings reach the line; a raw server runs its own, matching.
    QTest::newRow("rfc2217") << false << "9600n81";
    QTest::newRow("raw") << true << "4800n82";
  }
  void ReadAllKeepsTheServerAndItsLine() {
    QFETCH(bool, raw);
    QFETCH(QString, serverLine);
    // The history is kept in the user's data folder: here, one of the row's own.
    QTemporaryDir home;
    QVERIFY(home.isValid());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    // An indicator that only hears 4800 baud with two stop bits: a read at the default line
    // gets no answer.
    sim::Simulator simulator(test::QuickSim());
    sim::PtyTransport::Options strict;
    strict.line.baud = 4800;
    strict.line.stopBits = 2;
    strict.strictLine = true;
    sim::PtyTransport transport(simulator, strict);
    std::string error;
    QVERIFY2(transport.Start(&error), error.c_str());
    Ser2Net proxy;
    error = proxy.Start(transport.DevicePath(), raw ? Ser2Net::Mode::kRaw : Ser2Net::Mode::kRfc2217,
                        serverLine.toStdString());
    QVERIFY2(error.empty(), error.c_str());
    const std::string url = proxy.Url();

    test::RecordingFeedback ui;
    WindowServices services(ui);
    std::vector<HistoryEntry> kept;
    std::optional<ServiceRecord> record;
    services.runWindow = [&](QDialog& window) {
      if (auto* ask = qobject_cast<CNetworkDlg*>(&window)) {
        ask->AddressField()->setText(QString("127.0.0.1:%1").arg(proxy.Port()));
        (raw ? ask->RawChoice() : ask->Rfc2217Choice())->setChecked(true);
        ask->OnOk();
        return ask->result();
      }
      if (auto* setup = qobject_cast<CSetupDlg*>(&window)) {
        setup->OnReadAll();
        if (setup->Session().History() != nullptr) kept = setup->Session().History()->List();
        QTest::mouseClick(setup->ServiceRecordButton(), Qt::LeftButton);
      }
      if (auto* shown = qobject_cast<CServiceRecordDlg*>(&window)) record = shown->Record();
      return 0;
    };
    CMainDlg main(services, AppWindows());
    main.OnPortChosen(main.PortList()->count() - 1);
    QCOMPARE(main.PortList()->currentText().toStdString(), url);
    main.BaudList()->setCurrentText("4800");
    main.StopBitList()->setCurrentText("2");
    QTest::mouseClick(main.OpenCloseButton(), Qt::LeftButton);
    QVERIFY2(main.IsPortOpen(), Said(ui).constData());
    QPushButton* setup = ButtonCalled(main, "Parameter Setup");
    QVERIFY(setup != nullptr);
    QTest::mouseClick(setup, Qt::LeftButton);
    QTest::mouseClick(main.OpenCloseButton(), Qt::LeftButton);
    proxy.Stop();
    transport.Stop();

    QVERIFY2(ui.messages.empty(), Said(ui).constData());
    const std::string line = "4800 baud, 8 data bits, parity none, 2 stop bits";
    QCOMPARE(kept.size(), std::size_t{1});
    QVERIFY2(kept[0].readable, kept[0].problem.c_str());
    QCOMPARE(kept[0].meta.port, url);
    QCOMPARE(kept[0].meta.line, line);
    // The metadata file itself, beside the kept read.
    QString metaPath = QString::fromStdString(kept[0].path);
    metaPath.replace(QRegularExpression("\\.stx$"), ".meta");
    QFile meta(metaPath);
    QVERIFY(meta.open(QIODevice::ReadOnly));
    QVERIFY(meta.readAll().contains(
        QByteArray::fromStdString("\nport=" + url + "\nline=" + line + "\n")));
    QVERIFY(record.has_value());
    QCOMPARE(record->port, url);
    QCOMPARE(record->line, line);
    const std::string csv = ServiceRecordCsv(*record);
    QVERIFY(csv.find("Port," + url + "\r\n") != std::string::npos);
    QVERIFY(csv.find("Line,\"" + line + "\"\r\n") != std::string::npos);
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::MainWindowNetTest)
#include "main_window_net_test.moc"
