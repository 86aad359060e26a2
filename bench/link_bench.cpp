// How long one exchange takes beyond its wait, against a prompt peer on a pseudo-terminal, and
// how much processor time a short wait burns. Prints medians; run it on a quiet machine.

#include <time.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/comm_port.h"
#include "link/commands.h"
#include "link/transact.h"
#include "support/pty_peer.h"
#include "support/recording_feedback.h"
#include "timing.h"

namespace {

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  using namespace tamarack;
  using bench::Clock;
  using bench::Median;

  test::PtyPeer peer;
  peer.answer = [](const std::vector<std::uint8_t>&) { return ShortFrame("OK"); };
  peer.Start();
  test::RecordingFeedback ui;
  ui.realWaits = true;
  CommPort port;
  if (port.Open({peer.Device(), {}}, ui) != 1) {
    std::fprintf(stderr, "cannot open %s\n", peer.Device().c_str());
    return 1;
  }

  constexpr int kExchanges = 200;
  std::vector<double> overhead;
  int failed = 0;
  for (int i = 0; i < kExchanges; ++i) {
    ReplyArea reply{};
    const auto start = Clock::now();
    const auto status = Transact(port, ui, DisplayPollRequest(), kPollWaitMs, reply);
    const double ms = bench::Ms(Clock::now() - start);
    if (status != TransactStatus::kOk) ++failed;
    overhead.push_back(ms - kPollWaitMs);
  }
  std::printf(
      "exchange with a %u ms wait, prompt peer on a pseudo-terminal: median %.3f ms beyond "
      "the wait, fastest %.3f ms (%d exchanges, %d failed; target < 2 ms)\n",
      kPollWaitMs, Median(overhead), *std::min_element(overhead.begin(), overhead.end()),
      kExchanges, failed);

  std::vector<double> cpu;
  for (int i = 0; i < 10; ++i) {
    const double before = ThreadCpuMs();
    PreciseSleep(200);
    cpu.push_back(ThreadCpuMs() - before);
  }
  std::printf("processor time of one 200 ms short wait: median %.3f ms (target < 5 ms)\n",
              Median(cpu));
  return failed == 0 ? 0 : 1;
}
