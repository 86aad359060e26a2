// The ticket preview of the print format window follows the lines whatever changes them.

#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "printfmt/print_format_dialog.h"
#include "support/fake_link.h"
#include "support/fixed_clock.h"
#include "support/recording_feedback.h"

namespace tamarack {
namespace {

// 7 March 2024, 09:15:02 local time.
std::time_t FixedNow() {
  std::tm t{};
  t.tm_year = 124;
  t.tm_mon = 2;
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 15;
  t.tm_sec = 2;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

class PrintFormatPreviewTest : public QObject {
  Q_OBJECT

  test::FakeLink link;
  test::RecordingFeedback ui;

  static QString Ticket(const CPrintFormatDlg& dlg) { return dlg.Preview()->toPlainText(); }

 private slots:
  void init() {
    link = {};
    ui = {};
  }

  void previewAreaAndItsNames() {
    CPrintFormatDlg dlg(link, ui, 8);
    QCOMPARE(dlg.Preview()->accessibleName(), "Ticket preview");
    QVERIFY(dlg.Preview()->isReadOnly());
    // Every character as wide as the next, so the ticket's columns line up. (Qt calls some
    // monospaced fonts, Noto Sans Mono among them, not fixed-pitch.)
    const QFontMetrics metrics(dlg.Preview()->font());
    for (const QChar c : QString("iW.0 M")) {
      QCOMPARE(metrics.horizontalAdvance(c), metrics.horizontalAdvance('x'));
    }
    // Fifteen empty lines send "<E>" alone and print nothing.
    QCOMPARE(dlg.PreviewSize()->text(), "3 of 249 bytes");
    QVERIFY(Ticket(dlg).isEmpty());
    QVERIFY(link.requests.empty());
  }

  void followsTypingAndTheLineButtons() {
    test::FixedClock clock;
    clock.now = FixedNow();
    CPrintFormatDlg dlg(link, WindowServices(ui, clock), 8);
    dlg.show();
    QTest::keyClicks(dlg.LineField(1), "<g><nl>");
    QCOMPARE(Ticket(dlg), "25.0 kg\n");
    QTest::keyClicks(dlg.LineField(2), "<D> <I><NL>");
    QCOMPARE(Ticket(dlg), "25.0 kg\n07-03-24 09:15:02\n");
    QTest::keyClicks(dlg.LineField(15), "END");
    QCOMPARE(Ticket(dlg), "25.0 kg\n07-03-24 09:15:02\nEND");
    QCOMPARE(dlg.PreviewSize()->text(), "24 of 249 bytes");

    // Insert in row 1 pushes line 15 out; Delete in row 2 takes the date line away.
    QTest::mouseClick(dlg.InsertButton(1), Qt::LeftButton);
    QCOMPARE(Ticket(dlg), "25.0 kg\n07-03-24 09:15:02\n");
    QTest::mouseClick(dlg.DeleteButton(3), Qt::LeftButton);
    QCOMPARE(Ticket(dlg), "25.0 kg\n");
    QTest::mouseClick(dlg.AllClearButton(), Qt::LeftButton);
    QVERIFY(Ticket(dlg).isEmpty());
  }

  void followsTheModeChoice() {
    CPrintFormatDlg dlg(link, ui, 8);
    dlg.show();
    QVERIFY(dlg.PreviewMode()->text().contains("GFMT"));
    QTest::mouseClick(dlg.NfmtButton(), Qt::LeftButton);
    QVERIFY(dlg.PreviewMode()->text().contains("NFMT"));
    QTest::mouseClick(dlg.GfmtButton(), Qt::LeftButton);
    QVERIFY(dlg.PreviewMode()->text().contains("GFMT"));
  }

  void followsLoadFileAndRead() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ticket.fmt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<T><NL>\x0C<P><NL>" + QByteArray(13, '\x0C') + "<E>");
    file.close();
    WindowServices services(ui);
    services.pickFile = [&](QWidget*, const FileDialogSetup&) { return path; };
    CPrintFormatDlg dlg(link, services, 8);
    QTest::mouseClick(dlg.LoadButton(), Qt::LeftButton);
    QCOMPARE(Ticket(dlg), "5.0 kg\n25.0 kg\n");

    link.QueueReply("<N><NL2><CN> <CD> <CO><NL><E>");
    QTest::mouseClick(dlg.ReadButton(), Qt::LeftButton);
    QCOMPARE(Ticket(dlg), "20.0 kg\n\n000123 05 100\n");
    QVERIFY(ui.messages.empty());
  }

  // The bytes line counts exactly what "Send" puts into the frame (its count byte is the text's
  // length + 1), against the limit of the port's data bits.
  void byteCountIsWhatSendSends_data() {
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<QString>("limit");
    QTest::newRow("8 data bits") << 8 << "249";
    QTest::newRow("7 data bits") << 7 << "126";
  }
  void byteCountIsWhatSendSends() {
    QFETCH(int, dataBits);
    QFETCH(QString, limit);
    CPrintFormatDlg dlg(link, ui, dataBits);
    dlg.show();
    QTest::keyClicks(dlg.LineField(1), "Gross <g><sp12>");
    QTest::keyClicks(dlg.LineField(4), "unknown <zz> and cut <n");
    const QStringList words = dlg.PreviewSize()->text().split(' ');
    QCOMPARE(words.size(), 4);
    QCOMPARE(words[2], limit);
    link.QueueReply("OK");
    QTest::mouseClick(dlg.SendButton(), Qt::LeftButton);
    QCOMPARE(link.requests.size(), std::size_t{1});
    QCOMPARE(words[0].toInt(), link.requests[0][4] - 1);
    // After the send the lines show what went out; the preview prints the same.
    QCOMPARE(Ticket(dlg), "Gross 25.0 kg            unknown <ZZ> and cut <N");
  }
};

}  // namespace
}  // namespace tamarack

QTEST_MAIN(tamarack::PrintFormatPreviewTest)
#include "print_format_preview_test.moc"
