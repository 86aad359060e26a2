// Read All against the simulated indicator with line pacing at 9600 baud 8N1, compared with the
// least time the line allows: for each of the 33 exchanges the larger of its 20 ms wait and the
// wire time of its request and reply. Then a Read All against a silent indicator. Run it on a
// quiet machine.

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/commands.h"
#include "setup/setup_handlers.h"
#include "support/sim_port.h"
#include "timing.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  using namespace tamarack;
  using bench::Clock;
  using bench::Median;
  using bench::Ms;

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

  // The line-time floor. Each exchange takes at least its wait (the reply arrives during it) and at
  // least the wire time of its request and reply; the byte counts come from the frames a fresh
  // simulated indicator gives.
  const double byteMs = Ms(options.line.ByteTime());
  const double waitMs = kReadParamWaitMs;
  sim::Simulator counter;
  std::size_t bytes = 0;
  double floorMs = 0;
  for (const SetupParam& p : SetupParams()) {
    const Frame request = ReadParamRequest(p.address);
    const std::size_t exchange = request.size() + counter.Feed(request).size();
    bytes += exchange;
    floorMs += std::max(waitMs, static_cast<double>(exchange) * byteMs);
  }

  constexpr int kRuns = 7;
  std::vector<double> runs;
  int failed = 0;
  for (int i = 0; i < kRuns; ++i) {
    SetupModel model = OpeningModel("07-12-2026", "09:30:45");
    const auto start = Clock::now();
    if (!ReadAllParams(model, port, ui)) ++failed;
    runs.push_back(Ms(Clock::now() - start));
  }
  const double median = Median(runs);
  const double best = *std::min_element(runs.begin(), runs.end());
  std::printf("Read All, 33 parameters, paced 9600 8N1 (%d runs, %d failed)\n", kRuns, failed);
  std::printf(
      "  line-time floor      %8.1f ms  (%zu exchanges, each the larger of %u ms and its\n"
      "                                   wire time; %zu bytes x %.4f ms in all)\n",
      floorMs, SetupParams().size(), kReadParamWaitMs, bytes, byteMs);
  std::printf("  measured, median     %8.1f ms  ratio %.3f\n", median, median / floorMs);
  std::printf("  measured, best       %8.1f ms  ratio %.3f\n", best, best / floorMs);

  simulator.SetFault(sim::RequestKind::kReadParam, sim::FaultKind::kSilence);
  ui.messages.clear();
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  const auto start = Clock::now();
  ReadAllParams(model, port, ui);
  const double silentMs = Ms(Clock::now() - start);
  std::printf("Read All against a silent indicator\n");
  std::printf("  ended after          %8.1f ms  with \"%s\"\n", silentMs,
              ui.messages.empty() ? "" : ui.messages.back().text.c_str());

  port.Close();
  transport.Stop();
  return failed == 0 ? 0 : 2;
}
