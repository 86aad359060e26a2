#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "setup/bulk_ops.h"
#include "setup/calibration_dialog.h"
#include "setup/password_dialog.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/when_modal.h"
#include "ui/product.h"

namespace tamarack {

using test::FakeLink;
using test::Payload;
using test::RecordingFeedback;
using test::WhenModal;
using Kind = RecordingFeedback::Kind;

namespace {

// Types `entries` one after the other into the gate, pressing OK after each.
void TypeIntoGate(std::vector<QString> entries) {
  WhenModal([entries](QWidget* modal) {
    auto* gate = qobject_cast<CPasswordDlg*>(modal);
    QVERIFY(gate != nullptr);
    for (const QString& entry : entries) {
      if (!gate->isVisible()) return;
      gate->Field()->setText(entry);
      QTest::mouseClick(gate->OkButton(), Qt::LeftButton);
    }
  });
}

}  // namespace

class BulkDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void gateLooksRightAndIgnoresKeys() {
    RecordingFeedback ui;
    CPasswordDlg gate(ui);
    QCOMPARE(gate.windowTitle(), QString::fromStdString(WindowTitle("PassWord")));
    QCOMPARE(gate.Field()->echoMode(), QLineEdit::Password);
    QCOMPARE(gate.Field()->accessibleName(), QString("PassWord"));
    QCOMPARE(gate.OkButton()->text(), QString("OK"));
    QVERIFY(!(gate.windowFlags() & Qt::WindowCloseButtonHint));
    gate.show();
    gate.Field()->setText("5183");
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QTest::keyClick(gate.Field(), key);
      QVERIFY(gate.isVisible());
    }
    QVERIFY(ui.messages.empty());
  }

  void gateRefusesAnythingButTheExactCode() {
    for (const QString& entry :
         {QString(""), QString(" 5183"), QString("5183 "), QString("51830"), QString("5813")}) {
      RecordingFeedback ui;
      ui.answers = {false};
      CPasswordDlg gate(ui);
      gate.show();
      gate.Field()->setText(entry);
      QTest::mouseClick(gate.OkButton(), Qt::LeftButton);
      QCOMPARE(
          ui.messages,
          (std::vector<RecordingFeedback::Message>{{Kind::kRetryCancel, "PassWord is Error!"}}));
      QVERIFY(!gate.isVisible());
      QCOMPARE(gate.result(), CPasswordDlg::kGaveUp);
    }
  }

  void gateRetryEmptiesTheFieldAndKeepsItsFocus() {
    RecordingFeedback ui;
    ui.answers = {true};
    CPasswordDlg gate(ui);
    gate.show();
    gate.OkButton()->setFocus();
    gate.Field()->setText("1234");
    QTest::mouseClick(gate.OkButton(), Qt::LeftButton);
    QVERIFY(gate.isVisible());
    QVERIFY(gate.Field()->text().isEmpty());
    QCOMPARE(gate.focusWidget(), gate.Field());
    gate.Field()->setText("5183");
    QTest::mouseClick(gate.OkButton(), Qt::LeftButton);
    QVERIFY(!gate.isVisible());
    QCOMPARE(gate.result(), CPasswordDlg::kCodeAccepted);
  }

  // Set Default through the real gate: the right code, a wrong code then Retry, and Cancel.
  void setDefaultAsksTheGate_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("retry");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("last");
    QTest::newRow("right code") << QStringList{"5183"} << false << true << "Default Setup Sucess!";
    QTest::newRow("wrong then retry")
        << QStringList{"5184", "5183"} << true << true << "Default Setup Sucess!";
    QTest::newRow("cancel") << QStringList{"1"} << false << false << "Default Setup Cancel!";
  }

  void setDefaultAsksTheGate() {
    QFETCH(QStringList, entries);
    QFETCH(bool, retry);
    QFETCH(bool, sent);
    QFETCH(QString, last);
    FakeLink link;
    link.QueueReply("OK");
    RecordingFeedback ui;
    ui.answers = {retry};
    SetupModel model = OpeningModel("07-12-2026", "09:30:45");
    model.caption = std::string(kCaptionNewValue);

    TypeIntoGate(std::vector<QString>(entries.begin(), entries.end()));
    SetFactoryDefaults(model, link, ui, [&] {
      CPasswordDlg gate(ui);
      return gate.exec() == CPasswordDlg::kCodeAccepted ? PasswordAnswer::kAccepted
                                                        : PasswordAnswer::kGaveUp;
    });

    QCOMPARE(link.requests.size(), sent ? 1u : 0u);
    if (sent) QCOMPARE(Payload(link.requests[0]), std::string("K17E"));
    QCOMPARE(QString::fromStdString(ui.messages.back().text), last);
    QCOMPARE(ui.messages.back().kind, Kind::kSuccess);
    // One question per wrong entry, then the result.
    const auto wrong = static_cast<std::size_t>(entries.size()) - (sent ? 1u : 0u);
    QCOMPARE(ui.messages.size(), wrong + 1);
    QCOMPARE(model.caption, std::string(sent ? kCaptionFactoryDefault : kCaptionNewValue));
  }

  void wizardOpensOnTheZeroStep() {
    FakeLink link;
    RecordingFeedback ui;
    CCalibrationDlg wizard(link, ui);
    QCOMPARE(wizard.windowTitle(), QString::fromStdString(WindowTitle("Calibration_Step1_WZERO")));
    QCOMPARE(wizard.ActionButton()->text(), QString("WZERO"));
    QCOMPARE(wizard.ActionButton()->accessibleName(), QString("WZERO"));
    QCOMPARE(wizard.ExitButton()->accessibleName(), QString("Exit"));
    QCOMPARE(wizard.TestWeightField()->accessibleName(), QString("Test Weight"));
    QVERIFY(!wizard.TestWeightField()->isEnabled());
    QVERIFY(wizard.TestWeightField()->text().isEmpty());
    QVERIFY(wizard.Prompt()->text().startsWith("Remove all weight from the scale platform.\n"));
    QVERIFY(!(wizard.windowFlags() & Qt::WindowCloseButtonHint));
    wizard.show();
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QTest::keyClick(wizard.ActionButton(), key);
      QVERIFY(wizard.isVisible());
    }
    QVERIFY(link.requests.empty());
    QTest::mouseClick(wizard.ExitButton(), Qt::LeftButton);
    QCOMPARE(wizard.result(), CCalibrationDlg::kNotFinished);
    QVERIFY(link.requests.empty());
  }

  void wizardWalksTheStepsAndExitsFinishedAfterTheSpan() {
    FakeLink link;
    RecordingFeedback ui;
    CCalibrationDlg wizard(link, ui);
    wizard.show();
    link.QueueReply("OK");
    QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
    QCOMPARE(wizard.ActionButton()->text(), QString("WVALUE"));
    QVERIFY(wizard.TestWeightField()->isEnabled());
    QCOMPARE(wizard.focusWidget(), wizard.TestWeightField());

    QTest::keyClicks(wizard.TestWeightField(), "150kg");
    QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
    QCOMPARE(ui.Texts(), std::vector<std::string>{"WValue must be number!"});
    QCOMPARE(wizard.TestWeightField()->text(), QString("150kg"));

    wizard.TestWeightField()->setText("2500");
    link.QueueReply("OK");
    QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
    QCOMPARE(wizard.windowTitle(), QString::fromStdString(WindowTitle("Calibration_Step3_WSPAN")));
    QVERIFY(!wizard.TestWeightField()->isEnabled());
    QCOMPARE(wizard.TestWeightField()->text(), QString("2500"));
    QCOMPARE(wizard.focusWidget(), wizard.ActionButton());

    link.QueueReply("OK");
    QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
    QCOMPARE(wizard.ActionButton()->text(), QString("REZERO"));
    link.QueueReply("NO");
    QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
    QVERIFY(wizard.isVisible());
    QCOMPARE(ui.Texts().back(), std::string("REZERO False!"));
    QTest::mouseClick(wizard.ExitButton(), Qt::LeftButton);
    QCOMPARE(wizard.result(), CCalibrationDlg::kFinished);
    QCOMPARE(Payload(link.requests[1]), std::string("P03.02=002500E"));
    QCOMPARE(link.requests.size(), 4u);
  }

  void aSuccessfulReZeroEndsTheWizardFinished() {
    FakeLink link;
    for (int i = 0; i < 4; ++i) link.QueueReply("OK");
    RecordingFeedback ui;
    WhenModal([](QWidget* modal) {
      auto* wizard = qobject_cast<CCalibrationDlg*>(modal);
      QVERIFY(wizard != nullptr);
      for (int step = 0; step < 4 && wizard->isVisible(); ++step) {
        if (step == 1) wizard->TestWeightField()->setText("100");
        QTest::mouseClick(wizard->ActionButton(), Qt::LeftButton);
      }
    });
    CCalibrationDlg wizard(link, ui);
    QCOMPARE(wizard.exec(), CCalibrationDlg::kFinished);
    QCOMPARE(link.requests.size(), 4u);
    QVERIFY(ui.messages.empty());
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::BulkDialogsTest)
#include "bulk_dialogs_test.moc"
