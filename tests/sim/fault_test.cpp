#include <gtest/gtest.h>

#include "link/commands.h"
#include "sim/simulator.h"
#include "sim_test_util.h"
#include "support/test_names.h"

namespace tamarack::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct FaultCase {
  const char* what;
  FaultKind fault;
  Bytes line;  // the bytes that answer the key request
  int delayMs;
  bool hangUp;
};

const Bytes kOk = {0x01, 0x31, 0x02, 'O', 'K', 0x03, 0x37};

class FaultBytesTest : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultBytesTest, SpoilsTheReplyOnTheLine) {
  const FaultCase& c = GetParam();
  Simulator sim(test::FixedClockSim());
  sim.InjectNext(c.fault);
  const auto replies = sim.Process(KeyRequest(key::kTare), Clock::now());
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].bytes, c.line);
  EXPECT_EQ(replies[0].delay.count(), c.delayMs);
  EXPECT_EQ(replies[0].hangUp, c.hangUp);
  // Only the next reply was spoilt.
  EXPECT_EQ(sim.Feed(KeyRequest(key::kTare)), kOk);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultBytesTest,
    testing::Values(
        FaultCase{"silence", FaultKind::kSilence, {}, 0, false},
        FaultCase{
            "bad check", FaultKind::kBadCheck, {0x01, 0x31, 0x02, 'O', 'K', 0x03, 0x36}, 0, false},
        FaultCase{"truncated", FaultKind::kTruncated, {0x01, 0x31, 0x02, 'O'}, 0, false},
        FaultCase{"leading bytes", FaultKind::kLeadingBytes, Concat({'?', '?'}, kOk), 0, false},
        FaultCase{
            "missing start", FaultKind::kMissingStart, {0x02, 'O', 'K', 0x03, 0x37}, 0, false},
        FaultCase{"oversize", FaultKind::kOversize, ShortFrame("OK" + std::string(298, 'X')), 0,
                  false},
        FaultCase{"refuse", FaultKind::kRefuse, ShortFrame("NO"), 0, false},
        FaultCase{"late", FaultKind::kLate, kOk, 200 + 1500, false},
        FaultCase{"hang up", FaultKind::kHangUp, {}, 0, true}),
    test::ByWhat());

TEST(FaultPlanTest, RefusalLeavesTheStateAndLostRepliesDoNot) {
  Simulator sim(test::FixedClockSim());
  auto graduations = [&] {
    return sim.With([](SimulatedIndicator& m) { return m.Value("F1.1"); });
  };
  sim.InjectNext(FaultKind::kRefuse);
  sim.Feed(WriteParamRequest({1, 1}, "005000"));
  EXPECT_EQ(graduations(), "010000");
  sim.InjectNext(FaultKind::kSilence);
  EXPECT_TRUE(sim.Feed(WriteParamRequest({1, 1}, "005000")).empty());
  EXPECT_EQ(graduations(), "005000");  // carried out; only the answer was lost
}

TEST(FaultPlanTest, PerKindFaultsCountDownAndNextRepliesComeFirst) {
  Simulator sim(test::FixedClockSim());
  sim.SetFault(RequestKind::kPoll, FaultKind::kSilence, 2);
  sim.SetFault(RequestKind::kReadParam, FaultKind::kRefuse);  // for good
  const Frame poll = DisplayPollRequest();
  EXPECT_TRUE(sim.Feed(KeyRequest(key::kZero)) == kOk);  // other kinds answer
  EXPECT_TRUE(sim.Feed(poll).empty());
  sim.InjectNext(FaultKind::kRefuse);
  EXPECT_EQ(sim.Feed(poll), ShortFrame("NO"));  // the next-reply fault first
  EXPECT_TRUE(sim.Feed(poll).empty());
  EXPECT_EQ(sim.Feed(poll).size(), 14u);  // used up
  for (int i = 0; i < 3; ++i) EXPECT_EQ(sim.Feed(ReadParamRequest({1, 1})), ShortFrame("NO"));
  sim.ClearFaults();
  EXPECT_EQ(sim.Feed(ReadParamRequest({1, 1})), ShortFrame("P01.01=010000E"));
  // Requests that get no reply use no fault up.
  sim.InjectNext(FaultKind::kRefuse);
  EXPECT_TRUE(sim.Feed(ShortFrame("X")).empty());
  EXPECT_EQ(sim.Feed(KeyRequest(key::kZero)), ShortFrame("NO"));
}

}  // namespace
}  // namespace tamarack::sim
