#include "link/tracing_link.h"

#include <gtest/gtest.h>

#include "link/commands.h"
#include "link/transact.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using test::FakeLink;
using test::RecordingFeedback;
using Bytes = std::vector<std::uint8_t>;

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class TracingLinkTest : public testing::Test {
 protected:
  TransactStatus Poll() {
    ReplyArea reply;
    return Transact(trace, ui, DisplayPollRequest(), kPollWaitMs, reply);
  }

  FakeLink fake;
  TracingLink trace{fake};
  RecordingFeedback ui;
};

TEST_F(TracingLinkTest, GoodExchangeIsRecordedWithEverythingTheExchangeKnew) {
  const Bytes reply = ShortFrame("OK");
  fake.QueueRaw(reply);
  ReplyArea area;
  const Frame request = KeyRequest(key::kTare);
  EXPECT_EQ(Transact(trace, ui, request, kKeyWaitMs, area), TransactStatus::kOk);

  ASSERT_EQ(trace.Exchanges().size(), 1u);
  const TracedExchange& e = trace.Exchanges().front();
  EXPECT_EQ(e.number, 1u);
  EXPECT_EQ(e.request, request);
  EXPECT_EQ(e.reply, reply);
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.waitMs, kKeyWaitMs);
  EXPECT_EQ(e.shape, ReplyShape::kGood);
  EXPECT_FALSE(e.poll);
  EXPECT_GE(e.durationMs, 0.0);
  EXPECT_EQ(e.meaning, "request of 9 bytes: reply of 7 bytes");
  // The exchange went over the line exactly as it does without the trace.
  EXPECT_EQ(fake.requests, std::vector<Bytes>{request});
}

struct SpoiltCase {
  const char* what;
  Bytes onLine;  // what the far end sends
  ReplyShape shape;
  Bytes recorded;  // what the exchange read
};

class SpoiltReplyTest : public TracingLinkTest, public testing::WithParamInterface<SpoiltCase> {};

TEST_P(SpoiltReplyTest, IsRecordedAsItArrivedAndJudged) {
  const SpoiltCase& c = GetParam();
  if (!c.onLine.empty()) fake.QueueRaw(c.onLine);
  EXPECT_EQ(Poll(), TransactStatus::kBad);
  ASSERT_EQ(trace.Exchanges().size(), 1u);
  const TracedExchange& e = trace.Exchanges().back();
  EXPECT_EQ(e.status, 5);
  EXPECT_EQ(e.shape, c.shape);
  EXPECT_EQ(e.reply, c.recorded);
  EXPECT_TRUE(e.poll);
}

const Bytes kGoodOk = ShortFrame("OK");
const Bytes kLongPayload(kAreaSize + 5, 'x');

INSTANTIATE_TEST_SUITE_P(
    Kinds, SpoiltReplyTest,
    testing::Values(
        SpoiltCase{"silence", {}, ReplyShape::kNoReply, {}},
        SpoiltCase{"wrong check",
                   {0x01, 0x31, 0x02, 'O', 'K', 0x03, 0x30},
                   ReplyShape::kWrongCheck,
                   {0x01, 0x31, 0x02, 'O', 'K', 0x03, 0x30}},
        SpoiltCase{"cut short in the payload",
                   {0x01, 0x31, 0x02, 'O'},
                   ReplyShape::kCutShort,
                   {0x01, 0x31, 0x02, 'O'}},
        SpoiltCase{"cut short before the check",
                   {0x01, 0x31, 0x02, 'O', 'K', 0x03},
                   ReplyShape::kCutShort,
                   {0x01, 0x31, 0x02, 'O', 'K', 0x03}},
        SpoiltCase{"cut short in the head", {0x01, 0x31}, ReplyShape::kCutShort, {0x01, 0x31}},
        // The exchange gives up at the first three bytes; they are kept as they came.
        SpoiltCase{"garbage before the frame",
                   Concat({'x', 'y'}, kGoodOk),
                   ReplyShape::kNotAFrame,
                   {'x', 'y', 0x01}},
        SpoiltCase{"longer than the reply area", Concat({0x01, 0x31, 0x02}, kLongPayload),
                   ReplyShape::kTooLong, Concat({0x01, 0x31, 0x02}, Bytes(kAreaSize, 'x'))}),
    test::ByWhat());

TEST_F(TracingLinkTest, RingKeepsTheNewestAtItsSize) {
  TracingLink small(fake, 3);
  for (int i = 0; i < 7; ++i) {
    fake.QueueReply("OK");
    ReplyArea reply;
    Transact(small, ui, DisplayPollRequest(), kPollWaitMs, reply);
  }
  ASSERT_EQ(small.Exchanges().size(), 3u);
  EXPECT_EQ(small.Exchanges().front().number, 5u);
  EXPECT_EQ(small.Exchanges().back().number, 7u);
  // Clearing empties the ring but keeps counting.
  small.Clear();
  EXPECT_TRUE(small.Exchanges().empty());
  fake.QueueReply("OK");
  ReplyArea reply;
  Transact(small, ui, DisplayPollRequest(), kPollWaitMs, reply);
  EXPECT_EQ(small.Exchanges().back().number, 8u);
}

TEST_F(TracingLinkTest, ListenersAreToldOncePerExchangeUntilRemoved) {
  std::vector<std::uint64_t> first;
  std::vector<std::string> second;
  const int a = trace.AddListener([&](const TracedExchange& e) { first.push_back(e.number); });
  trace.AddListener([&](const TracedExchange& e) { second.push_back(e.meaning); });
  trace.SetDescriber([](const TracedExchange& e) { return e.poll ? "poll" : "other"; });
  Poll();
  fake.QueueReply("OK");
  ReplyArea reply;
  Transact(trace, ui, KeyRequest(key::kZero), kKeyWaitMs, reply);
  trace.RemoveListener(a);
  Poll();
  EXPECT_EQ(first, (std::vector<std::uint64_t>{1, 2}));
  EXPECT_EQ(second, (std::vector<std::string>{"poll", "other", "poll"}));
}

TEST_F(TracingLinkTest, ListenerMayRemoveItselfWhileTold) {
  int told = 0;
  int id = 0;
  id = trace.AddListener([&](const TracedExchange&) {
    ++told;
    trace.RemoveListener(id);
  });
  Poll();
  Poll();
  EXPECT_EQ(told, 1);
}

TEST_F(TracingLinkTest, UseWithoutTheExchangeIsClosedAtTheNextOne) {
  // A caller that talks to the link directly never says where its exchange ended.
  trace.ClearErrors();
  const Bytes raw = {'h', 'i'};
  trace.Write(raw.data(), raw.size());
  fake.QueueReply("OK");
  Poll();
  ASSERT_EQ(trace.Exchanges().size(), 2u);
  EXPECT_EQ(trace.Exchanges()[0].request, raw);
  EXPECT_EQ(trace.Exchanges()[0].status, -1);
  EXPECT_EQ(trace.Exchanges()[1].status, 0);
}

TEST_F(TracingLinkTest, PurgeFailureAfterTheWriteKeepsItsStatus) {
  fake.failPurgeAfterWrite = kErrorInvalidHandle;
  fake.QueueReply("OK");
  EXPECT_EQ(Poll(), TransactStatus::kPurgeFailed);
  EXPECT_EQ(trace.Exchanges().back().status, 3);
  EXPECT_EQ(trace.Exchanges().back().shape, ReplyShape::kGood);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"ERROR_INVALID_HANDLE"});
}

}  // namespace
}  // namespace tamarack
