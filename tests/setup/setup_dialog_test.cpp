#include "setup/setup_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QToolTip>

#include "link/commands.h"
#include "setup/calibration_dialog.h"
#include "setup/param_codec.h"
#include "setup/password_dialog.h"
#include "support/fake_indicator.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "ui/product.h"
#include "ui/tooltip_relay.h"

namespace tamarack {

using test::FakeLink;
using test::RecordingFeedback;

namespace {

std::size_t Row(std::string_view number) {
  return RowIndex(*FindParam(number));
}

// Answers every read with a value of the right length and every other request with "OK".
struct Indicator : test::ScriptedIndicator {
  explicit Indicator(FakeLink& link) {
    ReadsParams([](const std::string& address) -> std::string {
      const SetupParam* p =
          FindParam(ParamAddress{std::stoi(address.substr(0, 2)), std::stoi(address.substr(3, 2))});
      const int code = std::min<int>(2, static_cast<int>(p->options.size()) - 1);
      return p->kind == ParamKind::kChoice    ? "0" + std::to_string(code)
             : p->kind == ParamKind::kVersion ? "1.05"
             : p->kind == ParamKind::kDate    ? "261207"
             : p->kind == ParamKind::kTime    ? "093045"
                                              : "012345";
    });
    Serve(link);
  }
};

}  // namespace

class SetupDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // Reads are kept in the test folder of the user's data, never in the real one, and dropped.
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void cleanupTestCase() {
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
  }

  void opensWithDefaultsAndEmptyCurrentValues() {
    FakeLink link;
    RecordingFeedback ui;
    CSetupDlg dlg(link, ui);
    // The logo shows although no main window loaded the pictures.
    const QList<QLabel*> labels = dlg.findChildren<QLabel*>();
    const auto logo = std::find_if(labels.begin(), labels.end(),
                                   [](QLabel* l) { return l->accessibleName() == "Logo"; });
    QVERIFY(logo != labels.end() && !(*logo)->pixmap().isNull());
    QCOMPARE(dlg.windowTitle(), QString::fromStdString(WindowTitle("SETUP")));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(dlg.CaptionLabel()->text(), QString("Factory Default"));
    for (const SetupParam& p : SetupParams()) {
      const std::size_t r = RowIndex(p);
      const QString number = QString::fromUtf8(p.displayNumber.data(), p.displayNumber.size());
      QVERIFY(dlg.CurrentField(r)->text().isEmpty());
      QVERIFY(dlg.CurrentField(r)->isEnabled() && dlg.CurrentField(r)->isReadOnly());
      QCOMPARE(dlg.CurrentField(r)->accessibleName(), number + " current");
      if (p.kind == ParamKind::kVersion) {
        QVERIFY(dlg.NewField(r) == nullptr && dlg.WriteButton(r) == nullptr);
        continue;
      }
      QCOMPARE(dlg.NewField(r)->accessibleName(), number + " new");
      QCOMPARE(dlg.WriteButton(r)->accessibleName(), number + " Write");
      QCOMPARE(dlg.WriteButton(r)->text(), QString("Write"));
      if (p.kind == ParamKind::kChoice) {
        auto* list = qobject_cast<QComboBox*>(dlg.NewField(r));
        QVERIFY(list != nullptr && !list->isEditable());
        QCOMPARE(list->count(), static_cast<int>(p.options.size()));
        QVERIFY2(list->currentText().endsWith("*"), qPrintable(number));
        QCOMPARE(list->currentIndex(), p.defaultCode);
      }
      if (p.kind == ParamKind::kNumber) {
        QCOMPARE(qobject_cast<QLineEdit*>(dlg.NewField(r))->text(),
                 QString::fromUtf8(p.defaultText.data(), p.defaultText.size()));
      }
    }
    QCOMPARE(qobject_cast<QLineEdit*>(dlg.NewField(Row("F1.1")))->text(), QString("10000"));
    QVERIFY(qobject_cast<QLineEdit*>(dlg.NewField(Row("F3.2")))->text().isEmpty());
    QCOMPARE(qobject_cast<QComboBox*>(dlg.NewField(Row("F1.2")))->currentText(),
             QString("1 (0.5D)*"));
    QCOMPARE(qobject_cast<QDateEdit*>(dlg.NewField(Row("F7.4")))->displayFormat(),
             QString("dd-MM-yyyy"));
    QCOMPARE(qobject_cast<QTimeEdit*>(dlg.NewField(Row("F7.5")))->displayFormat(),
             QString("HH:mm:ss"));
    QVERIFY(!dlg.Model().valueModified && !dlg.Model().silentDateTimeWrite);
    QVERIFY(link.requests.empty());
  }

  void listsEveryToolWithItsTip() {
    FakeLink link;
    RecordingFeedback ui;
    CSetupDlg dlg(link, ui);
    const ToolTipRelay& relay = dlg.Relay();
    // The 106 tools, then Copy Current and Verify.
    QCOMPARE(relay.Controls().size(), std::size_t{108});
    QCOMPARE(relay.TipOf(dlg.CurrentField(Row("F1.2"))), QString("Zero track band"));
    QCOMPARE(relay.TipOf(dlg.NewField(Row("F2.2"))),
             QString("Choose Primary Unit\rDecimal Point Location"));
    QCOMPARE(relay.TipOf(dlg.WriteButton(Row("F2.2"))),
             QString("Modify Primary Unit Decimal Point Location"));
    QCOMPARE(relay.TipOf(dlg.Button(SetupButton::kSave)),
             QString("Save indicator's all changed parameter"));
    QCOMPARE(relay.TipOf(dlg.Button(SetupButton::kExit)), QString("Exit Parameter Setup window"));
    QCOMPARE(dlg.Button(SetupButton::kReadAll)->accessibleName(), QString("Read All"));
  }

  void showsATwoLineTipOverAReadOnlyField() {
    FakeLink link;
    RecordingFeedback ui;
    CSetupDlg dlg(link, ui);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QLineEdit* field = dlg.CurrentField(Row("F2.3"));
    QVERIFY(field->isReadOnly());
    const QPoint local = field->mapTo(&dlg, field->rect().center());
    QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(dlg.mapToGlobal(local)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &move);
    QTRY_COMPARE(dlg.Relay().Shown(), static_cast<QWidget*>(field));
    QCOMPARE(QToolTip::text(), QString("Primary Unit\nDisplay Divisions"));

    // Reached by Tab, selected and copied, never typed over.
    QVERIFY(field->isEnabled() && (field->focusPolicy() & Qt::TabFocus));
    field->setText("0 (D=1)");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(field->selectedText(), QString("0 (D=1)"));
    QTest::keyClick(field, Qt::Key_9);
    QCOMPARE(field->text(), QString("0 (D=1)"));
  }

  void ignoresEnterAndEscape() {
    FakeLink link;
    RecordingFeedback ui;
    CSetupDlg dlg(link, ui);
    dlg.show();
    for (QWidget* focus : {dlg.NewField(Row("F1.1")), dlg.NewField(Row("F1.2")),
                           dlg.NewField(Row("F7.4")), static_cast<QWidget*>(dlg.WriteButton(0)),
                           static_cast<QWidget*>(dlg.Button(SetupButton::kExit))}) {
      focus->setFocus();
      for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(focus, key);
        QVERIFY2(dlg.isVisible(), "a key ended the window");
      }
    }
    QVERIFY(link.requests.empty());
    QVERIFY(ui.messages.empty());
  }

  void buttonsReachTheLineThroughTheModel() {
    FakeLink link;
    Indicator indicator(link);
    RecordingFeedback ui;
    CSetupDlg dlg(link, ui);
    dlg.show();
    auto* f11 = qobject_cast<QLineEdit*>(dlg.NewField(Row("F1.1")));
    f11->setText("777");  // typed, not written: Read All keeps it
    QTest::mouseClick(dlg.Button(SetupButton::kReadAll), Qt::LeftButton);
    QCOMPARE(link.requests.size(), std::size_t{33});
    QCOMPARE(dlg.CurrentField(Row("F1.1"))->text(), QString("012345"));
    QCOMPARE(dlg.CurrentField(Row("F1.11"))->text(), QString("2 (5D)"));
    QCOMPARE(dlg.CurrentField(Row("F2.3"))->text(), QString("2 (d=5)"));
    QCOMPARE(dlg.CurrentField(Row("F7.3"))->text(), QString("1.05"));
    QCOMPARE(dlg.CurrentField(Row("F7.4"))->text(), QString("07-12-26"));
    QCOMPARE(f11->text(), QString("777"));
    QVERIFY(ui.messages.empty());

    qobject_cast<QComboBox*>(dlg.NewField(Row("F1.6")))->setCurrentText("7 (960Hz)");
    QTest::mouseClick(dlg.WriteButton(Row("F1.6")), Qt::LeftButton);
    QCOMPARE(link.requests.back(), WriteParamRequest({1, 6}, "000007"));
    QCOMPARE(ui.Texts().back(), std::string("F1.6 Value Write Sucess!"));
    QCOMPARE(dlg.CaptionLabel()->text(), QString("New Value"));

    f11->setText("0");
    QTest::mouseClick(dlg.WriteButton(Row("F1.1")), Qt::LeftButton);
    QCOMPARE(ui.Texts().back(), std::string("F1.1 Value can not be zero!"));

    auto* date = qobject_cast<QDateEdit*>(dlg.NewField(Row("F7.4")));
    date->setDate(QDate(2026, 12, 7));
    QTest::mouseClick(dlg.WriteButton(Row("F7.4")), Qt::LeftButton);
    QCOMPARE(link.requests.back(), WriteParamRequest({7, 4}, "261207"));

    const std::size_t sent = link.requests.size();
    ui.answers = {false};
    QTest::mouseClick(dlg.Button(SetupButton::kExit), Qt::LeftButton);
    QCOMPARE(link.requests.size(), sent + 1);
    QCOMPARE(link.requests.back(), KeyRequest(key::kEndSetup));
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
  }

  // The button shows only where the program can run the test; a finished calibration offers it,
  // and the test is run over this opening's session.
  void testScaleIsOfferedAfterAFinishedCalibration_data() {
    QTest::addColumn<bool>("runnable");
    QTest::addColumn<int>("calibration");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("runs");
    QTest::newRow("finished, yes") << true << CCalibrationDlg::kFinished << true << 1;
    QTest::newRow("finished, no") << true << CCalibrationDlg::kFinished << false << 0;
    QTest::newRow("not finished") << true << CCalibrationDlg::kNotFinished << true << 0;
    QTest::newRow("no test to run") << false << CCalibrationDlg::kFinished << true << 0;
  }
  void testScaleIsOfferedAfterAFinishedCalibration() {
    QFETCH(bool, runnable);
    QFETCH(int, calibration);
    QFETCH(bool, answer);
    QFETCH(int, runs);
    FakeLink link;
    Indicator indicator(link);
    RecordingFeedback ui;
    ui.answers = {answer};
    WindowServices services(ui);
    services.runWindow = [&](QDialog&) { return calibration; };
    CSetupDlg::Options options;
    options.historyFolder = QString();
    int ran = 0;
    const SetupSession* seen = nullptr;
    if (runnable) {
      options.runTestScale = [&](QWidget*, SetupSession& session) {
        ++ran;
        seen = &session;
      };
    }
    CSetupDlg dlg(link, services, std::move(options));
    dlg.show();
    QCOMPARE(dlg.TestScaleButton()->isVisible(), runnable);
    dlg.OnCalibration();
    QCOMPARE(ran, runs);
    const bool asked = std::ranges::count(ui.Texts(), std::string(kTestAfterCalibration)) == 1;
    QCOMPARE(asked, runnable && calibration == CCalibrationDlg::kFinished);
    if (!runnable) return;
    QTest::mouseClick(dlg.TestScaleButton(), Qt::LeftButton);
    QCOMPARE(ran, runs + 1);
    QCOMPARE(seen, &dlg.Session());
  }

  void sideButtonsRunTheWholeSetupOperations() {
    FakeLink link;
    Indicator indicator(link);
    RecordingFeedback ui;
    QTemporaryDir dir;
    const QString file = dir.filePath("kept.stx");
    int passwordAsked = 0;
    std::vector<FileDialogSetup> asked;
    std::vector<bool> forSaving;
    WindowServices services(ui);
    services.pickFile = [&](QWidget*, const FileDialogSetup& setup) {
      asked.push_back(setup);
      forSaving.push_back(false);
      return file;
    };
    services.pickSaveFile = [&](QWidget*, const FileDialogSetup& setup) {
      asked.push_back(setup);
      forSaving.push_back(true);
      return file;
    };
    // The password gate lets Set Default through; the calibration wizard finishes.
    services.runWindow = [&](QDialog& window) {
      if (qobject_cast<CPasswordDlg*>(&window)) {
        ++passwordAsked;
        return CPasswordDlg::kCodeAccepted;
      }
      return qobject_cast<CCalibrationDlg*>(&window) ? CCalibrationDlg::kFinished : -1;
    };
    CSetupDlg dlg(link, services);
    dlg.show();
    auto click = [&](SetupButton which) {
      link.requests.clear();
      QTest::mouseClick(dlg.Button(which), Qt::LeftButton);
      return link.requests;
    };

    QCOMPARE(click(SetupButton::kSave), std::vector<Frame>{KeyRequest(key::kSave)});
    QCOMPARE(click(SetupButton::kRestore), std::vector<Frame>{KeyRequest(key::kRestore)});
    QCOMPARE(click(SetupButton::kSetDefault), std::vector<Frame>{KeyRequest(key::kFactoryDefault)});
    QCOMPARE(passwordAsked, 1);

    // Empty calibration fields refuse Write All before anything is sent.
    QVERIFY(click(SetupButton::kWriteAll).empty());
    QCOMPARE(ui.Texts().back(), std::string("F3.1 Value can not be Empt!"));
    for (const char* number : {"F3.1", "F3.2", "F3.3"}) {
      qobject_cast<QLineEdit*>(dlg.NewField(Row(number)))->setText("1000");
    }
    const std::vector<Frame> sent = click(SetupButton::kWriteAll);
    QCOMPARE(sent.size(), std::size_t{3});  // date, time, block
    QCOMPARE(sent.back().size(), std::size_t{54});
    QCOMPARE(dlg.CaptionLabel()->text(), QString("New Value"));  // the date and time were written
    QVERIFY(dlg.Model().valueModified);

    click(SetupButton::kReadAll);
    QVERIFY(click(SetupButton::kSaveToFile).empty());
    QVERIFY(QFile::exists(file));
    auto* f11 = qobject_cast<QLineEdit*>(dlg.NewField(Row("F1.1")));
    f11->setText("5");
    QVERIFY(click(SetupButton::kLoadFromFile).empty());
    QCOMPARE(f11->text(), QString("012345"));  // the current value that was saved
    // Save asks with a save dialog that replaces without a question, Load with an open dialog;
    // both suggest the same name and accept one that does not exist.
    QCOMPARE(asked.size(), std::size_t{2});
    QVERIFY(forSaving[0] && !asked[0].confirmOverwrite);
    QVERIFY(!forSaving[1]);
    for (const FileDialogSetup& setup : asked) {
      QCOMPARE(setup.initialName, "SetupValue_1.stx");
      QCOMPARE(setup.defaultSuffix, "stx");
      QCOMPARE(setup.nameFilters,
               (QStringList{"Setup Value File(.stx) (*.stx)", "All Files (*.*) (*)"}));
    }

    click(SetupButton::kCalibration);
    QCOMPARE(ui.Texts().back(), std::string("Calibration Finished!"));
    QVERIFY(dlg.isVisible());
  }

  // A byte above 127 in a value read from the indicator reaches the file as that same byte, and
  // shows as its Latin-1 character.
  void keepsEveryByteOfAReadValue() {
    FakeLink link;
    // Every number read answers "01234" and the byte B5.
    test::ScriptedIndicator indicator;
    indicator.ReadsParams([](const std::string& address) -> std::string {
      const SetupParam* p =
          FindParam(ParamAddress{std::stoi(address.substr(0, 2)), std::stoi(address.substr(3, 2))});
      return p->kind == ParamKind::kChoice    ? "00"
             : p->kind == ParamKind::kVersion ? "1.05"
             : p->kind == ParamKind::kDate    ? "261207"
             : p->kind == ParamKind::kTime    ? "093045"
                                              : "01234\xB5";
    });
    indicator.Serve(link);
    RecordingFeedback ui;
    QTemporaryDir dir;
    const QString file = dir.filePath("bytes.stx");
    WindowServices services(ui);
    services.pickSaveFile = [&](QWidget*, const FileDialogSetup&) { return file; };
    CSetupDlg dlg(link, services);
    QTest::mouseClick(dlg.Button(SetupButton::kReadAll), Qt::LeftButton);
    QVERIFY(ui.messages.empty());
    QCOMPARE(dlg.CurrentField(Row("F1.1"))->text(), QString::fromUtf8("01234\xC2\xB5"));
    QTest::mouseClick(dlg.Button(SetupButton::kSaveToFile), Qt::LeftButton);
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QVERIFY2(bytes.startsWith("01234\xB5,"), bytes.toHex().constData());
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::SetupDialogTest)
#include "setup_dialog_test.moc"
