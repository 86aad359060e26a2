// Arbitrary bytes from the PC into the simulated indicator, cut into arbitrary chunks: no input
// may crash or stall it, and every reply it makes must be one well-formed reply frame.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/frame.h"
#include "sim/simulator.h"
#include "support/quick_sim.h"

namespace {

using tamarack::sim::Clock;
using tamarack::sim::SimulatedIndicator;
using tamarack::sim::Simulator;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckReplyFrame(const tamarack::Frame& f) {
  Require(f.size() >= 5 && f.size() <= tamarack::kAreaSize + 4);
  Require(f[0] == tamarack::kSoh && f[1] == tamarack::kAddress && f[2] == tamarack::kStx);
  const std::span<const std::uint8_t> payload(f.data() + 3, f.size() - 5);
  for (std::uint8_t b : payload) Require(b != tamarack::kEtx);
  Require(f[f.size() - 2] == tamarack::kEtx);
  Require(f.back() == tamarack::ShortCheck(payload));
}

}  // namespace

// A session of this many bytes holds a long-form frame of any length and dozens of short ones; the
// cost of an input grows with its length, and longer sessions reach nothing new. fuzz/run-all
// passes it as -max_len.
constexpr std::size_t kMaxSession = 512;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  size = std::min(size, kMaxSession);
  Simulator::Options options = tamarack::test::FixedClockSim();
  options.indicator.cajOn = (data[0] & 1) != 0;
  options.traceLimit = 8;
  Simulator sim(options);
  sim.With([&](SimulatedIndicator& m) {
    m.SetLoad((data[0] >> 1) * 7.3 - 100);
    m.SetMotion((data[0] & 0x80) != 0);
  });

  // Chunk lengths come from the input itself: a byte below 0x08 after a 0xFE marks a cut.
  auto now = Clock::now();
  std::size_t start = 1;
  for (std::size_t i = 1; i <= size; ++i) {
    const bool cut = i == size || (data[i - 1] == 0xFE && i < size && data[i] < 0x08);
    if (!cut) continue;
    now += std::chrono::milliseconds(i < size ? data[i] * 100 : 0);  // idle gaps, some long
    for (const auto& reply : sim.Process(std::span(data + start, i - start), now)) {
      Require(reply.delay.count() >= 0 && !reply.hangUp);
      if (!reply.bytes.empty()) CheckReplyFrame(reply.bytes);
    }
    start = i;
  }
  // The display is always nine bytes and the state stays readable.
  sim.With([](SimulatedIndicator& m) {
    Require(m.DisplayReply().size() == 9);
    Require(m.Value("F1.1").size() == 6 && m.Value("F1.2").size() == 2);
  });
  return 0;
}
