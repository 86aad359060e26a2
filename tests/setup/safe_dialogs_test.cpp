// The safe-change parts of the setup window: the marks, Copy Current, the history and the service
// record, against the simulated indicator (in memory, and through the real port for the record).

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>

#include "records/history_dialog.h"
#include "records/service_record_dialog.h"
#include "setup/calibration.h"
#include "setup/calibration_dialog.h"
#include "setup/setup_dialog.h"
#include "setup/setup_value_file.h"
#include "sim/simulator.h"
#include "support/quick_sim.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"
#include "support/sim_port.h"
#include "ui/tooltip_relay.h"

namespace tamarack {

using test::RecordingFeedback;

namespace {

std::size_t Row(std::string_view number) {
  return RowIndex(*FindParam(number));
}

// What marks an editable field as differing: its description is its tip, then the mark on a line
// of its own. Empty when it does not differ; the whole description when the tip is missing.
QString MarkOf(const CSetupDlg& dlg, QWidget* field) {
  const QString tip = ToolTipRelay::Displayed(dlg.Relay().TipOf(field));
  const QString description = field->accessibleDescription();
  if (!description.startsWith(tip)) return "no tip: " + description;
  QString mark = description.mid(tip.size());
  if (mark.startsWith('\n')) mark.remove(0, 1);
  return mark;
}

// Runs a program and gives its standard output; empty when it could not run.
QString Output(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class SafeDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void marksFollowEditsLoadsAndWrites() {
    sim::Simulator simulator(test::QuickSim());
    simulator.With([](sim::SimulatedIndicator& m) { m.SetValue("F1.6", "04"); });
    test::SimLine line(simulator);
    RecordingFeedback ui;
    QTemporaryDir dir;
    const QString file = dir.filePath("loaded.stx");
    CSetupDlg::Options hooks;
    hooks.historyFolder = QString();
    WindowServices services(ui);
    services.pickFile = [&](QWidget*, const FileDialogSetup&) { return file; };
    CSetupDlg dlg(line, services, hooks);
    QVERIFY(!dlg.HistoryButton()->isEnabled());  // no folder, no history
    auto* f16 = qobject_cast<QComboBox*>(dlg.NewField(Row("F1.6")));
    auto* f62 = qobject_cast<QLineEdit*>(dlg.NewField(Row("F6.2")));

    // Before a Read All nothing is compared and nothing can be copied.
    QVERIFY(!dlg.CopyCurrentButton()->isEnabled());
    QVERIFY(dlg.DifferencesLabel()->text().isEmpty());
    QVERIFY(MarkOf(dlg, f16).isEmpty());

    dlg.OnReadAll();
    QVERIFY(dlg.CopyCurrentButton()->isEnabled());
    // F1.6 and the three empty calibration counts.
    QCOMPARE(dlg.DifferencesLabel()->text(), QString("4 parameters differ from the indicator"));
    QCOMPARE(MarkOf(dlg, f16), QString("differs from the indicator: 4 (120Hz)"));
    QVERIFY(dlg.EditableLabel(Row("F1.6"))->font().bold());
    QVERIFY(!f16->styleSheet().isEmpty());
    QVERIFY(!dlg.EditableLabel(Row("F1.2"))->font().bold());
    QVERIFY(dlg.NewField(Row("F1.2"))->styleSheet().isEmpty());

    f62->setText("000100");  // the same number as the default "100"
    QCOMPARE(MarkOf(dlg, f62), QString());
    f62->setText("101");
    QCOMPARE(MarkOf(dlg, f62), QString("differs from the indicator: 000100"));
    QCOMPARE(dlg.DifferencesLabel()->text(), QString("5 parameters differ from the indicator"));
    f16->setCurrentIndex(4);
    QCOMPARE(MarkOf(dlg, f16), QString());
    QVERIFY(!dlg.EditableLabel(Row("F1.6"))->font().bold());

    // A successful Write clears its mark although the current column stays as read.
    f62->setText("250");
    QTest::mouseClick(dlg.WriteButton(Row("F6.2")), Qt::LeftButton);
    QCOMPARE(ui.Texts().back(), std::string("F6.2 Value Write Sucess!"));
    QCOMPARE(MarkOf(dlg, f62), QString());
    QCOMPARE(dlg.CurrentField(Row("F6.2"))->text(), QString("000100"));

    // Load from File: a setup that differs only in F1.1.
    SetupModel saved = OpeningModel("", "");
    saved.currentValue = dlg.Model().currentValue;
    saved.currentValue[Row("F1.1")] = "004000";
    QVERIFY(WriteSetupValueFile(file.toStdString(), SetupValueRecord(saved)));
    QTest::mouseClick(dlg.Button(SetupButton::kLoadFromFile), Qt::LeftButton);
    // F1.1, and F6.2 again: the file holds the value read before the write.
    QCOMPARE(dlg.DifferencesLabel()->text(), QString("2 parameters differ from the indicator"));
    QCOMPARE(MarkOf(dlg, dlg.NewField(Row("F1.1"))), QString("differs from the indicator: 010000"));

    QTest::mouseClick(dlg.CopyCurrentButton(), Qt::LeftButton);
    QCOMPARE(dlg.DifferencesLabel()->text(), QString("No parameter differs from the indicator"));
    QCOMPARE(f62->text(), QString("000250"));
    QCOMPARE(dlg.Relay().TipOf(dlg.CopyCurrentButton()),
             QString("Put the indicator's current values into the new-value column"));
    QCOMPARE(dlg.Relay().TipOf(dlg.VerifyButton()),
             QString("Read the indicator back and compare with the new-value column"));
  }

  void historyKeepsEveryReadAndLoadsOneBack() {
    sim::Simulator simulator(test::QuickSim());
    test::SimLine line(simulator);
    RecordingFeedback ui;
    QTemporaryDir dir;
    CSetupDlg::Options hooks;
    hooks.historyFolder = dir.filePath("history");
    hooks.line = {"COM3", {9600, 8, 1, Parity::kNone}};
    std::vector<HistoryEntry> listed;
    const CSetupDlg* setup = nullptr;
    WindowServices services(ui);
    services.runWindow = [&](QDialog& window) -> int {
      auto* list = qobject_cast<CHistoryDlg*>(&window);
      if (list == nullptr) return -1;
      listed = setup->Session().History()->List();
      // The oldest read: F1.6 was still 1 then.
      list->List()->setCurrentItem(list->List()->topLevelItem(1));
      [&] { QVERIFY(list->LoadButton()->isEnabled()); }();
      return QDialog::Accepted;
    };
    CSetupDlg dlg(line, services, hooks);
    setup = &dlg;
    dlg.OnReadAll();
    simulator.With([](sim::SimulatedIndicator& m) { m.SetValue("F1.6", "03"); });
    dlg.OnReadAll();
    QVERIFY(ui.messages.empty());

    QTest::mouseClick(dlg.HistoryButton(), Qt::LeftButton);
    QCOMPARE(listed.size(), std::size_t{2});
    for (const HistoryEntry& e : listed) {
      QVERIFY2(e.readable, e.problem.c_str());
      QCOMPARE(e.meta.port, std::string("COM3"));
      QCOMPARE(e.meta.version, std::string(sim::kSimVersion));
    }
    QCOMPARE(qobject_cast<QComboBox*>(dlg.NewField(Row("F1.6")))->currentIndex(), 1);
    QCOMPARE(MarkOf(dlg, dlg.NewField(Row("F1.6"))),
             QString("differs from the indicator: 3 (60Hz)"));
    QCOMPARE(qobject_cast<QLineEdit*>(dlg.NewField(Row("F3.1")))->text(), QString("012000"));

    // A damaged file is listed, not loadable.
    QFile damaged(QString::fromStdString(listed[0].path));
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("010000,1,0");
    damaged.close();
    CHistoryDlg list(*dlg.Session().History(), dlg.Model());
    QTreeWidgetItem* first = list.List()->topLevelItem(0);
    QVERIFY(first->text(3).startsWith("unreadable"));
    QVERIFY(!(first->flags() & Qt::ItemIsSelectable));
    QCOMPARE(list.List()->topLevelItem(1)->text(3), QString("1"));
  }

  void aHistoryFolderThatCannotBeWrittenCostsOneMessage() {
    sim::Simulator simulator(test::QuickSim());
    test::SimLine line(simulator);
    RecordingFeedback ui;
    CSetupDlg::Options hooks;
    hooks.historyFolder = "/proc/tamarack-history";
    bool asFound = false;
    const CSetupDlg* setup = nullptr;
    WindowServices services(ui);
    services.runWindow = [&](QDialog& window) {
      if (qobject_cast<CServiceRecordDlg*>(&window))
        asFound = setup->Session().FirstRead().has_value();
      return 0;
    };
    CSetupDlg dlg(line, services, hooks);
    setup = &dlg;
    // The record offers the first read itself.
    ui.answers = {true};
    QTest::mouseClick(dlg.ServiceRecordButton(), Qt::LeftButton);
    QVERIFY(asFound);
    dlg.OnReadAll();
    QCOMPARE(ui.messages.size(), std::size_t{2});
    QCOMPARE(ui.messages[0].text, std::string(kReadForRecord));
    QVERIFY(ui.messages[1].text.starts_with("History not kept: "));
    QCOMPARE(dlg.CurrentField(Row("F7.3"))->text(),
             QString::fromStdString(std::string(sim::kSimVersion)));
    QVERIFY(dlg.CopyCurrentButton()->isEnabled());
  }

  void serviceRecordHoldsAsFoundAsLeftAndTheOperations() {
    test::EnsureCoreApplication();
    sim::Simulator simulator(test::QuickSim());
    sim::PtyTransport transport(simulator, {});
    CommPort port;
    RecordingFeedback ui;
    const std::string error = test::ServeAndOpen(transport, port, ui);
    QVERIFY2(error.empty(), error.c_str());

    QTemporaryDir dir;
    const QString shots = qEnvironmentVariable("TAMARACK_SHOT_DIR");
    const QString pdf = dir.filePath("record.pdf");
    const QString csv = dir.filePath("record.csv");
    const QString name = QString::fromUtf8("Zoë Łukasiewicz 技师");
    const QString note = QString::fromUtf8("Sample rate raised ✓\nseal 4711, \"new\"");
    CSetupDlg::Options hooks;
    hooks.historyFolder = dir.filePath("history");
    hooks.line = {transport.DevicePath(), {9600, 8, 1, Parity::kNone}};
    WindowServices services(ui);
    QString pdfPath = "/proc/tamarack-record.pdf";
    services.pickSaveFile = [&](QWidget*, const FileDialogSetup& setup) {
      return setup.defaultSuffix == "pdf" ? pdfPath : csv;
    };
    int recordRuns = 0;
    services.runWindow = [&](QDialog& window) {
      if (auto* record = qobject_cast<CServiceRecordDlg*>(&window)) {
        ++recordRuns;
        record->show();
        record->TechnicianField()->setText(name);
        record->NoteField()->setPlainText(note);
        // A file that cannot be written says why, and the record stays open.
        QTest::mouseClick(record->SavePdfButton(), Qt::LeftButton);
        [&] { QVERIFY(ui.Texts().back().starts_with("Service record not saved: ")); }();
        [&] { QVERIFY(record->isVisible()); }();
        pdfPath = pdf;
        QTest::mouseClick(record->SavePdfButton(), Qt::LeftButton);
        QTest::mouseClick(record->SaveCsvButton(), Qt::LeftButton);
        if (!shots.isEmpty()) {
          WriteServiceRecordPdf(record->Record(), shots + "/record.pdf", pdfPath);
        }
        return 0;
      }
      // The calibration wizard's steps, pressed in its place.
      CalibrationModel wizard = CalibrationModel::Initial();
      PressCalibrationAction(wizard, port, ui);
      wizard.testWeight = "500";
      PressCalibrationAction(wizard, port, ui);
      simulator.With([](sim::SimulatedIndicator& m) { m.SetLoad(50); });
      PressCalibrationAction(wizard, port, ui);
      return CalibrationFinishedOnExit(wizard) ? CCalibrationDlg::kFinished
                                               : CCalibrationDlg::kNotFinished;
    };
    CSetupDlg dlg(port, services, hooks);
    dlg.show();

    dlg.OnReadAll();
    auto* f16 = qobject_cast<QComboBox*>(dlg.NewField(Row("F1.6")));
    f16->setCurrentIndex(2);
    QTest::mouseClick(dlg.WriteButton(Row("F1.6")), Qt::LeftButton);
    QTest::mouseClick(dlg.Button(SetupButton::kCalibration), Qt::LeftButton);
    QCOMPARE(ui.Texts().back(), std::string("Calibration Finished!"));
    // A write after the latest read: the record offers to read first, and the user agrees.
    ui.answers = {true};
    QTest::mouseClick(dlg.ServiceRecordButton(), Qt::LeftButton);
    QCOMPARE(recordRuns, 1);
    QVERIFY(std::ranges::count(ui.messages,
                               RecordingFeedback::Message{RecordingFeedback::Kind::kYesNo,
                                                          std::string(kReadForAsLeft)}) == 1);
    if (!shots.isEmpty()) {
      f16->setCurrentIndex(3);
      qobject_cast<QLineEdit*>(dlg.NewField(Row("F1.1")))->setText("5000");
      QApplication::processEvents();
      dlg.grab().save(shots + "/setup-differences.png");
    }
    port.Close();
    transport.Stop();

    QFile csvFile(csv);
    QVERIFY(csvFile.open(QIODevice::ReadOnly));
    const QString csvText = QString::fromUtf8(csvFile.readAll());
    QVERIFY(csvText.contains("Technician," + name + "\r\n"));
    QVERIFY(csvText.contains("F1.6,Sample rate,1 (15Hz),2 (30Hz),changed\r\n"));
    const qsizetype write =
        csvText.indexOf(",Write F1.6 = 2 (30Hz),done: F1.6 Value Write Sucess!");
    const qsizetype calibration = csvText.indexOf(",Calibration,done: Calibration Finished!");
    QVERIFY(write > 0 && calibration > write);
    QVERIFY(csvText.contains("\"Sample rate raised ✓\nseal 4711, \"\"new\"\"\""));

    // The PDF, read back as text.
    const QString text = Output("pdftotext", {"-layout", pdf, "-"});
    QVERIFY2(!text.isEmpty(), "pdftotext (poppler-utils) is needed to read the PDF back");
    const QRegularExpression f16Row(
        "F1\\.6\\s+Sample rate\\s+1 \\(15Hz\\)\\s+2 \\(30Hz\\)\\s+changed");
    QVERIFY2(text.contains(f16Row), qPrintable(text));
    const qsizetype pdfWrite = text.indexOf("Write F1.6 = 2 (30Hz)");
    QVERIFY(pdfWrite >= 0 && pdfWrite < text.indexOf("Calibration Finished!"));
    // Characters the fonts lack may show as boxes; the rest of the name is there.
    QVERIFY(text.contains(QString::fromUtf8("Zoë Łukasiewicz")));
    QCOMPARE(text.count("changed"), 3);  // F1.6, the test weight and the span
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::SafeDialogsTest)
#include "safe_dialogs_test.moc"
