#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/comm_port.h"
#include "link/frame.h"
#include "sim/fault_plan.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

namespace tamarack::test {

// Makes the QCoreApplication that QSerialPort needs, once for the whole program.
void EnsureCoreApplication();

// The requests the simulator received, in order.
std::vector<Frame> SimRequests(const sim::Simulator& simulator);

// Every way the simulator can spoil a reply, in its own order; the hang-up, which also kills the
// line, only when asked for.
std::vector<sim::FaultKind> ReplyFaults(bool withHangUp);

// Names a test parameterised by a fault after the fault ("bad-check" -> "bad_check").
struct ByFault {
  template <typename Info>
  std::string operator()(const Info& i) const {
    return CaseName(std::string(sim::FaultKindName(i.param)).c_str());
  }
};

// Opens `port` on the device that `transport` serves now. Empty, or what went wrong.
std::string OpenOn(const sim::PtyTransport& transport, CommPort& port, RecordingFeedback& ui);

// Starts serving `transport` and opens `port` on its device. Empty, or what went wrong.
std::string ServeAndOpen(sim::PtyTransport& transport, CommPort& port, RecordingFeedback& ui);

// A test through the program's own port on the pseudo-terminal that the simulated indicator
// serves. The port is open when the test begins.
class SimPortTest : public testing::Test {
 protected:
  explicit SimPortTest(sim::Simulator::Options options = {}, sim::PtyTransport::Options line = {});

  static void SetUpTestSuite() { EnsureCoreApplication(); }
  void SetUp() override;
  void TearDown() override;

  // Opens the port again on the device served now, as the user would after a close.
  void OpenPort();
  std::vector<Frame> Requests() const { return SimRequests(sim); }

  sim::Simulator sim;
  sim::PtyTransport transport;
  CommPort port;
  RecordingFeedback ui;
};

}  // namespace tamarack::test
