#include "sim/pty_transport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "link/commands.h"
#include "raw_port.h"
#include "sim_test_util.h"

namespace tamarack::sim {
namespace {

using simtest::RawPort;
using namespace std::chrono_literals;

const Frame kOk = ShortFrame("OK");

std::string TempPath(const char* name) {
  return testing::TempDir() + "tamarack-sim-" + std::to_string(::getpid()) + "-" + name;
}

PtyTransport::Options LinkedTo(const std::string& path) {
  PtyTransport::Options options;
  options.linkPath = path;
  return options;
}

PtyTransport::Options Paced() {
  PtyTransport::Options options;
  options.pacing = true;
  return options;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(PtyTransportTest, ServesTheDeviceAcrossReopens) {
  Simulator sim(test::FixedClockSim());
  PtyTransport transport(sim, {});
  std::string error;
  ASSERT_TRUE(transport.Start(&error)) << error;
  ASSERT_TRUE(transport.DevicePath().starts_with("/dev/pts/"));
  // The application closes its port and opens it again, several times.
  for (int round = 0; round < 3; ++round) {
    RawPort port(transport.DevicePath());
    ASSERT_TRUE(port.ok());
    EXPECT_EQ(port.Exchange(KeyRequest(key::kZero), kOk.size()), kOk) << "round " << round;
  }
  transport.Stop();
  transport.Stop();  // twice is harmless
}

TEST(PtyTransportTest, SymlinkFollowsTheDeviceAndGoesAtStop) {
  const std::string link = TempPath("link");
  Simulator sim(test::FixedClockSim());
  sim.SetFault(RequestKind::kKey, FaultKind::kHangUp, 1);
  {
    PtyTransport transport(sim, LinkedTo(link));
    std::string error;
    ASSERT_TRUE(transport.Start(&error)) << error;
    ASSERT_TRUE(IsLink(link));
    const std::string first = transport.DevicePath();
    {
      RawPort port(link);
      ASSERT_TRUE(port.ok());
      // A hang-up: no reply, the line goes dead, and a fresh device is served.
      port.Send(KeyRequest(key::kZero));
      const auto r = port.Read(1, 2000);
      EXPECT_TRUE(r.bytes.empty());
      EXPECT_TRUE(r.lineDead);
    }
    EXPECT_EQ(transport.HangUps(), 1);
    EXPECT_NE(transport.DevicePath(), first);
    RawPort again(link);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.Exchange(KeyRequest(key::kZero), kOk.size()), kOk);
  }
  EXPECT_FALSE(IsLink(link)) << "the symlink outlived the transport";
}

TEST(PtyTransportTest, LeavesAnExistingFileAlone) {
  const std::string path = TempPath("file");
  std::ofstream(path) << "keep me";
  Simulator sim;
  PtyTransport transport(sim, LinkedTo(path));
  std::string error;
  EXPECT_FALSE(transport.Start(&error));
  EXPECT_NE(error.find("not a symlink"), std::string::npos);
  std::string content;
  std::getline(std::ifstream(path), content);
  EXPECT_EQ(content, "keep me");
  std::remove(path.c_str());
}

// 9600 baud, 8N1: ten bits, 1.0417 ms a byte, so a 100-byte reply takes 104.2 ms after the
// 7-byte request has taken its 7.3 ms. Measured from sending the request to the reply's last byte;
// the machine is shared, so only a wide band is asserted.
TEST(PtyTransportTest, PacesBytesAtTheWireTime) {
  // Byte by byte, and eight at a time as a UART's FIFO hands them on: the reply ends at its wire
  // time either way, and in the second case no read ever sees part of a FIFO's worth.
  for (const int fifo : {1, 8}) {
    SCOPED_TRACE("fifo " + std::to_string(fifo));
    Simulator sim(test::FixedClockSim());
    sim.With([](SimulatedIndicator& m) { m.SetPrintFormat('G', std::string(95, 'x')); });
    PtyTransport::Options options = Paced();
    options.fifoBytes = fifo;
    PtyTransport transport(sim, options);
    std::string error;
    ASSERT_TRUE(transport.Start(&error)) << error;
    RawPort port(transport.DevicePath());
    const Frame request = ReadFormatRequest('A');
    const double requestMs = 1000.0 * 10 / 9600 * static_cast<double>(request.size());
    std::vector<double> replyMs;
    for (int round = 0; round < 5; ++round) {
      const auto sent = std::chrono::steady_clock::now();
      port.Send(request);
      const auto r = port.Read(100, 500);
      ASSERT_EQ(r.bytes.size(), 100u);
      replyMs.push_back(std::chrono::duration<double, std::milli>(r.at.back() - sent).count() -
                        requestMs);
      // Bytes that one read returned share their arrival time.
      std::size_t run = 1;
      for (std::size_t i = 1; i < r.at.size(); ++i) {
        if (r.at[i] == r.at[i - 1]) {
          ++run;
          continue;
        }
        EXPECT_EQ(run % static_cast<std::size_t>(fifo), 0u) << "a read ending at byte " << i;
        run = 1;
      }
    }
    std::sort(replyMs.begin(), replyMs.end());
    const double median = replyMs[replyMs.size() / 2];
    std::printf(
        "100 bytes at 9600 8N1, %d at a time, took %.1f ms (median of %zu; 104.2 ms on "
        "the wire)\n",
        fifo, median, replyMs.size());
    RecordProperty("paced_100_bytes_ms_fifo" + std::to_string(fifo), std::to_string(median));
    EXPECT_GT(median, 104.2 * 0.95);
    EXPECT_LT(median, 104.2 * 3);
  }
}

TEST(PtyTransportTest, StrictLineIgnoresAPortOnOtherSettings) {
  Simulator sim(test::FixedClockSim());
  PtyTransport::Options options;
  options.strictLine = true;  // 9600 baud, 1 stop bit
  PtyTransport transport(sim, options);
  std::string error;
  ASSERT_TRUE(transport.Start(&error)) << error;
  RawPort port(transport.DevicePath());
  const struct {
    speed_t speed;
    bool twoStop;
    bool answered;
  } lines[] = {{B4800, false, false}, {B9600, true, false}, {B9600, false, true}};
  for (const auto& line : lines) {
    port.SetLine(line.speed, line.twoStop);
    EXPECT_EQ(port.Exchange(KeyRequest(key::kZero), kOk.size(), 200).empty(), !line.answered);
  }
  const auto trace = sim.Trace();
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.front().note, "garbled: the line runs at 4800 baud with 1 stop bits");
}

TEST(PtyTransportTest, LateReplyComesAfterTheReadingStopped) {
  Simulator::Options options = test::FixedClockSim();
  options.lateBy = 300ms;
  Simulator sim(options);
  sim.InjectNext(FaultKind::kLate);
  PtyTransport transport(sim, {});
  std::string error;
  ASSERT_TRUE(transport.Start(&error)) << error;
  RawPort port(transport.DevicePath());
  const auto t0 = std::chrono::steady_clock::now();
  port.Send(DisplayPollRequest());
  EXPECT_TRUE(port.Read(1, 200).bytes.empty());
  const auto r = port.Read(14, 1000);
  EXPECT_EQ(r.bytes.size(), 14u);
  EXPECT_GE(r.at.front() - t0, 300ms);  // 10 ms wait + 300 ms
}

}  // namespace
}  // namespace tamarack::sim
