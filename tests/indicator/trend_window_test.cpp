// The Weight Trend window over the simulated indicator: Watch beside the setup window and the
// Indicator window, the chart's traces and marks, saving, and the buttons that open it.

#include "indicator/trend_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "app/main_dialog.h"
#include "feedback/operation_scope.h"
#include "indicator/indicator_dialog.h"
#include "link/commands.h"
#include "link/frame.h"
#include "link/key_command.h"
#include "setup/param_table.h"
#include "setup/setup_dialog.h"
#include "sim/sim_scale_window.h"
#include "sim/simulator.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"
#include "ui/text.h"

namespace tamarack {
namespace {

// Waits as the program does when a wait dialog or a message box is up: the event loop runs, so
// that timers fire in the middle of an operation.
class LoopingFeedback : public test::RecordingFeedback {
 public:
  void ShortWait(std::uint32_t ms) override {
    QTest::qWait(std::max<int>(static_cast<int>(ms), 40));
  }
};

bool IsPoll(const sim::TraceEntry& e) {
  return e.direction == sim::TraceEntry::Direction::kRequest && e.bytes == ShortFrame("R");
}

struct Rig {
  sim::Simulator simulator;
  test::SimLine line{simulator};
  TracingLink trace{line};
  LoopingFeedback ui;
  bool open = true;
  QString savePath;  // what the save dialog answers
  WindowServices services = [this] {
    WindowServices s(ui);
    s.pickSaveFile = [this](QWidget*, const FileDialogSetup&) { return savePath; };
    return s;
  }();
  CTrendWindow trend{trace, services, [this] { return open; }};

  std::size_t Points() const { return trend.Series().Samples().size(); }
  // A poll as another window makes it.
  void PollElsewhere() {
    LiveIndicatorModel other;
    RunPoll(other, trace, ui);
  }
};

}  // namespace

class TrendWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void watchPollsAndStopsWhenThePortCloses() {
    Rig rig;
    QVERIFY(rig.trend.parentWidget() == nullptr);
    rig.trend.WatchBox()->setChecked(true);
    QTRY_VERIFY(rig.Points() >= 3);
    QVERIFY(rig.trend.OwnPolls() >= 3);

    rig.open = false;
    QTRY_VERIFY(!rig.trend.WatchBox()->isChecked());
    QVERIFY(rig.trend.StatusLabel()->text().contains("closed"));
    const auto polls = rig.simulator.Trace().size();
    QTest::qWait(700);
    QCOMPARE(rig.simulator.Trace().size(), polls);
  }

  void readAllAndWriteKeepTheirSequenceWithWatchOn() {
    Rig rig;
    CSetupDlg::Options options;
    options.historyFolder = QString();
    CSetupDlg setup(rig.trace, rig.ui, std::move(options));
    rig.trend.WatchBox()->setChecked(true);
    QTRY_VERIFY(rig.Points() >= 2);

    // While an operation holds the guard (a message box or a wait dialog between two of its
    // exchanges runs the event loop), Watch waits.
    {
      const OperationScope operation;
      const std::size_t own = rig.trend.OwnPolls();
      QTest::qWait(3 * kWatchPeriodMs);
      QCOMPARE(rig.trend.OwnPolls(), own);
    }

    rig.simulator.ClearTrace();
    setup.OnReadAll();
    std::vector<bool> requests;  // true for a poll
    for (const sim::TraceEntry& e : rig.simulator.Trace()) {
      if (e.direction == sim::TraceEntry::Direction::kRequest) requests.push_back(IsPoll(e));
    }
    const auto first = std::find(requests.begin(), requests.end(), false);
    const auto last = std::find(requests.rbegin(), requests.rend(), false).base();
    QCOMPARE(std::count(first, last, false), 33);
    QCOMPARE(std::count(first, last, true), 0);
    // The waits ran the event loop long enough for Watch to have tried more than once.
    QVERIFY(rig.simulator.Trace().back().at - rig.simulator.Trace().front().at >
            std::chrono::milliseconds(2 * kWatchPeriodMs));

    // A new sample rate, written with its own button; the plot goes on afterwards.
    const SetupParam& f16 = *FindParam("F1.6");
    auto* choice = qobject_cast<QComboBox*>(setup.NewField(RowIndex(f16)));
    QVERIFY(choice != nullptr);
    choice->setCurrentIndex(choice->currentIndex() == 1 ? 2 : 1);
    const int code = choice->currentIndex();
    setup.OnWrite(f16);
    QCOMPARE(rig.simulator.With([](sim::SimulatedIndicator& m) { return m.Code("F1.6"); }), code);
    const std::size_t before = rig.Points();
    // The write is closed in the trace as soon as it ends, so that Watch is not held back.
    QVERIFY(!rig.trace.ExchangeOpen());
    QCOMPARE(rig.trace.Exchanges().back().status, 0);
    QVERIFY(!rig.trace.Exchanges().back().poll);
    QTRY_VERIFY(rig.Points() >= before + 2);
    QVERIFY(rig.trend.WatchBox()->isChecked());
  }

  void followsTheIndicatorWindowsPolls() {
    Rig rig;
    rig.trend.WatchBox()->setChecked(true);
    QTRY_VERIFY(rig.trend.OwnPolls() >= 1);
    std::size_t own = 0;
    int opened = 0;
    {
      CIndicatorDlg indicator(rig.trace, rig.ui, [&] { ++opened; });
      QTRY_VERIFY(rig.trend.StatusLabel()->text().contains("Indicator window"));
      own = rig.trend.OwnPolls();
      const std::size_t points = rig.Points();
      QTRY_VERIFY(rig.Points() >= points + 4);  // the Indicator window's polls feed the plot
      QCOMPARE(rig.trend.OwnPolls(), own);

      // Its Trend button opens the window through the opener it is given; without one it is off.
      {
        CIndicatorDlg without(rig.trace, rig.ui);
        QVERIFY(!without.TrendButton()->isEnabled());
        without.OnExit();
      }
      QVERIFY(indicator.TrendButton()->isEnabled());
      QCOMPARE(indicator.TrendButton()->toolTip(), QString(kTrendTip));
      QTest::mouseClick(indicator.TrendButton(), Qt::LeftButton);
      QCOMPARE(opened, 1);
      indicator.OnExit();
    }
    // With the Indicator window gone, Watch polls again.
    QTRY_VERIFY_WITH_TIMEOUT(rig.trend.OwnPolls() > own, 5000);
  }

  void chartBreaksAtChangesAndGapsAndShadesMovement() {
    Rig rig;
    const auto load = [&](double kg, bool moving, int polls) {
      rig.simulator.With([&](sim::SimulatedIndicator& m) {
        m.SetLoad(kg);
        m.SetMotion(moving);
      });
      for (int i = 0; i < polls; ++i) rig.PollElsewhere();
    };
    load(0, false, 3);
    load(12, true, 2);
    load(10, false, 3);
    rig.trend.Refresh();
    QCOMPARE(rig.trend.Lines().size(), std::size_t{1});
    QCOMPARE(rig.trend.Marks().unstable.size(), std::size_t{1});
    QVERIFY(rig.trend.Marks().changes.empty());
    QVERIFY(rig.trend.FigureLabel(TrendFigure::kSettle)->text().endsWith(" s"));
    QCOMPARE(rig.trend.FigureLabel(TrendFigure::kMaximum)->text(), QString("12.0 kg"));

    // A failed poll: a gap, no mark.
    rig.simulator.SetFault(sim::RequestKind::kPoll, sim::FaultKind::kSilence, 1);
    load(10, false, 2);
    // UNITS: the same load in lb, marked and not joined.
    SendKeyCommand(rig.trace, rig.ui, key::kUnits);
    load(10, false, 2);
    rig.trend.Refresh();
    QCOMPARE(rig.trend.Lines().size(), std::size_t{3});
    QCOMPARE(rig.trend.Marks().changes.size(), std::size_t{1});
    QCOMPARE(FromUtf8(rig.trend.Marks().changes[0].label), QString("Gross lb"));
    QCOMPARE(rig.trend.Lines().back()->count(), 2);
    QVERIFY(rig.trend.FigureLabel(TrendFigure::kMean)->text().endsWith(" lb"));

    // Pause freezes the picture while the series goes on; Clear empties both.
    rig.trend.PauseButton()->setChecked(true);
    load(10, false, 2);
    QCOMPARE(rig.trend.Lines().back()->count(), 2);
    rig.trend.PauseButton()->setChecked(false);
    QCOMPARE(rig.trend.Lines().back()->count(), 4);
    rig.trend.ClearButton()->click();
    QVERIFY(rig.trend.Lines().empty());
    QCOMPARE(rig.trend.FigureLabel(TrendFigure::kPoints)->text(), QString("\u2013"));
  }

  // A load step put on the scale through the Simulated Scale window shows in the plot, shaded while
  // it moves, and its settle time is measured.
  void loadStepFromTheSimulatedScaleWindowIsPlotted() {
    Rig rig;
    CSimScaleWindow scale(rig.simulator);
    const auto step = [&](double kg, bool moving, int polls) {
      scale.LoadField()->setValue(kg);
      scale.MotionBox()->setChecked(moving);
      for (int i = 0; i < polls; ++i) rig.PollElsewhere();
    };
    step(0, false, 3);
    step(100, true, 2);
    step(100, false, 3);
    rig.trend.Refresh();
    QCOMPARE(rig.trend.FigureLabel(TrendFigure::kMinimum)->text(), QString("0.0 kg"));
    QCOMPARE(rig.trend.FigureLabel(TrendFigure::kMaximum)->text(), QString("100.0 kg"));
    QCOMPARE(rig.trend.Marks().unstable.size(), std::size_t{1});
    QVERIFY(rig.trend.FigureLabel(TrendFigure::kSettle)->text().endsWith(" s"));
  }

  void savesCsvAndTellsAFailure() {
    Rig rig;
    for (int i = 0; i < 3; ++i) rig.PollElsewhere();
    QTemporaryDir dir;
    const QString path = dir.filePath("trend.csv");
    rig.savePath = path;
    rig.trend.SaveButton()->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 5);  // header, three rows, nothing after the last CR LF
    QCOMPARE(lines[0], QByteArray("time,seconds,shown,value,unit,stable,gross,net,zero\r"));
    QVERIFY(rig.ui.messages.empty());

    QVERIFY(!rig.trend.SaveTo("/proc/trend.csv"));
    QCOMPARE(rig.ui.messages.size(), std::size_t{1});
    QVERIFY(rig.ui.messages[0].text.starts_with("The trend could not be saved to /proc/trend.csv"));
  }

  void mainWindowOpensOneTrendWindowBesideTheOthers() {
    test::RecordingFeedback ui;
    CMainDlg main(ui);
    QCOMPARE(main.TrendButton()->text(), QString("Trend"));
    QCOMPARE(main.Relay().TipOf(main.TrendButton()), QString(kTrendTip));
    QVERIFY(main.TrendWindow() == nullptr);
    main.TrendButton()->click();
    CTrendWindow* trend = main.TrendWindow();
    QVERIFY(trend != nullptr && trend->isVisible() && trend->parentWidget() == nullptr);
    main.TrendButton()->click();
    QCOMPARE(main.TrendWindow(), trend);
    // The port is closed: Watch does not start.
    trend->WatchBox()->setChecked(true);
    QTRY_VERIFY(!trend->WatchBox()->isChecked());
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::TrendWindowTest)
#include "trend_window_test.moc"
