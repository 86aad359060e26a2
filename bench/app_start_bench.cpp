// The program's start with a records store of 100,000 records: from starting the process to its
// main window drawn (target <= 0.3 s), and to the store opened behind it; beside the same start
// with a new, empty store. Each start is a process of its own, made as the program makes itself
// (the main window with every window it leads to, the records opened once it has been drawn).
//
//   app_start_bench [records]      (default 100000)

#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/app_start.h"
#include "app/app_windows.h"
#include "app/main_dialog.h"
#include "records_fill.h"
#include "timing.h"
#include "ui/qt_feedback.h"
#include "ui/window_services.h"

namespace {

using namespace tamarack;
using tamarack::bench::Median;

// Milliseconds on the system's monotonic clock, the same in every process.
double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// One start, in the child: prints when the main window was drawn and when the records were open.
int Child(int argc, char** argv, const std::string& folder) {
  QApplication app(argc, argv);
  QtFeedback feedback;
  records::RecordKeeper keeper({folder, {}, {}});
  WindowServices services(feedback);
  services.records = &keeper;
  CMainDlg main(services, AppWindows());
  OpenRecordsWhenShown(main, keeper, feedback);
  double drawn = 0;
  struct Watch : QObject {
    double* drawn;
    explicit Watch(double* at) : drawn(at) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint && *drawn == 0) *drawn = Now();
      return false;
    }
  } watch(&drawn);
  main.installEventFilter(&watch);
  main.show();
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!keeper.Opened() || drawn == 0) return;
    std::printf("%.3f %.3f %zu\n", drawn, Now(),
                keeper.Store() ? keeper.Store()->RecordCount() : 0);
    std::fflush(stdout);
    poll.stop();
    // Not quit(): it asks the windows to close first, and the main window refuses.
    QCoreApplication::exit(0);
  });
  poll.start();
  return app.exec();
}

struct Start {
  double drawn = 0;
  double opened = 0;
};

bool Measure(const char* self, const QString& folder, Start& start, std::size_t& count) {
  QProcess child;
  const double began = Now();
  child.start(self, {"--child", folder});
  if (!child.waitForFinished(60000) || child.exitCode() != 0) return false;
  double drawn = 0, opened = 0;
  unsigned long long records = 0;
  if (std::sscanf(child.readAllStandardOutput().constData(), "%lf %lf %llu", &drawn, &opened,
                  &records) != 3) {
    return false;
  }
  start = {drawn - began, opened - began};
  count = records;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--child") return Child(argc, argv, argv[2]);
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QCoreApplication app(argc, argv);
  const std::size_t total = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  QTemporaryDir dir;
  const QString full = dir.filePath("full");
  const QString empty = dir.filePath("empty");
  {
    records::RecordStore::Opened opened = records::RecordStore::OpenLocal(full.toStdString());
    std::vector<std::string> scales;
    if (!opened.store || !tamarack::bench::Fill(*opened.store, total, 200, scales)) return 1;
  }
  std::printf("platform: %s\n", qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
                                    ? "the display's"
                                    : qgetenv("QT_QPA_PLATFORM").constData());
  for (const auto& [name, folder] :
       {std::pair{"a store of the records", full}, std::pair{"a new, empty store", empty}}) {
    std::vector<double> drawn, opened;
    std::size_t count = 0;
    // The first start warms the system's file cache, as a program started before has.
    for (int i = 0; i < 8; ++i) {
      Start s;
      if (!Measure(argv[0], folder, s, count)) {
        std::fprintf(stderr, "a start failed\n");
        return 1;
      }
      if (i == 0) continue;
      drawn.push_back(s.drawn);
      opened.push_back(s.opened);
    }
    std::printf(
        "with %s (%zu records): main window drawn %.0f ms after the process started (median of "
        "7, worst %.0f ms; target <= 300 ms), records open at %.0f ms\n",
        name, count, Median(drawn), *std::max_element(drawn.begin(), drawn.end()), Median(opened));
  }
  return 0;
}
