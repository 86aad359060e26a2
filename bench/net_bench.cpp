// Read All through ser2net on the loopback over rfc2217:// (and socket://) against Read All over
// the simulated indicator's pseudo-terminal directly, both paced at 9600 baud 8N1; then the time
// to open an RFC 2217 port. Run it on a quiet machine with ser2net installed.

#include <QCoreApplication>
#include <cstdio>
#include <vector>

#include "link/open_link.h"
#include "setup/setup_handlers.h"
#include "support/ser2net.h"
#include "support/sim_port.h"
#include "timing.h"

namespace {

using namespace tamarack;
using bench::Clock;
using bench::Median;
using bench::Ms;

constexpr int kRuns = 7;

// The median of kRuns Read Alls over `link`; -1 when one failed.
double ReadAllMedian(SerialLink& link, test::RecordingFeedback& ui) {
  std::vector<double> runs;
  for (int i = 0; i < kRuns; ++i) {
    SetupModel model = OpeningModel("07-12-2026", "09:30:45");
    const auto start = Clock::now();
    if (!ReadAllParams(model, link, ui)) return -1;
    runs.push_back(Ms(Clock::now() - start));
  }
  return Median(runs);
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);

  sim::Simulator simulator;
  sim::PtyTransport::Options options;
  options.pacing = true;  // 9600 baud, 8 data bits, no parity, 1 stop bit
  sim::PtyTransport transport(simulator, options);
  test::RecordingFeedback ui;
  ui.realWaits = true;
  std::string error;
  if (!transport.Start(&error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

  PortLine settings{transport.DevicePath(), {}};
  std::unique_ptr<PortLink> direct = OpenLink(settings, ui);
  if (!direct) return 1;
  const double pty = ReadAllMedian(*direct, ui);
  direct.reset();

  std::printf("Read All, 33 parameters, paced 9600 8N1, median of %d runs\n", kRuns);
  std::printf("  pseudo-terminal directly   %8.1f ms\n", pty);
  struct Setup {
    test::Ser2Net::Mode mode;
    bool charDelay;
    const char* name;
  };
  for (const Setup& setup : {Setup{test::Ser2Net::Mode::kRfc2217, false, "rfc2217:// via ser2net"},
                             Setup{test::Ser2Net::Mode::kRaw, false, "socket:// via ser2net"},
                             Setup{test::Ser2Net::Mode::kRfc2217, true, "rfc2217://, chardelay on"},
                             Setup{test::Ser2Net::Mode::kRaw, true, "socket://, chardelay on"}}) {
    const test::Ser2Net::Mode mode = setup.mode;
    test::Ser2Net proxy;
    proxy.charDelay = setup.charDelay;
    if (const std::string e = proxy.Start(transport.DevicePath(), mode); !e.empty()) {
      std::fprintf(stderr, "%s\n", e.c_str());
      return 1;
    }
    settings.port = proxy.Url();
    std::unique_ptr<PortLink> net = OpenLink(settings, ui);
    if (!net) return 1;
    const double over = ReadAllMedian(*net, ui);
    std::printf("  %-26s %8.1f ms  ratio %.3f\n", setup.name, over, over / pty);
    net.reset();

    if (mode == test::Ser2Net::Mode::kRfc2217 && !setup.charDelay) {
      std::vector<double> opens;
      for (int i = 0; i < 21; ++i) {
        const auto start = Clock::now();
        std::unique_ptr<PortLink> again = OpenLink(settings, ui);
        opens.push_back(Ms(Clock::now() - start));
        if (!again) return 1;
      }
      std::printf("  opening an rfc2217:// port  %6.1f ms median, %.1f ms worst of %zu\n",
                  Median(opens), *std::max_element(opens.begin(), opens.end()), opens.size());
    }
  }
  transport.Stop();
  return ui.messages.empty() ? 0 : 2;
}
