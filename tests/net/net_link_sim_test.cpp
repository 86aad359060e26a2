// The network links against ser2net in front of the simulated indicator's pseudo-terminal, and
// against small misbehaving servers.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "indicator/live_indicator_model.h"
#include "link/key_command.h"
#include "link/line_settings.h"
#include "link/open_link.h"
#include "printfmt/print_format_model.h"
#include "setup/bulk_ops.h"
#include "setup/setup_handlers.h"
#include "support/quick_sim.h"
#include "support/ser2net.h"
#include "support/sim_port.h"

namespace tamarack {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::RecordingFeedback;
using test::Ser2Net;
using Kind = RecordingFeedback::Kind;

// The simulated indicator on its pseudo-terminal, optionally behind ser2net.
struct Rig {
  explicit Rig(sim::PtyTransport::Options line = {})
      : sim(test::FixedClockSim()), transport(sim, std::move(line)) {
    test::EnsureCoreApplication();
    std::string error;
    if (!transport.Start(&error)) ADD_FAILURE() << error;
  }
  ~Rig() {
    link.reset();
    proxy.Stop();
    transport.Stop();
  }

  // Opens the pseudo-terminal directly, or through ser2net as `scheme` says.
  bool Open(std::optional<Ser2Net::Mode> scheme, PortLine settings = {},
            const std::string& proxyLine = "9600n81") {
    settings.port = transport.DevicePath();
    if (scheme) {
      const std::string error = proxy.Start(transport.DevicePath(), *scheme, proxyLine);
      if (!error.empty()) {
        ADD_FAILURE() << error;
        return false;
      }
      settings.port = proxy.Url();
    }
    link = OpenLink(settings, ui);
    return link != nullptr;
  }

  // Every request ("> ") and reply ("< ") the simulator saw, in hexadecimal.
  std::vector<std::string> Exchanges() const {
    std::vector<std::string> out;
    for (const sim::TraceEntry& e : sim.Trace()) {
      std::string line = e.direction == sim::TraceEntry::Direction::kRequest ? ">" : "<";
      for (const std::uint8_t b : e.bytes) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        line += {' ', kHex[b >> 4], kHex[b & 15]};
      }
      out.push_back(std::move(line));
    }
    return out;
  }

  sim::Simulator sim;
  sim::PtyTransport transport;
  Ser2Net proxy;
  RecordingFeedback ui;
  std::unique_ptr<PortLink> link;
};

std::string& NewValue(SetupModel& model, std::string_view param) {
  return model.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(param)))];
}

// Read All, Write All (with 0xFF bytes in its block), a print format holding 0xFF sent and read
// back, and the live window's polls.
void RunSession(SerialLink& link, RecordingFeedback& ui, PrintFormatModel& format) {
  SetupModel setup = OpeningModel("07-12-2026", "09:30:45");
  EXPECT_TRUE(ReadAllParams(setup, link, ui));
  NewValue(setup, "F3.1") = "12000";
  NewValue(setup, "F3.2") = "65535";  // 00 FF FF in the block
  NewValue(setup, "F3.3") = "62000";
  EXPECT_TRUE(WriteAllParams(setup, link, ui));
  Line(format, 1) = "\xFF<G><NL>";  // "ÿ" in Latin-1
  SendPrintFormat(format, link, ui);
  AllClear(format);
  ReadPrintFormat(format, link, ui);
  LiveIndicatorModel live;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(RunPoll(live, link, ui).outcome, PollOutcome::kGood);
}

class NetLinkSession : public testing::TestWithParam<Ser2Net::Mode> {};

TEST_P(NetLinkSession, SameExchangesAsOverThePseudoTerminal) {
  std::vector<std::string> direct;
  std::vector<std::string> directTexts;
  {
    Rig rig;
    ASSERT_TRUE(rig.Open(std::nullopt));
    rig.ui.realWaits = true;
    PrintFormatModel format;
    RunSession(*rig.link, rig.ui, format);
    direct = rig.Exchanges();
    directTexts = rig.ui.Texts();
  }
  Rig rig;
  ASSERT_TRUE(rig.Open(GetParam())) << testing::PrintToString(rig.ui.Texts());
  rig.ui.realWaits = true;
  PrintFormatModel format;
  RunSession(*rig.link, rig.ui, format);

  const std::vector<std::string> network = rig.Exchanges();
  EXPECT_EQ(network.size(), direct.size());
  for (std::size_t i = 0; i < std::min(network.size(), direct.size()); ++i) {
    ASSERT_EQ(network[i], direct[i]) << "exchange " << i;
  }
  EXPECT_EQ(rig.ui.Texts(), directTexts);
  EXPECT_EQ(rig.ui.Texts(),
            (std::vector<std::string>{std::string(kWriteAllSuccess), "Print Format Send Sucess!"}));
  // 0xFF went through both ways intact.
  EXPECT_EQ(rig.sim.With([](sim::SimulatedIndicator& m) { return m.Value("F3.2"); }), "065535");
  EXPECT_EQ(rig.sim.With([](sim::SimulatedIndicator& m) { return m.PrintFormat('G'); }),
            "\xFF<G><NL><E>");
  EXPECT_EQ(Line(format, 1), "\xFF<G><NL>");
}

// The proxy goes away while the live window polls and comes back: one message for the whole
// outage, then the polls are good again without reopening.
TEST_P(NetLinkSession, ServerRestartedWhilePollingCostsOneMessage) {
  Rig rig;
  ASSERT_TRUE(rig.Open(GetParam()));
  rig.ui.realWaits = true;
  LiveIndicatorModel live;
  EXPECT_EQ(RunPoll(live, *rig.link, rig.ui).outcome, PollOutcome::kGood);
  rig.proxy.Stop();
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(RunPoll(live, *rig.link, rig.ui).outcome, PollOutcome::kFailed);
  ASSERT_EQ(rig.proxy.Start(rig.transport.DevicePath(), GetParam()), "");
  EXPECT_EQ(RunPoll(live, *rig.link, rig.ui).outcome, PollOutcome::kGood);
  EXPECT_EQ(RunPoll(live, *rig.link, rig.ui).outcome, PollOutcome::kGood);
  EXPECT_EQ(
      rig.ui.messages,
      (std::vector<RecordingFeedback::Message>{{Kind::kSystemError, "ERROR_INVALID_HANDLE"}}));
}

INSTANTIATE_TEST_SUITE_P(Schemes, NetLinkSession,
                         testing::Values(Ser2Net::Mode::kRaw, Ser2Net::Mode::kRfc2217),
                         [](const testing::TestParamInfo<Ser2Net::Mode>& which) {
                           return which.param == Ser2Net::Mode::kRaw ? "raw" : "rfc2217";
                         });

// With a strict line at 4800 baud and 2 stop bits, only a client that sets the line through the
// protocol is understood; ser2net itself starts the device at 9600/1.
TEST(NetLinkLine, Rfc2217SetsTheLine) {
  sim::PtyTransport::Options strict;
  strict.strictLine = true;
  strict.line.baud = 4800;
  strict.line.stopBits = 2;
  const struct {
    int baud;
    int stopBits;
    TransactStatus status;
  } rows[] = {{4800, 2, TransactStatus::kOk}, {9600, 1, TransactStatus::kBad}};
  for (const auto& row : rows) {
    Rig rig(strict);
    PortLine settings;
    settings.settings.baud = row.baud;
    settings.settings.stopBits = row.stopBits;
    ASSERT_TRUE(rig.Open(Ser2Net::Mode::kRfc2217, settings))
        << testing::PrintToString(rig.ui.Texts());
    EXPECT_EQ(SendKeyCommand(*rig.link, rig.ui, key::kZero), row.status)
        << row.baud << " baud, " << row.stopBits << " stop bits";
  }
}

// The finder reaches the same strict line through the device server, setting each try's line
// through the protocol, and names the URL and the setting where the indicator answered.
TEST(NetLinkLine, FinderFindsTheLineOverRfc2217) {
  sim::PtyTransport::Options strict;
  strict.strictLine = true;
  strict.line.baud = 4800;
  strict.line.stopBits = 2;
  Rig rig(strict);
  ASSERT_EQ(rig.proxy.Start(rig.transport.DevicePath(), Ser2Net::Mode::kRfc2217), "");
  const FinderPort port{rig.proxy.Url(), rig.proxy.Url()};
  const FinderResult result = FindIndicator(std::span(&port, 1), PortFinderFactory());
  ASSERT_EQ(result.outcome, FinderResult::Outcome::kFound) << result.tries << " tries";
  EXPECT_EQ(FoundText(result), "Indicator found on " + rig.proxy.Url() + " at 4800 8 2 NOPARITY");
  EXPECT_TRUE(result.openFailures.empty());
}

// A server on the loopback that runs `behave` on each connection it accepts, one at a time.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::function<void(int)> behave) : behave_(std::move(behave)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(listener_, 4);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      for (;;) {
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0 || stop_) {
          if (fd >= 0) ::close(fd);
          return;
        }
        behave_(fd);
        ::close(fd);
      }
    });
  }
  ~ScriptedServer() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    thread_.join();
  }
  std::string Url(const char* scheme) const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
  }
  // Set while a behaviour should end.
  static bool Stopping(int fd) {
    char byte = 0;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 0;
  }

 private:
  std::function<void(int)> behave_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void Send(int fd, const std::vector<std::uint8_t>& bytes) {
  ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

// Reads what arrives within `ms`.
std::vector<std::uint8_t> Receive(int fd, int ms) {
  timeval timeout{0, ms * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::vector<std::uint8_t> bytes(512);
  const ssize_t n = ::recv(fd, bytes.data(), bytes.size(), 0);
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

// Answers the greeting the way a willing server does, but acknowledges the baud rate with
// `ackedBaud`.
void Negotiate(int fd, std::uint32_t ackedBaud) {
  Receive(fd, 500);
  Send(fd, {255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 253, 44});
  Receive(fd, 200);
  Send(fd, {255, 250, 44, 101, static_cast<std::uint8_t>(ackedBaud >> 24),
            static_cast<std::uint8_t>(ackedBaud >> 16), static_cast<std::uint8_t>(ackedBaud >> 8),
            static_cast<std::uint8_t>(ackedBaud), 255, 240});
  Send(fd, {255, 250, 44,  102, 8,   255, 240, 255, 250, 44, 103,
            1,   255, 240, 255, 250, 44,  104, 1,   255, 240});
}

struct OpenCase {
  const char* name;
  const char* scheme;
  std::function<void(int)> behave;
  std::string message;
};

class BadServerOpen : public testing::TestWithParam<OpenCase> {};

TEST_P(BadServerOpen, RefusedWithItsMessageAndNoHang) {
  test::EnsureCoreApplication();
  ScriptedServer server(GetParam().behave);
  RecordingFeedback ui;
  PortLine settings;
  settings.port = server.Url(GetParam().scheme);
  // An open that waited for the server to give up would end in the hang-up's message instead.
  EXPECT_EQ(OpenLink(settings, ui), nullptr);
  EXPECT_EQ(ui.messages,
            (std::vector<RecordingFeedback::Message>{{Kind::kPortError, GetParam().message}}));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, BadServerOpen,
    testing::Values(OpenCase{"never_negotiates", "rfc2217",
                             [](int fd) {
                               while (!ScriptedServer::Stopping(fd)) Receive(fd, 50);
                             },
                             "CommPort not Exist!"},
                    OpenCase{"endless_options", "rfc2217",
                             [](int fd) {
                               // Options until the client gives up and hangs up, however slow
                               // the machine is.
                               static constexpr std::uint8_t kOptions[] = {255, 253, 99,  255,
                                                                           251, 98,  255, 241};
                               const auto end = Clock::now() + 20s;
                               while (Clock::now() < end &&
                                      ::send(fd, kOptions, sizeof kOptions, MSG_NOSIGNAL) > 0) {
                               }
                             },
                             "CommPort not Exist!"},
                    OpenCase{"hangs_up_at_once", "rfc2217", [](int) {}, "CommPort Already OPened!"},
                    OpenCase{"sets_another_baud", "rfc2217", [](int fd) { Negotiate(fd, 115200); },
                             "Undefined Error Code\xEF\xBC\x9A"
                             "22"}),
    [](const testing::TestParamInfo<OpenCase>& which) { return std::string(which.param.name); });

TEST(NetLinkOpen, NothingAtTheAddressIsAMissingPort) {
  test::EnsureCoreApplication();
  int port = 0;
  {
    ScriptedServer gone([](int) {});
    port = std::stoi(gone.Url("socket").substr(19));
  }
  for (const std::string& url :
       {"socket://127.0.0.1:" + std::to_string(port), "rfc2217://127.0.0.1:" + std::to_string(port),
        std::string("rfc2217://no-such-host.invalid:4001"), std::string("socket://bad host:1")}) {
    RecordingFeedback ui;
    PortLine settings;
    settings.port = url;
    EXPECT_EQ(OpenLink(settings, ui), nullptr) << url;
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"CommPort not Exist!"}) << url;
  }
}

// After a good open, a server that answers with garbage or hangs up in the middle of a reply ends
// the exchange with status 5, and a dropped connection reads as a lost device.
TEST(NetLinkExchange, GarbageAndHangUpMidReplyFailTheExchange) {
  test::EnsureCoreApplication();
  const struct {
    const char* name;
    std::vector<std::uint8_t> answer;
    bool hangUp;
  } rows[] = {{"garbage", {'x', 0x01, 0x31, 0x02, 'O', 'K', 0x03, 'z'}, false},
              {"half a reply, then gone", {0x01, 0x31, 0x02, 'O'}, true}};
  for (const auto& row : rows) {
    ScriptedServer server([&](int fd) {
      Negotiate(fd, 9600);
      while (!ScriptedServer::Stopping(fd)) {
        if (Receive(fd, 50).size() > 6) {  // skips the purges, answers the request
          Send(fd, row.answer);
          if (row.hangUp) return;
        }
      }
    });
    RecordingFeedback ui;
    PortLine settings;
    settings.port = server.Url("rfc2217");
    std::unique_ptr<PortLink> link = OpenLink(settings, ui);
    ASSERT_NE(link, nullptr) << row.name << testing::PrintToString(ui.Texts());
    EXPECT_EQ(SendKeyCommand(*link, ui, key::kZero), TransactStatus::kBad) << row.name;
    if (row.hangUp) {
      std::uint8_t byte = 0;
      EXPECT_EQ(link->Read(&byte, 1), -1) << row.name;
      EXPECT_EQ(link->LastError(), kErrorInvalidHandle) << row.name;
    }
  }
}

}  // namespace
}  // namespace tamarack
