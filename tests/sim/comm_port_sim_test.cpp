// The whole exchange, Transact over CommPort, against the simulated indicator on a
// pseudo-terminal: every request kind, and every fault ending in the status it promises.

#include <gtest/gtest.h>

#include <thread>

#include "link/comm_port.h"
#include "link/commands.h"
#include "link/key_command.h"
#include "link/transact.h"
#include "setup/write_all_block.h"
#include "sim_test_util.h"
#include "support/sim_port.h"
#include "support/test_names.h"

namespace tamarack::sim {
namespace {

using namespace std::chrono_literals;

class SimOverPortTest : public test::SimPortTest {
 protected:
  SimOverPortTest() : SimPortTest(test::FixedClockSim()) {}

  // One exchange; the reply payload as text.
  TransactStatus Exchange(const Frame& request, std::uint32_t waitMs = kKeyWaitMs) {
    reply.Clear();
    return Transact(port, ui, request, waitMs, reply);
  }

  ReplyArea reply;
};

TEST_F(SimOverPortTest, AnswersEveryRequestKind) {
  for (const SetupParam& p : SetupParams()) {
    ASSERT_EQ(Exchange(ReadParamRequest(p.address), kReadParamWaitMs), TransactStatus::kOk);
    EXPECT_TRUE(reply.StartsWith("P" + p.address.Text() + "=")) << reply.Text();
    EXPECT_EQ(reply.Text().size(), 8u + static_cast<std::size_t>(p.readLength));
  }
  EXPECT_EQ(Exchange(DisplayPollRequest(), kPollWaitMs), TransactStatus::kOk);
  EXPECT_EQ(reply.bytes[4], 0xBF);  // "0." of "0.0"
  EXPECT_EQ(SendKeyCommand(port, ui, key::kTare), TransactStatus::kOk);
  EXPECT_EQ(RequireOk(Exchange(WriteParamRequest({1, 6}, "000007"), kWriteParamWaitMs), reply),
            TransactStatus::kOk);
  EXPECT_EQ(RequireOk(Exchange(WriteParamRequest({3, 1}, "000000"), kStepWaitMs), reply),
            TransactStatus::kOk);

  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  for (auto& text : model.newValue) text = "1234";
  model.choice[RowIndex(*FindParam("F2.2"))] = 3;
  EXPECT_EQ(RequireOk(Exchange(WriteAllRequest(BuildWriteAllBlock(model)), kWriteAllWaitMs), reply),
            TransactStatus::kOk);
  EXPECT_EQ(sim.With([](SimulatedIndicator& m) { return m.Value("F2.2") + m.Value("F3.3"); }),
            "03001234");

  EXPECT_EQ(
      RequireOk(Exchange(SendFormatRequest('N', AsBytes("<N><NL><E>")), kSendFormatWaitMs), reply),
      TransactStatus::kOk);
  EXPECT_EQ(Exchange(ReadFormatRequest('B'), kReadFormatWaitMs), TransactStatus::kOk);
  EXPECT_EQ(reply.Text(), "<N><NL><E>");
  EXPECT_EQ(RequireOk(Exchange(WeightRequest("42", "0016777216"), kWeightWaitMs), reply),
            TransactStatus::kOk);
  EXPECT_EQ(Exchange(WeightRequest("42", "0000000000"), kWeightWaitMs), TransactStatus::kOk);
  EXPECT_EQ(reply.Text(), "420016777216E");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SimOverPortTest, PortClosedAndOpenedAgainStillAnswers) {
  for (int round = 0; round < 3; ++round) {
    port.Close();
    OpenPort();
    EXPECT_EQ(SendKeyCommand(port, ui, key::kZero), TransactStatus::kOk) << "round " << round;
  }
}

class FaultOverPortTest : public SimOverPortTest, public testing::WithParamInterface<FaultKind> {};

// Each fault ends the key command with status 5; the next exchange is sound again.
TEST_P(FaultOverPortTest, EndsInBadStatusAndTheLineRecovers) {
  sim.InjectNext(GetParam());
  // A reply taken after the contract's time-out would read as a good one.
  EXPECT_EQ(SendKeyCommand(port, ui, key::kZero), TransactStatus::kBad);
  if (GetParam() == FaultKind::kHangUp) {
    // Whether the port itself reports the dropped line within this exchange depends on when it
    // drops: at most one system message, as for any device that goes away.
    EXPECT_LE(ui.messages.size(), 1u) << testing::PrintToString(ui.Texts());
    for (const auto& m : ui.messages)
      EXPECT_EQ(m.kind, test::RecordingFeedback::Kind::kSystemError);
  } else {
    EXPECT_TRUE(ui.messages.empty()) << testing::PrintToString(ui.Texts());
  }

  if (GetParam() == FaultKind::kHangUp) {
    // The device is gone: reopen the fresh one, as the user would.
    EXPECT_EQ(transport.HangUps(), 1);
    port.Close();
    OpenPort();
  }
  if (GetParam() == FaultKind::kLate) {
    std::this_thread::sleep_for(1200ms);  // the late reply lands and is purged before the next
  }
  EXPECT_EQ(SendKeyCommand(port, ui, key::kZero), TransactStatus::kOk);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultOverPortTest, testing::ValuesIn(test::ReplyFaults(true)),
                         test::ByFault());

// With a strict line, a port opened at another speed or with two stop bits is not understood.
TEST_F(SimOverPortTest, PortSettingsReachTheLine) {
  PtyTransport::Options options;
  options.strictLine = true;
  PtyTransport strict(sim, options);
  std::string error;
  ASSERT_TRUE(strict.Start(&error)) << error;
  CommPort other;
  const struct {
    int baud;
    int stopBits;
    TransactStatus status;
  } lines[] = {{4800, 1, TransactStatus::kBad},
               {9600, 2, TransactStatus::kBad},
               {9600, 1, TransactStatus::kOk}};
  for (const auto& line : lines) {
    PortLine settings{strict.DevicePath(), {}};
    settings.settings.baud = line.baud;
    settings.settings.stopBits = line.stopBits;
    ASSERT_EQ(other.Open(settings, ui), 1);
    EXPECT_EQ(SendKeyCommand(other, ui, key::kZero), line.status)
        << line.baud << " baud, " << line.stopBits << " stop bits";
    other.Close();
  }
}

TEST_F(SimOverPortTest, RefusedWriteAllWhileCajSwitchIsOff) {
  sim.With([](SimulatedIndicator& m) { m.SetCaj(false); });
  WriteAllBlock block{};
  EXPECT_EQ(Exchange(WriteAllRequest(block), kWriteAllWaitMs), TransactStatus::kOk);
  EXPECT_EQ(reply.Text(), "NOCAJ");
}

}  // namespace
}  // namespace tamarack::sim
