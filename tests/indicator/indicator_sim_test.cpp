// The live indicator window against the simulated indicator: the weight and lamps it shows, the
// keys it presses, a spoilt reply and the recovery after it, and the poll rhythm.

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "indicator/indicator_dialog.h"
#include "link/commands.h"
#include "sim/simulator.h"
#include "support/recording_feedback.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The simulator behind an in-memory line: every request goes to it, its reply waits to be read.
class SimLine : public SerialLink {
 public:
  explicit SimLine(sim::Simulator& simulator) : sim_(simulator) {}

  bool ClearErrors() override { return true; }
  bool PurgeTransmit() override { return true; }
  bool PurgeReceive() override {
    incoming_.clear();
    return true;
  }
  void Write(const std::uint8_t* data, std::size_t size) override {
    const Frame reply = sim_.Feed(std::span<const std::uint8_t>(data, size));
    incoming_.insert(incoming_.end(), reply.begin(), reply.end());
  }
  int Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, incoming_.size());
    std::copy_n(incoming_.begin(), n, buffer);
    incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
  }
  int LastError() const override { return 0; }

 private:
  sim::Simulator& sim_;
  std::vector<std::uint8_t> incoming_;
};

class IndicatorSimTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<sim::Simulator> simulator;
  std::unique_ptr<SimLine> line;
  test::RecordingFeedback ui;

  // The lamps the simulator's display reply lights.
  std::array<bool, kLampCount> SimLamps() {
    const std::string reply = simulator->With([](sim::IndicatorModel& m) { return m.DisplayReply(); });
    std::array<bool, kLampCount> lit{};
    for (const LampInfo& info : kLamps) {
      lit[static_cast<std::size_t>(info.lamp)] =
          ((static_cast<std::uint8_t>(reply.at(info.byte)) >> info.bit) & 1) != 0;
    }
    return lit;
  }
  QString SimText() {
    return QString::fromStdString(simulator->With([](sim::IndicatorModel& m) { return m.DisplayText(); }));
  }
  static void CompareLamps(const CIndicatorDlg& dlg, const std::array<bool, kLampCount>& lit) {
    for (const LampInfo& info : kLamps) {
      QCOMPARE(dlg.LampLabel(info.lamp)->accessibleDescription(),
               QString(lit[static_cast<std::size_t>(info.lamp)] ? "on" : "off"));
    }
  }

 private slots:
  void init() {
    simulator = std::make_unique<sim::Simulator>();
    line = std::make_unique<SimLine>(*simulator);
    ui = test::RecordingFeedback{};
  }

  void showsTheSimulatedWeightAndLamps() {
    simulator->With([](sim::IndicatorModel& m) { m.SetLoad(12.5); });
    CIndicatorDlg dlg(*line, ui);
    QVERIFY(!SimText().trimmed().isEmpty());
    QCOMPARE(dlg.Field()->accessibleDescription(), SimText());
    QCOMPARE(dlg.Field()->accessibleDescription().trimmed().toDouble(), 12.5);
    CompareLamps(dlg, SimLamps());
    QVERIFY(dlg.LampLabel(Lamp::kGross)->accessibleDescription() == "on");
  }

  void tareIsSentAndTheNextPollShowsTheTaredDisplay() {
    simulator->With([](sim::IndicatorModel& m) { m.SetLoad(12.5); });
    CIndicatorDlg dlg(*line, ui);
    simulator->ClearTrace();
    dlg.KeyButton(2)->click();
    const auto trace = simulator->Trace();
    QVERIFY(!trace.empty());
    QCOMPARE(trace.front().bytes, (Bytes{0x01, 0x31, 0x02, 0x4B, 0x31, 0x32, 0x45, 0x03, 0x3E}));
    QVERIFY(simulator->With([](sim::IndicatorModel& m) { return m.NetMode(); }));
    dlg.OnPollTimer();
    QCOMPARE(dlg.Field()->accessibleDescription(), SimText());
    bool number = false;
    QCOMPARE(dlg.Field()->accessibleDescription().trimmed().toDouble(&number), 0.0);
    QVERIFY(number);
    QCOMPARE(dlg.LampLabel(Lamp::kNet)->accessibleDescription(), QString("on"));
    CompareLamps(dlg, SimLamps());
  }

  void spoiltReplyShowsErrKeepsLampsAndRecovers() {
    simulator->With([](sim::IndicatorModel& m) { m.SetLoad(3); });
    CIndicatorDlg dlg(*line, ui);
    const auto lamps = SimLamps();
    for (const sim::FaultKind fault :
         {sim::FaultKind::kBadCheck, sim::FaultKind::kTruncated, sim::FaultKind::kMissingStart,
          sim::FaultKind::kSilence, sim::FaultKind::kOversize}) {
      simulator->InjectNext(fault);
      // The lamps of the spoilt reply would differ: the scale has moved on meanwhile.
      simulator->With([](sim::IndicatorModel& m) { m.SetMotion(true); });
      dlg.OnPollTimer();
      QCOMPARE(dlg.Field()->accessibleDescription(), QString("  Err"));
      CompareLamps(dlg, lamps);
      simulator->With([](sim::IndicatorModel& m) { m.SetMotion(false); });
      dlg.OnPollTimer();
      QCOMPARE(dlg.Field()->accessibleDescription(), SimText());
      CompareLamps(dlg, SimLamps());
    }
    QVERIFY(ui.messages.empty());
  }
};

}  // namespace
}  // namespace tamarack

QTEST_MAIN(tamarack::IndicatorSimTest)
#include "indicator_sim_test.moc"
