// The setup window's progress line during Read All and Verify, over a slow line: the window's
// clock advances with each exchange instead of the test sleeping.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "link/forwarding_link.h"
#include "setup/setup_dialog.h"
#include "sim/simulator.h"
#include "support/fixed_clock.h"
#include "support/quick_sim.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"
#include "ui/progress_line.h"

namespace tamarack {

using test::RecordingFeedback;

namespace {

// The simulated indicator behind a line that takes `msPerExchange` of the clock for each request,
// noting what the progress line showed when each request went out.
class SlowLine : public ForwardingLink {
 public:
  SlowLine(sim::Simulator& simulator, qint64 msPerExchange)
      : ForwardingLink(inner_), inner_(simulator), msPerExchange_(msPerExchange) {}

  test::FixedClock clock;
  const ProgressLine* watched = nullptr;
  // The line's text when each request went out; empty while it was hidden.
  std::vector<QString> seen;

  void Write(const std::uint8_t* data, std::size_t size) override {
    if (watched != nullptr) seen.push_back(watched->isHidden() ? QString() : watched->text());
    clock.Advance(std::chrono::milliseconds(msPerExchange_));
    ForwardingLink::Write(data, size);
  }

 private:
  test::SimLine inner_;
  qint64 msPerExchange_;
};

CSetupDlg::Options NoHistory() {
  CSetupDlg::Options options;
  options.historyFolder = QString();
  return options;
}

}  // namespace

class SetupProgressTest : public QObject {
  Q_OBJECT

 private slots:
  void readAllShowsItsProgressAfterHalfASecondAndHidesAtTheEnd() {
    sim::Simulator simulator(test::QuickSim());
    // About 2400 baud: some 120 ms an exchange.
    SlowLine line(simulator, 120);
    RecordingFeedback ui;
    CSetupDlg dlg(line, WindowServices(ui, line.clock), NoHistory());
    line.watched = dlg.Progress();
    const QSize before = dlg.sizeHint();

    QTest::mouseClick(dlg.Button(SetupButton::kReadAll), Qt::LeftButton);

    QVERIFY2(ui.messages.empty(), ui.Texts().empty() ? "" : ui.Texts()[0].c_str());
    QCOMPARE(line.seen.size(), std::size_t{kSetupParamCount});
    // 0, 120, .. 480 ms: the first five reads show nothing; from 600 ms on each names its own.
    for (std::size_t i = 0; i < 5; ++i) QCOMPARE(line.seen[i], QString());
    const auto params = SetupParams();
    for (std::size_t i = 5; i < line.seen.size(); ++i) {
      const QString expected = QString("Reading %1 \u2014 %2 of 33")
                                   .arg(QString::fromLatin1(params[i].displayNumber.data(),
                                                            params[i].displayNumber.size()))
                                   .arg(i + 1);
      QCOMPARE(line.seen[i], expected);
    }
    QCOMPARE(line.seen[RowIndex(*FindParam("F3.2"))], QString("Reading F3.2 \u2014 20 of 33"));
    QVERIFY(dlg.Progress()->isHidden());
    QCOMPARE(dlg.sizeHint(), before);  // the line never moves the window's layout
    QVERIFY(!dlg.CurrentField(0)->text().isEmpty());
  }

  void aQuickReadShowsNothing() {
    sim::Simulator simulator(test::QuickSim());
    SlowLine line(simulator, 10);  // 330 ms in all
    RecordingFeedback ui;
    CSetupDlg dlg(line, WindowServices(ui, line.clock), NoHistory());
    line.watched = dlg.Progress();
    dlg.OnReadAll();
    QCOMPARE(line.seen.size(), std::size_t{kSetupParamCount});
    for (const QString& shown : line.seen) QCOMPARE(shown, QString());
  }

  void verifySaysVerifyingAndAFailedReadHidesTheLine() {
    sim::Simulator simulator(test::QuickSim());
    SlowLine line(simulator, 200);
    RecordingFeedback ui;
    CSetupDlg dlg(line, WindowServices(ui, line.clock), NoHistory());
    line.watched = dlg.Progress();
    dlg.OnVerify();
    QCOMPARE(line.seen.size(), std::size_t{kSetupParamCount});
    QCOMPARE(line.seen[2], QString());
    QCOMPARE(line.seen[3], QString("Verifying F1.4 \u2014 4 of 33"));
    QCOMPARE(line.seen.back(), QString("Verifying F7.5 \u2014 33 of 33"));
    QVERIFY(dlg.Progress()->isHidden());

    // The indicator stops answering: the run ends at its failure and the line goes.
    line.seen.clear();
    simulator.InjectNext(sim::FaultKind::kSilence, 1);
    dlg.OnReadAll();
    QVERIFY(!ui.messages.empty());
    QVERIFY(dlg.Progress()->isHidden());
    QVERIFY(dlg.Progress()->text().isEmpty());
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::SetupProgressTest)
#include "setup_progress_test.moc"
