// What the Weight Trend costs: the CPU of the process with the Indicator window polling the
// simulated indicator (on a pseudo-terminal, paced at 9600 baud as in the program) for a while,
// with and without the trend window open beside it. Optionally saves a picture of the trend after
// a few load steps.
//
//   trend_bench [seconds] [picture.png]      (run under Xvfb, or with QT_QPA_PLATFORM=offscreen)

#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "indicator/indicator_dialog.h"
#include "indicator/trend_window.h"
#include "link/comm_port.h"
#include "link/commands.h"
#include "link/key_command.h"
#include "link/tracing_link.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"
#include "support/recording_feedback.h"
#include "support/sim_port.h"

namespace {

// User and system CPU time of this process in seconds, from /proc/self/stat.
double ProcessCpuSeconds() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  unsigned long long utime = 0;
  unsigned long long stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void Spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const QString picture = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

  using namespace tamarack;
  sim::Simulator simulator;
  sim::PtyTransport::Options options;
  options.pacing = true;
  sim::PtyTransport transport(simulator, options);
  CommPort port;
  test::RecordingFeedback ui;
  ui.realWaits = true;
  const std::string error = test::ServeAndOpen(transport, port, ui);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  TracingLink trace(port);
  simulator.With([](sim::SimulatedIndicator& m) { m.SetLoad(0); });

  const auto measure = [&](bool withTrend) {
    CIndicatorDlg indicator(trace, ui);
    indicator.show();
    std::unique_ptr<CTrendWindow> trend;
    if (withTrend) {
      trend = std::make_unique<CTrendWindow>(trace, ui, [&] { return port.IsOpen(); });
      trend->show();
    }
    Spin(1000);
    const double before = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    Spin(seconds * 1000);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - before;
    std::printf("%-32s %6.1f s wall  %6.2f s CPU  %5.2f %% of a core  %zu points\n",
                withTrend ? "Indicator + Weight Trend" : "Indicator alone", wall, cpu,
                100.0 * cpu / wall, trend ? trend->Series().Samples().size() : std::size_t{0});
    indicator.OnExit();
  };
  measure(false);
  measure(true);

  if (!picture.isEmpty()) {
    // A few load steps, each swinging for a while before it settles, then a switch to lb.
    CIndicatorDlg indicator(trace, ui);
    indicator.show();
    CTrendWindow trend(trace, ui, [&] { return port.IsOpen(); });
    trend.show();
    const auto step = [&](double kg, int swingMs, int restMs) {
      simulator.With([](sim::SimulatedIndicator& m) { m.SetMotion(true); });
      const double from = simulator.With([](sim::SimulatedIndicator& m) { return m.Load(); });
      for (int t = 0; t < swingMs; t += 500) {
        const double k = static_cast<double>(t) / swingMs;
        const double swing = (kg - from) * (1 + 0.35 * std::cos(9.0 * k) * (1 - k));
        simulator.With([&](sim::SimulatedIndicator& m) { m.SetLoad(from + swing); });
        Spin(500);
      }
      simulator.With([&](sim::SimulatedIndicator& m) {
        m.SetLoad(kg);
        m.SetMotion(false);
      });
      Spin(restMs);
    };
    Spin(4000);
    step(25, 3000, 8000);
    step(40, 2000, 7000);
    step(12.5, 4000, 6000);
    SendKeyCommand(trace, ui, key::kUnits);
    Spin(6000);
    trend.Refresh();
    trend.grab().save(picture);
    std::printf("picture: %s\n", picture.toLocal8Bit().constData());
  }
  return 0;
}
