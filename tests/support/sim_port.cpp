#include "support/sim_port.h"

#include <QCoreApplication>
#include <utility>

namespace tamarack::test {

void EnsureCoreApplication() {
  static int argc = 1;
  static char name[] = "tamarack_sim_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

std::vector<Frame> SimRequests(const sim::Simulator& simulator) {
  std::vector<Frame> requests;
  for (const sim::TraceEntry& entry : simulator.Trace()) {
    if (entry.direction == sim::TraceEntry::Direction::kRequest) requests.push_back(entry.bytes);
  }
  return requests;
}

std::string OpenOn(const sim::PtyTransport& transport, CommPort& port, RecordingFeedback& ui) {
  const PortLine line{transport.DevicePath(), {}};
  if (port.Open(line, ui) == 1) return {};
  return "cannot open " + line.port + ": " + testing::PrintToString(ui.Texts());
}

std::string ServeAndOpen(sim::PtyTransport& transport, CommPort& port, RecordingFeedback& ui) {
  std::string error;
  if (!transport.Start(&error)) return "cannot start the simulated indicator: " + error;
  return OpenOn(transport, port, ui);
}

SimPortTest::SimPortTest(sim::Simulator::Options options, sim::PtyTransport::Options line)
    : sim(std::move(options)), transport(sim, std::move(line)) {}

void SimPortTest::SetUp() {
  const std::string error = ServeAndOpen(transport, port, ui);
  ASSERT_TRUE(error.empty()) << error;
}

void SimPortTest::TearDown() {
  port.Close();
  transport.Stop();
}

void SimPortTest::OpenPort() {
  const std::string error = OpenOn(transport, port, ui);
  ASSERT_TRUE(error.empty()) << error;
}

std::vector<sim::FaultKind> ReplyFaults(bool withHangUp) {
  std::vector<sim::FaultKind> faults;
  for (int k = 0; k < sim::kFaultKindCount; ++k) {
    const auto fault = static_cast<sim::FaultKind>(k);
    if (withHangUp || fault != sim::FaultKind::kHangUp) faults.push_back(fault);
  }
  return faults;
}

}  // namespace tamarack::test
