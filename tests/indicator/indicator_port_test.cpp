// The live indicator window through the whole stack: CommPort on the pseudo-terminal that the
// simulated indicator serves, with real waits and read time-outs.

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <chrono>

#include "indicator/indicator_dialog.h"
#include "link/commands.h"
#include "support/sim_port.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Ms = std::chrono::duration<double, std::milli>;

class IndicatorPortTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<sim::Simulator> simulator;
  std::unique_ptr<sim::PtyTransport> transport;
  std::unique_ptr<CommPort> port;
  test::RecordingFeedback ui;

  bool OpenPort() { return test::OpenOn(*transport, *port, ui).empty(); }
  QString SimText() {
    return QString::fromStdString(
        simulator->With([](sim::SimulatedIndicator& m) { return m.DisplayText(); }));
  }
  std::vector<sim::Clock::time_point> PollTimes() {
    std::vector<sim::Clock::time_point> times;
    for (const auto& entry : simulator->Trace()) {
      if (entry.direction == sim::TraceEntry::Direction::kRequest &&
          entry.bytes == DisplayPollRequest()) {
        times.push_back(entry.at);
      }
    }
    return times;
  }
  QString Lamp(const CIndicatorDlg& dlg, Lamp lamp) {
    return dlg.LampLabel(lamp)->accessibleDescription();
  }

 private slots:
  void init() {
    simulator = std::make_unique<sim::Simulator>();
    simulator->With([](sim::SimulatedIndicator& m) { m.SetLoad(12.5); });
    transport = std::make_unique<sim::PtyTransport>(*simulator, sim::PtyTransport::Options{});
    port = std::make_unique<CommPort>();
    ui = test::RecordingFeedback{};
    ui.realWaits = true;
    const std::string error = test::ServeAndOpen(*transport, *port, ui);
    QVERIFY2(error.empty(), error.c_str());
  }
  void cleanup() {
    port.reset();
    transport.reset();
    simulator.reset();
  }

  void showsWeightAndTaresThroughThePort() {
    CIndicatorDlg dlg(*port, ui);
    QCOMPARE(dlg.Field()->accessibleDescription(), SimText());
    QCOMPARE(dlg.Field()->accessibleDescription().trimmed().toDouble(), 12.5);
    QCOMPARE(Lamp(dlg, Lamp::kGross), QString("on"));
    QCOMPARE(Lamp(dlg, Lamp::kKg), QString("on"));

    simulator->ClearTrace();
    dlg.KeyButton(2)->click();
    const auto trace = simulator->Trace();
    QVERIFY(!trace.empty());
    QCOMPARE(trace.front().bytes, (Bytes{0x01, 0x31, 0x02, 0x4B, 0x31, 0x32, 0x45, 0x03, 0x3E}));
    dlg.OnPollTimer();
    QCOMPARE(dlg.Field()->accessibleDescription(), SimText());
    QCOMPARE(dlg.Field()->accessibleDescription().trimmed().toDouble(), 0.0);
    QCOMPARE(Lamp(dlg, Lamp::kNet), QString("on"));
    QCOMPARE(Lamp(dlg, Lamp::kGross), QString("off"));
    QVERIFY(ui.messages.empty());
  }

  void spoiltReplyShowsErrKeepsLampsAndTheNextPollRecovers() {
    CIndicatorDlg dlg(*port, ui);
    double load = 20;
    for (const sim::FaultKind fault :
         {sim::FaultKind::kBadCheck, sim::FaultKind::kTruncated, sim::FaultKind::kMissingStart,
          sim::FaultKind::kLeadingBytes, sim::FaultKind::kOversize, sim::FaultKind::kSilence}) {
      QTest::qWait(50);  // let a spoilt reply's leftovers arrive before the next purge
      simulator->InjectNext(fault);
      // The spoilt reply would have lit other lamps: the scale is moving meanwhile.
      simulator->With([](sim::SimulatedIndicator& m) { m.SetMotion(true); });
      dlg.OnPollTimer();
      QCOMPARE(dlg.Field()->accessibleDescription(), QString("  Err"));
      QCOMPARE(Lamp(dlg, Lamp::kStable), QString("on"));
      QVERIFY(dlg.PollTimer().interval() <= 100);
      load += 1;
      simulator->With([load](sim::SimulatedIndicator& m) {
        m.SetMotion(false);
        m.SetLoad(load);
      });
      dlg.OnPollTimer();
      QCOMPARE(dlg.Field()->accessibleDescription(), SimText());
      QCOMPARE(dlg.Field()->accessibleDescription().trimmed().toDouble(), load);
    }
    QVERIFY(ui.messages.empty());
  }

  // The period itself is measured by bench/window_bench: here the polls keep coming, each no
  // sooner than half a second after the one before.
  void pollsFollowHalfASecondApart() {
    CIndicatorDlg dlg(*port, ui);
    simulator->ClearTrace();
    QTRY_VERIFY_WITH_TIMEOUT(PollTimes().size() >= 5, 60000);
    const auto times = PollTimes();
    for (std::size_t i = 1; i < times.size(); ++i) {
      const double gap = Ms(times[i] - times[i - 1]).count();
      QVERIFY2(gap > 450, QByteArray::number(gap).constData());
    }
    QVERIFY(ui.messages.empty());
  }

  void hangUpGivesOneMessageAndPollingResumesOnTheReturnedDevice() {
    CIndicatorDlg dlg(*port, ui);
    simulator->InjectNext(sim::FaultKind::kHangUp);
    // A dead line fails at once rather than after a read time-out per poll: bench/window_bench
    // times it.
    for (int i = 0; i < 5; ++i) {
      dlg.OnPollTimer();
      QCOMPARE(dlg.Field()->accessibleDescription(), QString("  Err"));
      QCOMPARE(Lamp(dlg, Lamp::kGross), QString("on"));
    }
    QCOMPARE(ui.messages.size(), std::size_t{1});
    QCOMPARE(ui.messages.front().kind, test::RecordingFeedback::Kind::kSystemError);

    // The device comes back (the simulator serves a fresh line) and the port the window borrows
    // is opened on it again: the next poll shows the display, without a further message.
    QVERIFY(OpenPort());
    simulator->With([](sim::SimulatedIndicator& m) { m.SetLoad(7); });
    dlg.OnPollTimer();
    QCOMPARE(dlg.Field()->accessibleDescription(), SimText());
    QCOMPARE(dlg.Field()->accessibleDescription().trimmed().toDouble(), 7.0);
    QCOMPARE(ui.messages.size(), std::size_t{1});
  }
};

}  // namespace
}  // namespace tamarack

QTEST_MAIN(tamarack::IndicatorPortTest)
#include "indicator_port_test.moc"
