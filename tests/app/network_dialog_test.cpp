// The "Network…" address window: what it accepts and how it says what is wrong.

#include "app/network_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "support/recording_feedback.h"

namespace tamarack {

using test::RecordingFeedback;

class NetworkDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void AcceptsOnlyAnAddressThatReads_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("raw");
    QTest::addColumn<QString>("url");      // empty when refused
    QTest::addColumn<QString>("message");  // empty when accepted
    QTest::newRow("rfc2217") << "192.168.1.20:4001" << false << "rfc2217://192.168.1.20:4001"
                             << "";
    QTest::newRow("raw") << "scale7:2001" << true << "socket://scale7:2001"
                         << "";
    QTest::newRow("no port") << "host:" << false << ""
                             << "The port number is missing: type the address as host:port.";
    QTest::newRow("no host") << ":4001" << false << ""
                             << "The host name is missing: type the address as host:port.";
    QTest::newRow("port too big") << "host:99999" << true << ""
                                  << "The port number must be a number from 1 to 65535.";
  }
  void AcceptsOnlyAnAddressThatReads() {
    QFETCH(QString, typed);
    QFETCH(bool, raw);
    QFETCH(QString, url);
    QFETCH(QString, message);
    RecordingFeedback ui;
    CNetworkDlg dlg(ui);
    QVERIFY(dlg.Rfc2217Choice()->isChecked());  // the protocol that sets the line
    dlg.AddressField()->setText(typed);
    (raw ? dlg.RawChoice() : dlg.Rfc2217Choice())->setChecked(true);
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    if (url.isEmpty()) {
      QCOMPARE(dlg.result(), 0);
      QCOMPARE(ui.messages, (std::vector<RecordingFeedback::Message>{
                                {RecordingFeedback::Kind::kFailure, message.toStdString()}}));
    } else {
      QCOMPARE(dlg.result(), 1);
      QCOMPARE(QString::fromStdString(dlg.Url()), url);
      QVERIFY(ui.messages.empty());
    }
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::NetworkDialogTest)
#include "network_dialog_test.moc"
