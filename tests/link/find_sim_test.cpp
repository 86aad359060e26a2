// The finder against the simulated indicator on a pseudo-terminal, through the program's own port.

#include <gtest/gtest.h>

#include "link/comm_port.h"
#include "link/line_finder.h"
#include "link/open_link.h"
#include "sim/pty_transport.h"
#include "sim/simulator.h"
#include "support/pty_peer.h"
#include "support/recording_feedback.h"
#include "support/sim_port.h"

namespace tamarack {
namespace {

class FinderOnLineTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { test::EnsureCoreApplication(); }

  // The finder let go of the device: the program's port opens it at once.
  void ExpectDeviceFree(const std::string& device) {
    CommPort port;
    test::RecordingFeedback ui;
    EXPECT_EQ(port.Open({device, {}}, ui), 1) << (ui.messages.empty() ? "" : ui.messages[0].text);
  }
};

TEST_F(FinderOnLineTest, FindsAnIndicatorThatOnlyHears4800BaudWithTwoStopBits) {
  sim::Simulator simulator;
  sim::PtyTransport::Options options;
  options.line.baud = 4800;
  options.line.stopBits = 2;
  options.strictLine = true;
  options.pacing = true;
  sim::PtyTransport transport(simulator, options);
  std::string error;
  ASSERT_TRUE(transport.Start(&error)) << error;

  const FinderPort ports[] = {{"COM2", transport.DevicePath()}};
  const FinderResult result = FindIndicator(ports, PortFinderFactory());
  ASSERT_EQ(result.outcome, FinderResult::Outcome::kFound);
  EXPECT_EQ(result.setting, (LineSettings{4800, 8, 2, Parity::kNone}));
  EXPECT_EQ(FoundText(result), "Indicator found on COM2 at 4800 8 2 NOPARITY");
  // The settings before it were heard as noise and not answered.
  EXPECT_EQ(result.tries, 21);
  ExpectDeviceFree(transport.DevicePath());
}

TEST_F(FinderOnLineTest, SilentLineAnswersAtNoSetting) {
  test::PtyPeer peer;  // never answers
  const FinderPort ports[] = {{"COM2", peer.Device()}};
  const FinderResult result = FindIndicator(ports, PortFinderFactory());
  EXPECT_EQ(result.outcome, FinderResult::Outcome::kNotFound);
  EXPECT_EQ(result.tries, 36);
  EXPECT_TRUE(result.openFailures.empty());
  ExpectDeviceFree(peer.Device());
}

TEST_F(FinderOnLineTest, MissingPortIsAnOpenFailureWithItsMessage) {
  const FinderPort ports[] = {{"COM9", "/dev/tamarack-no-such-port"}};
  const FinderResult result = FindIndicator(ports, PortFinderFactory());
  EXPECT_EQ(result.outcome, FinderResult::Outcome::kNotFound);
  EXPECT_EQ(result.tries, 0);
  ASSERT_EQ(result.openFailures.size(), 1u);
  EXPECT_EQ(result.openFailures[0].second, "CommPort not Exist!");
}

}  // namespace
}  // namespace tamarack
