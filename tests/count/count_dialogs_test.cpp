#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "count/aws_dialog.h"
#include "count/count_setup_dialog.h"
#include "count/count_wire.h"
#include "link/commands.h"
#include "support/fake_indicator.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/temp_folder.h"
#include "ui/product.h"
#include "ui/tooltip_relay.h"

namespace tamarack {

using test::FakeLink;
using test::RecordingFeedback;

class CountDialogsTest : public QObject {
  Q_OBJECT

 private:
  static void PressKeys(QDialog& dlg, QWidget* focus) {
    dlg.show();
    focus->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(focus, key);
      QVERIFY2(dlg.isVisible(), "a key ended the window");
    }
  }

 private slots:
  void countSetupOpensQuietlyOnItemZero() {
    FakeLink link;
    RecordingFeedback ui;
    CCountSetupDlg dlg(link, ui);
    QCOMPARE(dlg.windowTitle(), QString::fromStdString(WindowTitle("Count Setup")));
    QCOMPARE(dlg.ItemList()->count(), 101);
    QCOMPARE(dlg.ItemList()->itemText(0), QString("0"));
    QCOMPARE(dlg.ItemList()->itemText(99), QString("99"));
    QCOMPARE(dlg.ItemList()->itemText(100), QString("AA"));
    QVERIFY(!dlg.ItemList()->isEditable());
    QCOMPARE(dlg.ItemList()->currentText(), QString("0"));
    QVERIFY(dlg.WeightField()->text().isEmpty());
    const std::pair<QPushButton*, const char*> buttons[] = {
        {dlg.WriteButton(), "Write"},
        {dlg.ReadButton(), "Read"},
        {dlg.SetupButton(), "Average Weight Setup"},
        {dlg.SaveButton(), "Average Weight Save"},
        {dlg.LoadButton(), "Average Weight Load"},
        {dlg.ExitButton(), "Exit"}};
    for (const auto& [button, caption] : buttons) {
      QCOMPARE(button->text(), QString(caption));
      QCOMPARE(button->accessibleName(), QString(caption));
    }
    QCOMPARE(dlg.ItemList()->accessibleName(), QString("Count Item"));
    QCOMPARE(dlg.WeightField()->accessibleName(), QString("Average Weight"));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
    PressKeys(dlg, dlg.WriteButton());
    PressKeys(dlg, dlg.WeightField());
    PressKeys(dlg, dlg.ItemList());
    QVERIFY(link.requests.empty());
    QVERIFY(ui.messages.empty());
  }

  void countSetupButtonsReachTheLine() {
    FakeLink link;
    RecordingFeedback ui;
    CCountSetupDlg dlg(link, ui);
    dlg.ItemList()->setCurrentIndex(kCurrentItemPosition);
    link.QueueReply("120020000000E");
    QTest::mouseClick(dlg.ReadButton(), Qt::LeftButton);
    QCOMPARE(dlg.ItemList()->currentText(), QString("12"));
    QCOMPARE(dlg.WeightField()->text(), QString("0020000000"));

    dlg.WeightField()->setText("30000000");
    link.QueueReply("OK");
    QTest::mouseClick(dlg.WriteButton(), Qt::LeftButton);
    QCOMPARE(link.requests.back(), WeightRequest("12", "0030000000"));

    link.QueueReply("OK");
    QTest::mouseClick(dlg.ExitButton(), Qt::LeftButton);
    QCOMPARE(link.requests.back(), KeyRequest("16"));
    QCOMPARE(dlg.result(), 1);
  }

  void countSetupRunsTheWizardAndReadsAfterIt() {
    FakeLink link;
    RecordingFeedback ui;
    WindowServices services(ui);
    std::string given;
    int result = 0;
    services.runWindow = [&](QDialog& window) {
      auto* wizard = qobject_cast<CAwsDlg*>(&window);
      given = wizard ? wizard->Model().itemText : "not the wizard";
      return result;
    };
    CCountSetupDlg dlg(link, services);
    dlg.ItemList()->setCurrentIndex(5);
    QTest::mouseClick(dlg.SetupButton(), Qt::LeftButton);
    QCOMPARE(given, std::string("5"));
    QCOMPARE(ui.Texts(), std::vector<std::string>{"Average Weight Setup not Finished."});
    result = 1;
    link.QueueReply("050012345678E");
    QTest::mouseClick(dlg.SetupButton(), Qt::LeftButton);
    QCOMPARE(dlg.WeightField()->text(), QString("0012345678"));
  }

  void countSetupSavesAndLoadsThroughTheAskedName() {
    FakeLink link;
    RecordingFeedback ui;
    const test::TempFolder folder;
    const auto file = folder.Path() / "count.aws";
    WindowServices services(ui);
    std::vector<FileDialogSetup> asked;
    int opened = 0;
    services.pickSaveFile = [&](QWidget*, const FileDialogSetup& setup) {
      asked.push_back(setup);
      return QFile::decodeName(file.c_str());
    };
    services.pickFile = [&](QWidget*, const FileDialogSetup&) {
      ++opened;
      return QString();
    };
    CCountSetupDlg dlg(link, services);
    dlg.ItemList()->setCurrentIndex(3);
    dlg.WeightField()->setText("20000000");
    QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
    dlg.WeightField()->clear();
    QTest::mouseClick(dlg.LoadButton(), Qt::LeftButton);
    QCOMPARE(dlg.WeightField()->text(), QString("0020000000"));
    QCOMPARE(std::filesystem::file_size(file), std::uintmax_t{1000});
    // Both ask through a save-style dialog that accepts a new name and never asks about
    // replacing: saving keeps the file's other records.
    QCOMPARE(asked.size(), std::size_t{2});
    QCOMPARE(opened, 0);
    for (const FileDialogSetup& setup : asked) {
      QVERIFY(!setup.confirmOverwrite);
      QCOMPARE(setup.initialName, "AWS_1.aws");
      QCOMPARE(setup.defaultSuffix, "aws");
      QCOMPARE(setup.nameFilters,
               (QStringList{"Average Weight Setup File(.aws) (*.aws)", "All Files (*.*)"}));
    }
    QVERIFY(ui.messages.empty());
  }

  void wizardOpensOnStepOne() {
    FakeLink link;
    RecordingFeedback ui;
    CAwsDlg dlg(link, ui, "7");
    QCOMPARE(dlg.windowTitle(), QString::fromStdString(WindowTitle("AWS_Step1_Zero")));
    QCOMPARE(dlg.Prompt()->text(),
             QString("Remove all weight from the scale.\nThen Press <Zero> button."));
    QCOMPARE(dlg.ActionButton()->text(), QString("Zero"));
    QCOMPARE(dlg.ItemField()->text(), QString("7"));
    QVERIFY(dlg.ItemField()->isReadOnly());
    QCOMPARE(dlg.QuantityList()->currentText(), QString("100"));
    QCOMPARE(dlg.QuantityList()->count(), 11);
    QVERIFY(!dlg.QuantityList()->isEditable());
    QCOMPARE(dlg.QuantityList()->accessibleName(), QString("Sample quantity"));
    QCOMPARE(dlg.Relay().TipOf(dlg.ItemField()),
             QString("the code number of the Average Weight Setup\r\"AA\" is select indicator "
                     "current count item"));
    QCOMPARE(dlg.Relay().TipOf(dlg.QuantityList()),
             QString("Choose sample quantity of the count items"));
    QCOMPARE(dlg.Relay().TipOf(dlg.ExitButton()), QString("Exit Average Weight Setup Window"));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
    PressKeys(dlg, dlg.ActionButton());
    QVERIFY(link.requests.empty());
  }

  void wizardWalksThroughItsSteps() {
    FakeLink link;
    RecordingFeedback ui;
    CAwsDlg dlg(link, ui, "AA");
    test::ScriptedIndicator indicator;
    indicator.On(test::Payload(WeightRequest("AA", "0000000000")), "120000000000E").Serve(link);
    QTest::mouseClick(dlg.ActionButton(), Qt::LeftButton);
    QCOMPARE(dlg.ItemField()->text(), QString("12"));
    QCOMPARE(dlg.windowTitle(), QString::fromStdString(WindowTitle("AWS_Step2_Sample Quantity")));
    QCOMPARE(dlg.ActionButton()->text(), QString("Sample Quantity"));
    QVERIFY(dlg.QuantityList()->isEnabled());
    dlg.QuantityList()->setCurrentIndex(dlg.QuantityList()->findText("1500"));
    QTest::mouseClick(dlg.ActionButton(), Qt::LeftButton);
    QCOMPARE(link.requests.back(), WriteParamRequest({5, 4}, "001500"));
    QCOMPARE(dlg.windowTitle(), QString::fromStdString(WindowTitle("AWS_Step3_Confirming")));
    QCOMPARE(dlg.Prompt()->text(),
             QString("Keep Sample weights on the scale,\nThen Press <Confirming> button!"));
    QVERIFY(!dlg.QuantityList()->isEnabled());
    QTest::mouseClick(dlg.ActionButton(), Qt::LeftButton);
    QCOMPARE(dlg.result(), 1);
    QVERIFY(ui.messages.empty());
  }

  void wizardExitSendsNothing() {
    FakeLink link;
    RecordingFeedback ui;
    CAwsDlg dlg(link, ui, "5");
    dlg.setResult(7);
    QTest::mouseClick(dlg.ExitButton(), Qt::LeftButton);
    QCOMPARE(dlg.result(), 0);
    QVERIFY(link.requests.empty());
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::CountDialogsTest)
#include "count_dialogs_test.moc"
