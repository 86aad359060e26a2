// The Test Scale window against the simulated indicator in memory: a short plan walked with
// automatic and typed readings and a retake, its failing step marked on screen and on the
// certificate; what it refuses before sending anything; a reading that never settles; and polls
// that wait for the other windows' exchanges.

#include "verify/test_scale_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "feedback/operation_scope.h"
#include "link/forwarding_link.h"
#include "sim/simulator.h"
#include "support/fixed_clock.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"

namespace tamarack {
namespace {

enum Column { kTest = 1, kLoad = 2, kIndication = 4, kResult = 7, kHow = 8 };

// Counts the requests that reach the line.
class CountingLink : public ForwardingLink {
 public:
  using ForwardingLink::ForwardingLink;
  int writes = 0;
  void Write(const std::uint8_t* data, std::size_t size) override {
    ++writes;
    ForwardingLink::Write(data, size);
  }
};

struct Bench {
  QTemporaryDir dir;
  sim::Simulator simulator;
  test::SimLine line{simulator};
  CountingLink link{line};
  test::RecordingFeedback ui;
  test::FixedClock clock;
  WindowServices services{ui, clock};
  QString picked;  // what the file picker answers
  std::vector<FinishedCertificate> certificates;
  bool exchangeOpen = false;

  Bench() {
    services.pickFile = [this](QWidget*, const FileDialogSetup&) { return picked; };
    services.pickSaveFile = services.pickFile;
    Load(0);
  }

  std::unique_ptr<CTestScaleDlg> Open() {
    CTestScaleDlg::Options options;
    options.line = {"Simulator", {}};
    options.exchangeOpen = [this] { return exchangeOpen; };
    options.onCertificate = [this](const FinishedCertificate& f) { certificates.push_back(f); };
    auto dlg = std::make_unique<CTestScaleDlg>(link, services, std::move(options));
    dlg->ReadInstrument();
    return dlg;
  }

  void Load(double kg) {
    simulator.With([kg](sim::SimulatedIndicator& m) { m.SetLoad(kg); });
  }

  QString Write(const char* name, const std::string& text) {
    const QString path = dir.filePath(name);
    std::ofstream(path.toStdString(), std::ios::binary) << text;
    return path;
  }

  // Polls as the timer would, with 200 ms between them, until the step is no longer waiting.
  void PollUntilTaken(CTestScaleDlg& dlg) {
    for (int i = 0; i < 20 && dlg.Run()->Taking(); ++i) {
      clock.Advance(std::chrono::milliseconds(kTestPollMs));
      dlg.OnPollTimer();
    }
  }
};

QString Cell(const CTestScaleDlg& dlg, int row, int column) {
  return dlg.Table()->item(row, column)->text();
}

class TestScaleDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void aShortPlanWalkedWithReadingsTakenTypedAndTakenAgain() {
    Bench b;
    SetCertificateHook([&](const FinishedCertificate& f) { b.certificates.push_back(f); });
    auto dlg = b.Open();
    QVERIFY(dlg->InstrumentLabel()->text().contains("Max 1000.0 kg, e = d = 0.1 kg, n = 10000"));
    QVERIFY(dlg->Table()->rowCount() > 10);  // the default plan

    b.picked = b.Write("plan.csv",
                       "test,load,unit,position\n"
                       "increasing,500.0,kg\nincreasing,1000.0,kg\n"
                       "decreasing,500,kg\nreturn to zero,0,kg\n");
    dlg->LoadPlanButton()->click();
    QCOMPARE(dlg->Table()->rowCount(), 4);
    dlg->TechnicianField()->setText("A. Tech");
    dlg->WeightSetField()->setText("M1 set 7");
    dlg->StartButton()->click();
    QVERIFY(b.ui.messages.empty());
    QVERIFY(dlg->Polling());
    QCOMPARE(dlg->PromptLabel()->text(),
             QString("Step 1 of 4: Put 500.0 kg at the centre of the platform"));

    // Taken off the display once it has held.
    b.Load(500.0);
    dlg->TakeButton()->click();
    QVERIFY(!dlg->TakeButton()->isEnabled());
    b.PollUntilTaken(*dlg);
    QCOMPARE(Cell(*dlg, 0, kIndication), QString("500.0"));
    QCOMPARE(Cell(*dlg, 0, kResult), QString("PASS"));
    QCOMPARE(Cell(*dlg, 0, kHow), QString("display"));
    QVERIFY(dlg->LiveLabel()->text().contains("500.0 kg"));

    // 3 e over at Max: failed, and marked.
    b.Load(1000.3);
    dlg->TakeButton()->click();
    b.PollUntilTaken(*dlg);
    QCOMPARE(Cell(*dlg, 1, kResult), QString("FAIL"));
    QVERIFY(dlg->Table()->item(1, kTest)->font().bold());
    QVERIFY(!dlg->Table()->item(0, kTest)->font().bold());
    QCOMPARE(dlg->OverallLabel()->text(), QString("Overall result: FAIL"));

    // Read by eye.
    dlg->TypedField()->setText("500.0");
    dlg->UseTypedButton()->click();
    QCOMPARE(Cell(*dlg, 2, kHow), QString("typed"));

    b.Load(0);
    dlg->TakeButton()->click();
    b.PollUntilTaken(*dlg);
    QVERIFY(dlg->Run()->Finished());
    QVERIFY(!dlg->Polling());

    // The first step again, once more off the display.
    dlg->Table()->selectRow(0);
    b.Load(500.1);
    dlg->RetakeButton()->click();
    QVERIFY(Cell(*dlg, 0, kIndication).isEmpty());
    QVERIFY(dlg->Polling());
    dlg->TakeButton()->click();
    b.PollUntilTaken(*dlg);
    QCOMPARE(Cell(*dlg, 0, kIndication), QString("500.1"));
    QVERIFY(dlg->Run()->Finished());

    // A certificate that cannot be written says why, and the results stay.
    b.picked = b.dir.filePath("no such folder/c.pdf");
    dlg->SavePdfButton()->click();
    QCOMPARE(b.ui.messages.size(), 1u);
    QVERIFY(b.ui.messages[0].text.starts_with(kCertificateNotSaved));
    QCOMPARE(Cell(*dlg, 1, kResult), QString("FAIL"));
    b.picked = b.dir.filePath("c.csv");
    dlg->SaveCsvButton()->click();
    std::ifstream file(b.picked.toStdString(), std::ios::binary);
    const std::string csv((std::istreambuf_iterator<char>(file)), {});
    for (const char* part :
         {"Result,FAIL\r\n", "Technician,A. Tech\r\n", "Test weights,M1 set 7\r\n",
          "2,Increasing,1000.0,1000.3,+0.3,±0.25,display,FAIL\r\n",
          "3,Decreasing,500.0,500.0,0.0,±0.25,typed by hand,PASS\r\n"}) {
      QVERIFY2(csv.find(part) != std::string::npos, (std::string(part) + " in\n" + csv).c_str());
    }

    dlg->CloseButton()->click();
    QCOMPARE(dlg->result(), int(QDialog::Accepted));
    QCOMPARE(b.certificates.size(), 2u);  // the program's hook, then the window's own
    QVERIFY(!b.certificates[1].certificate.Passed());
    QVERIFY(b.certificates[1].pdf.starts_with("%PDF"));
    SetCertificateHook({});
  }

  void badInputIsToldBeforeAnythingIsSent_data() {
    QTest::addColumn<QString>("load");
    QTest::addColumn<int>("accuracyClass");
    QTest::addColumn<QString>("technician");
    QTest::addColumn<QString>("message");
    QTest::newRow("beyond Max") << "1200" << 0 << "T"
                                << "Step 1: 1200.0 kg is beyond Max 1000.0 kg";
    QTest::newRow("negative") << "-5" << 0 << "T"
                              << "Step 1: \"-5\" is negative";
    QTest::newRow("not a number") << "12a" << 0 << "T"
                                  << "Step 1: \"12a\" is not a number";
    QTest::newRow("n beyond the class") << "500" << 1 << "T"
                                        << "Class IIII allows at most 1000";
    QTest::newRow("no technician") << "500" << 0 << ""
                                   << "Enter the technician's name";
  }
  void badInputIsToldBeforeAnythingIsSent() {
    QFETCH(QString, load);
    QFETCH(int, accuracyClass);
    QFETCH(QString, technician);
    QFETCH(QString, message);
    Bench b;
    auto dlg = b.Open();
    dlg->ClassList()->setCurrentIndex(accuracyClass);
    dlg->TechnicianField()->setText(technician);
    dlg->Table()->item(0, kLoad)->setText(load);
    const int before = b.link.writes;
    dlg->StartButton()->click();
    QCOMPARE(b.ui.messages.size(), 1u);
    QVERIFY2(QString::fromStdString(b.ui.messages[0].text).contains(message),
             b.ui.messages[0].text.c_str());
    QCOMPARE(dlg->Run(), nullptr);
    QCOMPARE(b.link.writes, before);
  }

  void anEmptyPlanIsRefused() {
    Bench b;
    auto dlg = b.Open();
    dlg->TechnicianField()->setText("T");
    while (dlg->Table()->rowCount() > 0) {
      dlg->Table()->selectRow(0);
      dlg->RemoveStepButton()->click();
    }
    dlg->StartButton()->click();
    QCOMPARE(b.ui.Texts(), std::vector<std::string>{"The plan has no step"});
    QCOMPARE(dlg->Run(), nullptr);
  }

  void aReadingThatNeverSettlesEndsTheStepAfterThirtySeconds() {
    Bench b;
    auto dlg = b.Open();
    dlg->TechnicianField()->setText("T");
    dlg->StartButton()->click();
    b.simulator.With([](sim::SimulatedIndicator& m) { m.SetMotion(true); });
    dlg->TakeButton()->click();
    for (int i = 0; i < 149 && dlg->Run()->Taking(); ++i) {
      b.clock.Advance(std::chrono::milliseconds(kTestPollMs));
      dlg->OnPollTimer();
    }
    QVERIFY(dlg->Run()->Taking());
    b.clock.Advance(std::chrono::milliseconds(kTestPollMs));
    dlg->OnPollTimer();
    QVERIFY(!dlg->Run()->Taking());
    QVERIFY(dlg->StatusLabel()->text().startsWith("The reading did not settle"));
    QVERIFY(!dlg->Run()->Records()[0].reading);
    QVERIFY(dlg->TakeButton()->isEnabled());
  }

  void pollsWaitForTheOtherWindowsExchanges() {
    Bench b;
    auto dlg = b.Open();
    dlg->TechnicianField()->setText("T");
    dlg->StartButton()->click();
    const int before = b.link.writes;
    {
      const OperationScope operation;
      dlg->OnPollTimer();
    }
    b.exchangeOpen = true;
    dlg->OnPollTimer();
    QCOMPARE(b.link.writes, before);
    QVERIFY(dlg->Polling());
    b.exchangeOpen = false;
    dlg->OnPollTimer();
    QCOMPARE(b.link.writes, before + 1);
  }
};

}  // namespace
}  // namespace tamarack

QTEST_MAIN(tamarack::TestScaleDialogTest)
#include "test_scale_dialog_test.moc"
