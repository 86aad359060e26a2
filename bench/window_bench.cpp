// The windows' own timing, which the tests leave to this program: the live window's poll period,
// its polls on a line whose device has gone, and the wait window's length against its wait.
//
//   window_bench [seconds]      (QT_QPA_PLATFORM=offscreen unless a display is set)

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "indicator/indicator_dialog.h"
#include "link/commands.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"
#include "support/recording_feedback.h"
#include "support/sim_port.h"
#include "timing.h"
#include "ui/wait_dialog.h"

namespace {

using namespace tamarack;

void Spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

std::vector<sim::Clock::time_point> PollTimes(const sim::Simulator& simulator) {
  std::vector<sim::Clock::time_point> times;
  for (const auto& entry : simulator.Trace()) {
    if (entry.direction == sim::TraceEntry::Direction::kRequest &&
        entry.bytes == DisplayPollRequest()) {
      times.push_back(entry.at);
    }
  }
  return times;
}

bool IndicatorBench(int seconds) {
  sim::Simulator simulator;
  sim::PtyTransport transport(simulator, {});
  CommPort port;
  test::RecordingFeedback ui;
  ui.realWaits = true;
  if (const std::string error = test::ServeAndOpen(transport, port, ui); !error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  {
    CIndicatorDlg dlg(port, ui);
    simulator.ClearTrace();
    Spin(seconds * 1000);
    const auto times = PollTimes(simulator);
    std::vector<double> gaps;
    for (std::size_t i = 1; i < times.size(); ++i) {
      gaps.push_back(bench::Ms(times[i] - times[i - 1]));
    }
    if (gaps.empty()) {
      std::fprintf(stderr, "the Indicator window did not poll\n");
      return false;
    }
    double sum = 0;
    double worst = 0;
    for (const double gap : gaps) {
      sum += gap;
      worst = std::max(worst, std::abs(gap - kPollPeriodMs));
    }
    std::printf(
        "Indicator window poll period: mean %.1f ms, median %.1f ms, largest deviation %.1f ms "
        "over %zu gaps (target %u ms)\n",
        sum / static_cast<double>(gaps.size()), bench::Median(gaps), worst, gaps.size(),
        kPollPeriodMs);

    // The line goes dead on the next reply: five polls must not cost a read time-out each.
    simulator.InjectNext(sim::FaultKind::kHangUp);
    const auto start = bench::Clock::now();
    for (int i = 0; i < 5; ++i) dlg.OnPollTimer();
    std::printf(
        "five polls on a line that hangs up: %.0f ms in all, %zu message(s) (one read time-out "
        "is at least 700 ms; target < 4000 ms)\n",
        bench::Ms(bench::Clock::now() - start), ui.messages.size());
    dlg.OnExit();
  }
  return true;
}

void WaitWindowBench() {
  std::vector<double> took;
  for (int i = 0; i < 3; ++i) {
    CWaitDlg dlg(1500, "WZERO Processing , Please Wait...");
    const auto start = bench::Clock::now();
    dlg.exec();
    took.push_back(bench::Ms(bench::Clock::now() - start));
  }
  std::printf("wait window for 1500 ms: shown for %.0f ms (median of 3; target < 4000 ms)\n",
              bench::Median(took));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10;
  const bool ok = IndicatorBench(seconds);
  WaitWindowBench();
  return ok ? 0 : 1;
}
