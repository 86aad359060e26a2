// CommPort against a real pseudo-terminal: line settings, open errors, the time-out contract and a
// peer that hangs up.

#include "link/comm_port.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <time.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>

#include "link/commands.h"
#include "link/port_names.h"
#include "link/transact.h"
#include "support/pty_peer.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

// The line settings asked of any terminal device, one entry per request. A pseudo-terminal keeps
// speed and stop bits but drops data bits and parity at once (it always reports 8 bits and no
// parity), so those are checked where the port asks for them.
namespace {
std::vector<termios> asked;
}  // namespace

extern "C" int tcsetattr(int fd, int action, const termios* line) {
  using Real = int (*)(int, int, const termios*);
  static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "tcsetattr"));
  asked.push_back(*line);
  return real(fd, action, line);
}

namespace tamarack {
namespace {

using test::PtyPeer;
using test::RecordingFeedback;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

class CommPortTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // QSerialPort's notifiers want an application object on this thread.
    static int argc = 1;
    static char name[] = "comm_port_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  }

  PortLine SettingsFor(const PtyPeer& peer) {
    PortLine s;
    s.port = peer.Device();
    return s;
  }

  RecordingFeedback ui;
};

struct LineCase {
  const char* what;
  int baud, dataBits, stopBits, parity;
  speed_t speed;
  tcflag_t size;
};

class CommPortLine : public CommPortTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(CommPortLine, SelectionsReachTheLine) {
  const LineCase& c = GetParam();
  PtyPeer peer;
  ASSERT_FALSE(peer.Device().empty());
  CommPort port;
  PortLine s = SettingsFor(peer);
  s.settings = {c.baud, c.dataBits, c.stopBits, static_cast<Parity>(c.parity)};
  asked.clear();
  ASSERT_EQ(port.Open(s, ui), 1) << ::testing::PrintToString(ui.Texts());

  const auto anyAsked = [](auto&& what) { return std::any_of(asked.begin(), asked.end(), what); };
  EXPECT_TRUE(anyAsked([&](const termios& t) { return (t.c_cflag & CSIZE) == c.size; }));
  if (c.parity != 0) {
    const tcflag_t parity = c.parity == 2 ? PARENB | PARODD : PARENB;
    EXPECT_TRUE(
        anyAsked([&](const termios& t) { return (t.c_cflag & (PARENB | PARODD)) == parity; }));
  } else {
    EXPECT_FALSE(anyAsked([](const termios& t) { return (t.c_cflag & PARENB) != 0; }));
  }

  termios t{};
  ASSERT_EQ(tcgetattr(peer.Slave(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), c.speed);
  EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.stopBits == 2);
  // A raw line: no flow control of either kind, bytes of value 0 and 0x0D arrive unchanged.
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | IGNCR | INLCR), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_TRUE(ui.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, CommPortLine,
    ::testing::Values(LineCase{"7 2 ODDPARITY 2400", 2400, 7, 2, 2, B2400, CS7},
                      LineCase{"8 1 NOPARITY 9600", 9600, 8, 1, 0, B9600, CS8},
                      LineCase{"7 1 EVENPARITY 4800", 4800, 7, 1, 1, B4800, CS7}),
    test::ByWhat());

TEST(CommPortNames, ComNamesMapToSerialDevices) {
  EXPECT_EQ(DeviceFor("COM1"), "/dev/ttyS0");
  EXPECT_EQ(DeviceFor("COM6"), "/dev/ttyS5");
  EXPECT_EQ(DeviceFor("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(DeviceFor("COM"), "COM");
  EXPECT_EQ(DeviceFor("COM0"), "COM0");
  EXPECT_EQ(DeviceFor("COMX"), "COMX");
}

TEST_F(CommPortTest, MissingDeviceIsReportedAndLeavesThePortClosed) {
  CommPort port;
  PortLine s;
  s.port = "/dev/tamarack-no-such-port";
  EXPECT_EQ(port.Open(s, ui), -1);
  EXPECT_FALSE(port.IsOpen());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, RecordingFeedback::Kind::kPortError);
  EXPECT_EQ(ui.messages[0].text, "CommPort not Exist!");
}

TEST_F(CommPortTest, DeviceThatIsNoSerialLineGivesItsErrorCode) {
  CommPort port;
  PortLine s;
  s.port = "/dev/null";
  EXPECT_EQ(port.Open(s, ui), -1);
  EXPECT_FALSE(port.IsOpen());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Undefined Error Code\xEF\xBC\x9A" + std::to_string(ENOTTY));
}

TEST_F(CommPortTest, SecondOpenOfTheSameDeviceIsRefused) {
  PtyPeer peer;
  CommPort first;
  CommPort second;
  ASSERT_EQ(first.Open(SettingsFor(peer), ui), 1);
  EXPECT_EQ(second.Open(SettingsFor(peer), ui), -1);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_EQ(ui.Texts(),
            std::vector<std::string>{"CommPort Already OPened!\nAnother program is using " +
                                     peer.Device() + "; close it there first."});
  // Once the first lets go, the device is free again.
  first.Close();
  ui.messages.clear();
  EXPECT_EQ(second.Open(SettingsFor(peer), ui), 1);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CommPortTest, DeviceTheUserMayNotOpenSaysWhyAndWhatToDo) {
  // Even root may not read this one, so the refusal is real here too.
  CommPort port;
  PortLine s;
  s.port = "/proc/sys/vm/drop_caches";
  EXPECT_EQ(port.Open(s, ui), -1);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(ui.Texts(),
            std::vector<std::string>{
                "CommPort Already OPened!\nYou may not open /proc/sys/vm/drop_caches: only members "
                "of the group \"root\" may. Add yourself to it (sudo adduser $USER root), then log "
                "out and log in again."});
}

TEST_F(CommPortTest, ExchangeWithAPromptPeer) {
  PtyPeer peer;
  peer.answer = [](const std::vector<std::uint8_t>&) { return ShortFrame("OK"); };
  peer.Start();
  CommPort port;
  ASSERT_EQ(port.Open(SettingsFor(peer), ui), 1);
  // Bytes left on the line before the exchange are purged, not taken for the reply.
  peer.Send({0x55, 0x01, 0x31});
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  ReplyArea reply{};
  const Frame request = KeyRequest("16");
  EXPECT_EQ(Transact(port, ui, request, kKeyWaitMs, reply), TransactStatus::kOk);
  EXPECT_TRUE(reply.StartsWith("OK"));
  ASSERT_EQ(peer.Requests().size(), 1u);
  EXPECT_EQ(peer.Requests()[0], request);
}

TEST_F(CommPortTest, SilentPeerCostsAboutOneSecond) {
  PtyPeer peer;
  peer.Start();
  CommPort port;
  ASSERT_EQ(port.Open(SettingsFor(peer), ui), 1);
  ReplyArea reply{};
  const auto start = Clock::now();
  EXPECT_EQ(Transact(port, ui, DisplayPollRequest(), kPollWaitMs, reply), TransactStatus::kBad);
  const double took = Seconds(Clock::now() - start);
  // The three head bytes may take 700 + 3 * 100 ms, and the exchange waits that out; that it
  // takes no longer is bench/link_bench's figure.
  EXPECT_GT(took, 0.9);
}

TEST_F(CommPortTest, ReadStopsAtTheGapBetweenBytes) {
  PtyPeer peer;
  CommPort port;
  ASSERT_EQ(port.Open(SettingsFor(peer), ui), 1);
  peer.Send({'a', 'b'});
  std::uint8_t buffer[10] = {};
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 2);
  const double took = Seconds(Clock::now() - start);
  EXPECT_EQ(buffer[0], 'a');
  EXPECT_EQ(buffer[1], 'b');
  // 100 ms after the last byte; that this is far below the 1700 ms total of a ten-byte read is
  // bench/link_bench's figure.
  EXPECT_GT(took, 0.08);
}

TEST_F(CommPortTest, PeerHangingUpEndsTheExchangeAtOnceAndThePortCanBeReopened) {
  CommPort port;
  {
    PtyPeer peer;
    peer.answer = [](const std::vector<std::uint8_t>&) { return ShortFrame("OK"); };
    peer.hangUpAfter = 4;  // 01 31 02 'O', then gone
    peer.Start();
    ASSERT_EQ(port.Open(SettingsFor(peer), ui), 1);

    // The line dies in the middle of the reply: this exchange and every later one fail at once,
    // without a time-out (bench/link_bench times both), and nothing spins.
    ReplyArea reply{};
    const double cpuBefore = ThreadCpuSeconds();
    EXPECT_EQ(Transact(port, ui, KeyRequest("10"), kKeyWaitMs, reply), TransactStatus::kBad);
    EXPECT_LT(ThreadCpuSeconds() - cpuBefore, 0.2);
    EXPECT_EQ(Transact(port, ui, KeyRequest("10"), 10, reply), TransactStatus::kBad);
  }
  port.Close();
  EXPECT_FALSE(port.IsOpen());

  PtyPeer fresh;
  fresh.answer = [](const std::vector<std::uint8_t>&) { return ShortFrame("OK"); };
  fresh.Start();
  ASSERT_EQ(port.Open(SettingsFor(fresh), ui), 1);
  ReplyArea reply{};
  EXPECT_EQ(Transact(port, ui, KeyRequest("10"), kKeyWaitMs, reply), TransactStatus::kOk);
}

TEST_F(CommPortTest, HungUpPortStaysQuietBetweenExchanges) {
  CommPort port;
  ReplyArea reply{};
  {
    PtyPeer peer;
    peer.answer = [](const std::vector<std::uint8_t>&) { return ShortFrame("OK"); };
    peer.hangUpAfter = 4;
    peer.Start();
    ASSERT_EQ(port.Open(SettingsFor(peer), ui), 1);
    EXPECT_EQ(Transact(port, ui, KeyRequest("10"), 10, reply), TransactStatus::kBad);

    // Between exchanges the windows sit in the event loop; a dead line must not keep it busy.
    const double cpuBefore = ThreadCpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec();
    EXPECT_LT(ThreadCpuSeconds() - cpuBefore, 0.2);
  }
  EXPECT_TRUE(port.IsOpen());  // still the user's open port, to be closed by the user
}

}  // namespace
}  // namespace tamarack
