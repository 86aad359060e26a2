#include "indicator/indicator_dialog.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "link/commands.h"
#include "support/fake_indicator.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "ui/product.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A small indicator behind the fake line: answers "R" with its display and "K..E" with "OK";
// TARE puts it into net mode with a zero display. Anything else gets no reply.
struct IndicatorState {
  std::string display = std::string("\x00\x00\x06\xBF\x3F\x3F\x06\x05\x24", 9);
  bool badCheck = false;
  std::vector<std::string> keys;

  std::optional<test::Reply> Answer(const std::string& payload) {
    std::optional<test::Reply> reply;
    if (payload == "R") {
      reply = display;
    } else if (payload.size() == 4 && payload[0] == 'K') {
      keys.push_back(payload.substr(1, 2));
      if (payload == "K12E") display = std::string("\x00\x00\x00\x00\x00\x3F\x06\x05\x18", 9);
      reply = "OK";
    }
    if (reply) reply->badCheck = badCheck;
    return reply;
  }
};

class IndicatorDialogTest : public QObject {
  Q_OBJECT

 private:
  test::FakeLink link;
  test::RecordingFeedback ui;
  IndicatorState indicator;
  test::ScriptedIndicator fake{test::Reply::Silence()};

  QString LampState(const CIndicatorDlg& dlg, Lamp lamp) {
    return dlg.LampLabel(lamp)->accessibleDescription();
  }

 private slots:
  void init() {
    indicator = IndicatorState{};
    link = test::FakeLink{};
    ui = test::RecordingFeedback{};
    fake = test::ScriptedIndicator{test::Reply::Silence()};
    fake.When([this](const std::string& payload) { return indicator.Answer(payload); }).Serve(link);
  }

  void showsTitleNamesAndTheFirstPoll() {
    CIndicatorDlg dlg(link, ui);
    QCOMPARE(dlg.windowTitle().toStdString(), WindowTitle("Indicator"));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(link.requests, std::vector<Bytes>{DisplayPollRequest()});
    // What screen readers and UI automation see.
    QAccessibleInterface* field = QAccessible::queryAccessibleInterface(dlg.Field());
    QVERIFY(field != nullptr);
    QCOMPARE(field->text(QAccessible::Name), QString("Display"));
    QCOMPARE(field->text(QAccessible::Description), QString("  10.00"));
    QAccessibleInterface* stable =
        QAccessible::queryAccessibleInterface(dlg.LampLabel(Lamp::kStable));
    QCOMPARE(stable->text(QAccessible::Name), QString("Stable lamp"));
    QCOMPARE(stable->text(QAccessible::Description), QString("on"));
    const char* names[] = {"ZERO", "GR/NET", "TARE", "UNITS", "PRINT"};
    for (std::size_t i = 0; i < 5; ++i)
      QCOMPARE(dlg.KeyButton(i)->accessibleName(), QString(names[i]));
    for (const LampInfo& info : kLamps) {
      const bool lit = info.lamp == Lamp::kStable || info.lamp == Lamp::kKg ||
                       info.lamp == Lamp::kGross || info.lamp == Lamp::kZero;
      QCOMPARE(dlg.LampLabel(info.lamp)->accessibleName().toStdString(),
               std::string(info.accessibleName));
      QCOMPARE(LampState(dlg, info.lamp), QString(lit ? "on" : "off"));
    }
    // A good first poll is followed after 10 ms; later good polls after 500 ms.
    QCOMPARE(dlg.PollTimer().interval(), 10);
    dlg.OnPollTimer();
    QVERIFY(dlg.PollTimer().interval() > 400 && dlg.PollTimer().interval() <= 500);
    QVERIFY(ui.messages.empty());
  }

  void tareIsSentAndTheNextPollShowsIt() {
    CIndicatorDlg dlg(link, ui);
    link.requests.clear();
    QTest::mouseClick(dlg.KeyButton(2), Qt::LeftButton);
    QCOMPARE(link.requests,
             std::vector<Bytes>({{0x01, 0x31, 0x02, 0x4B, 0x31, 0x32, 0x45, 0x03, 0x3E}}));
    // The display changes only with the next poll.
    QCOMPARE(dlg.Field()->accessibleDescription(), QString("  10.00"));
    dlg.OnPollTimer();
    QCOMPARE(dlg.Field()->accessibleDescription(), QString("     0"));
    QCOMPARE(LampState(dlg, Lamp::kNet), QString("on"));
    QCOMPARE(LampState(dlg, Lamp::kTare), QString("on"));
    QCOMPARE(LampState(dlg, Lamp::kGross), QString("off"));
  }

  void everyKeySendsItsCodeSilently() {
    CIndicatorDlg dlg(link, ui);
    indicator.badCheck = true;  // a failed key exchange stays silent as well
    for (std::size_t i = 0; i < 5; ++i) dlg.KeyButton(i)->click();
    QCOMPARE(indicator.keys, (std::vector<std::string>{"10", "11", "12", "13", "14"}));
    QVERIFY(ui.messages.empty());
  }

  void enterAndEscapeDoNothingAndExitEndsWithOne() {
    CIndicatorDlg dlg(link, ui);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.KeyButton(0)->setFocus();
    link.requests.clear();
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(&dlg, key);
      QTest::keyClick(dlg.KeyButton(0), key);
    }
    QVERIFY(dlg.isVisible());
    QVERIFY(link.requests.empty());  // no key was pressed by Enter
    dlg.close();
    QVERIFY(dlg.isVisible());
    QSignalSpy finished(&dlg, &QDialog::finished);
    QTest::mouseClick(dlg.ExitButton(), Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 1);
    QVERIFY(!dlg.PollTimer().isActive());
  }

  void cellsAreSeventyPixelsOnAGreenField() {
    // "8" in the first cell and a blank in the second: the first cell has black ink, the second
    // is pure green, and the outline is black.
    indicator.display = std::string("\x7F\x00\x00\x00\x00\x00\x06\x00\x00", 9);
    CIndicatorDlg dlg(link, ui);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QImage image = dlg.grab(CIndicatorDlg::kFieldRect).toImage();
    const auto ink = [&](int fromX, int toX) {
      int black = 0;
      for (int y = 1; y < image.height() - 1; ++y) {
        for (int x = fromX - CIndicatorDlg::kFieldRect.left();
             x < toX - CIndicatorDlg::kFieldRect.left(); ++x) {
          if (qGreen(image.pixel(x, y)) < 100) ++black;
        }
      }
      return black;
    };
    QVERIFY(ink(240, 310) > 500);
    QCOMPARE(ink(312, 758), 0);
    QCOMPARE(image.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    QCOMPARE(image.pixel(5, 5) & 0xFFFFFF, 0x00FF00u);
  }
};

}  // namespace
}  // namespace tamarack

QTEST_MAIN(tamarack::IndicatorDialogTest)
#include "indicator_dialog_test.moc"
