// What watching the line costs and how fast the finder is:
//  - Read All against the simulated indicator (paced at 9600 baud 8N1) through the TracingLink,
//    with the Traffic window open and showing every row, against the same with no window;
//  - the program's memory while 100,000 polls pass through the trace with the window open;
//  - the finder over all 36 settings of a silent line, and finding an indicator at 9600 8N1.
// Run it on a quiet machine.

#include <QApplication>
#include <QCheckBox>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "app/find_dialog.h"
#include "link/commands.h"
#include "link/line_finder.h"
#include "link/open_link.h"
#include "link/tracing_link.h"
#include "link/transact.h"
#include "setup/setup_handlers.h"
#include "support/pty_peer.h"
#include "support/sim_port.h"
#include "timing.h"
#include "traffic/exchange_meaning.h"
#include "traffic/traffic_window.h"

namespace {

using namespace tamarack;
using bench::Clock;
using bench::Median;
using bench::Ms;

// Resident memory of the program in MiB.
double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

// An in-memory line that answers every request with the same reply and keeps nothing else, so
// that the memory measured is the trace's and the window's.
class AnsweringLine : public SerialLink {
 public:
  explicit AnsweringLine(Frame reply) : reply_(std::move(reply)) {}
  bool ClearErrors() override { return true; }
  bool PurgeTransmit() override { return true; }
  bool PurgeReceive() override {
    at_ = reply_.size();
    return true;
  }
  void Write(const std::uint8_t*, std::size_t) override { at_ = 0; }
  int Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, reply_.size() - at_);
    std::copy_n(reply_.begin() + static_cast<long>(at_), n, buffer);
    at_ += n;
    return static_cast<int>(n);
  }
  int LastError() const override { return 0; }

 private:
  Frame reply_;
  std::size_t at_ = 0;
};

// Message boxes are not expected; waits do not wait (for the in-memory line).
class NoWaits : public test::RecordingFeedback {
 public:
  void ShortWait(std::uint32_t) override {}
};

int ReadAllBench() {
  sim::Simulator simulator;
  sim::PtyTransport::Options options;
  options.pacing = true;  // 9600 baud, 8 data bits, no parity, 1 stop bit
  sim::PtyTransport transport(simulator, options);
  test::RecordingFeedback ui;
  ui.realWaits = true;
  CommPort port;
  if (const std::string error = test::ServeAndOpen(transport, port, ui); !error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  TracingLink trace(port);
  trace.SetDescriber(DescribeExchange);

  constexpr int kRuns = 9;
  std::vector<double> closed, open;
  int failed = 0;
  auto readAll = [&] {
    SetupModel model = OpeningModel("07-12-2026", "09:30:45");
    const auto start = Clock::now();
    if (!ReadAllParams(model, trace, ui)) ++failed;
    const double ms = Ms(Clock::now() - start);
    QApplication::processEvents();  // the window draws what came
    return ms;
  };
  readAll();  // warm-up
  for (int i = 0; i < kRuns; ++i) {
    closed.push_back(readAll());
    auto window = std::make_unique<CTrafficWindow>(trace, ui);
    window->HidePollsBox()->setChecked(false);
    window->show();
    QApplication::processEvents();
    open.push_back(readAll());
  }
  const double closedMs = Median(closed), openMs = Median(open);
  std::printf(
      "Read All, 33 parameters, paced 9600 8N1, through the trace (%d runs each, %d failed)\n",
      kRuns, failed);
  std::printf("  Traffic window closed  %8.1f ms (median)\n", closedMs);
  std::printf("  Traffic window open    %8.1f ms (median)  ratio %.3f\n", openMs,
              openMs / closedMs);
  port.Close();
  transport.Stop();
  return failed == 0 ? 0 : 2;
}

void MemoryBench() {
  // "123456" with the Stable, kg and Gross lamps.
  AnsweringLine line(ShortFrame(std::string("\x06\x5B\x4F\x66\x6D\x7D\0\x05\x04", 9)));
  TracingLink trace(line);
  trace.SetDescriber(DescribeExchange);
  NoWaits ui;
  CTrafficWindow window(trace, ui);
  window.HidePollsBox()->setChecked(false);
  window.show();
  QApplication::processEvents();
  std::printf("Memory with the Traffic window open, showing every poll (ring of %zu)\n",
              trace.Capacity());
  std::printf("  %7d polls  %7.1f MiB\n", 0, ResidentMiB());
  const Frame poll = DisplayPollRequest();
  const auto start = Clock::now();
  for (int i = 1; i <= 100000; ++i) {
    ReplyArea area;
    Transact(trace, ui, poll, kPollWaitMs, area);
    if (i % 200 == 0) QApplication::processEvents();
    if (i % 10000 == 0) {
      std::printf("  %7d polls  %7.1f MiB  (rows %d)\n", i, ResidentMiB(),
                  window.Model().rowCount());
    }
  }
  std::printf("  %.1f us per traced poll, decoding and showing included\n",
              Ms(Clock::now() - start) * 1000.0 / 100000.0);
}

void FinderBench() {
  {
    // What the tries' read time-outs allow on a silent line (a header read of three bytes each),
    // against the usual contract; the aim is well inside ten seconds.
    std::chrono::milliseconds allowed{0};
    std::chrono::milliseconds usual{0};
    for (const auto& setting : FinderOrder()) {
      const ReadTimeouts t = FinderTimeouts(setting);
      allowed += t.totalBase + 3 * t.perByte;
      const ReadTimeouts contract;
      usual += contract.totalBase + 3 * contract.perByte;
    }
    test::PtyPeer silent;
    const FinderPort ports[] = {{"silent", silent.Device()}};
    const auto start = Clock::now();
    const FinderResult result = FindIndicator(ports, PortFinderFactory());
    std::printf(
        "Finder on a silent line: %d tries in %.0f ms (%s); their time-outs allow %lld ms, "
        "the usual contract %lld ms (target < 8000 ms)\n",
        result.tries, Ms(Clock::now() - start),
        result.outcome == FinderResult::Outcome::kNotFound ? "none answered" : "?",
        static_cast<long long>(allowed.count()), static_cast<long long>(usual.count()));
  }
  sim::Simulator simulator;
  sim::PtyTransport::Options options;
  options.pacing = true;
  options.strictLine = true;
  sim::PtyTransport transport(simulator, options);
  std::string error;
  if (!transport.Start(&error)) return;
  std::vector<double> runs;
  FinderResult result;
  for (int i = 0; i < 5; ++i) {
    const FinderPort ports[] = {{"sim", transport.DevicePath()}};
    const auto start = Clock::now();
    result = FindIndicator(ports, PortFinderFactory());
    runs.push_back(Ms(Clock::now() - start));
  }
  std::printf("Finder, indicator at 9600 8N1 (paced): %s after %d tries, %.1f ms (median of 5)\n",
              result.setting.Text().c_str(), result.tries, Median(runs));
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rc = ReadAllBench();
  MemoryBench();
  FinderBench();
  return rc;
}
