// How long one exchange takes beyond its wait, against a prompt peer on a pseudo-terminal, and
// how much processor time a short wait burns; what the read time-outs cost against a silent peer,
// a reply that stops short and a peer that hangs up. Prints medians; run it on a quiet machine.

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

bool Open(tamarack::CommPort& port, tamarack::test::PtyPeer& peer, tamarack::UserFeedback& ui) {
  if (port.Open({peer.Device(), {}}, ui) == 1) return true;
  std::fprintf(stderr, "cannot open %s\n", peer.Device().c_str());
  return false;
}

// The read time-out contract at work: 700 ms + 100 ms per byte asked for in all, at most 100 ms
// between two bytes, and nothing at all on a line whose device has gone.
bool TimeoutBench(tamarack::UserFeedback& ui) {
  using namespace tamarack;
  using bench::Clock;
  {
    test::PtyPeer peer;
    peer.Start();
    CommPort port;
    if (!Open(port, peer, ui)) return false;
    ReplyArea reply{};
    const auto start = Clock::now();
    Transact(port, ui, DisplayPollRequest(), kPollWaitMs, reply);
    std::printf("silent peer: the exchange ends after %.0f ms (%u ms wait + 700 + 3 * 100 ms)\n",
                bench::Ms(Clock::now() - start), kPollWaitMs);
  }
  {
    test::PtyPeer peer;
    CommPort port;
    if (!Open(port, peer, ui)) return false;
    peer.Send({'a', 'b'});
    std::uint8_t buffer[10] = {};
    const auto start = Clock::now();
    const int got = port.Read(buffer, sizeof buffer);
    std::printf(
        "a ten-byte read that gets %d: ends after %.0f ms (100 ms after the last byte; the "
        "total would allow 1700 ms)\n",
        got, bench::Ms(Clock::now() - start));
  }
  {
    test::PtyPeer peer;
    peer.answer = [](const std::vector<std::uint8_t>&) { return ShortFrame("OK"); };
    peer.hangUpAfter = 4;  // 01 31 02 'O', then gone
    peer.Start();
    CommPort port;
    if (!Open(port, peer, ui)) return false;
    ReplyArea reply{};
    const double cpuBefore = ThreadCpuMs();
    auto start = Clock::now();
    Transact(port, ui, KeyRequest("10"), kKeyWaitMs, reply);
    const double first = bench::Ms(Clock::now() - start);
    const double cpu = ThreadCpuMs() - cpuBefore;
    start = Clock::now();
    Transact(port, ui, KeyRequest("10"), 10, reply);
    std::printf(
        "peer hanging up mid-reply: the exchange ends %.0f ms beyond its %u ms wait (%.1f ms "
        "processor time; target < 700 ms), the next on the dead line after %.1f ms\n",
        first - kKeyWaitMs, kKeyWaitMs, cpu, bench::Ms(Clock::now() - start));
  }
  return true;
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
    SleepAtLeast(200);
    cpu.push_back(ThreadCpuMs() - before);
  }
  std::printf("processor time of one 200 ms short wait: median %.3f ms (target < 5 ms)\n",
              Median(cpu));
  port.Close();
  return failed == 0 && TimeoutBench(ui) ? 0 : 1;
}
