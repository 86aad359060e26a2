#include "link/transact.h"

#include <gtest/gtest.h>

#include "link/commands.h"
#include "link/key_command.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using test::FakeLink;
using test::RecordingFeedback;
using Bytes = std::vector<std::uint8_t>;
using Kind = RecordingFeedback::Kind;

class TransactTest : public testing::Test {
 protected:
  TransactStatus Run(std::uint32_t waitMs = kPollWaitMs,
                     std::string_view waitText = kWZeroWaitText) {
    return Transact(link, ui, DisplayPollRequest(), waitMs, reply, waitText);
  }

  FakeLink link;
  RecordingFeedback ui;
  ReplyArea reply;
};

TEST_F(TransactTest, EmptyReplyIsAcceptedAndLeavesAreaUntouched) {
  link.QueueRaw({0x01, 0x31, 0x02, 0x03, 0x33});
  reply.bytes[0] = 0xAA;  // whatever the caller left there stays
  EXPECT_EQ(Run(), TransactStatus::kOk);
  EXPECT_EQ(reply.bytes[0], 0xAA);
  EXPECT_EQ(reply.length, 0u);
  EXPECT_EQ(link.requests, std::vector<Bytes>{DisplayPollRequest()});
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TransactTest, PayloadLengthLimit) {
  // 299 payload bytes fit; the 300th is stored and ends the exchange as bad.
  for (std::size_t n : {std::size_t{299}, std::size_t{300}}) {
    SCOPED_TRACE(n);
    reply.Clear();
    link.QueueReply(std::string(n, 'A'));
    EXPECT_EQ(Run(), n == 299 ? TransactStatus::kOk : TransactStatus::kBad);
    EXPECT_EQ(reply.Text().size(), n);
    EXPECT_EQ(reply.length, n);
  }
}

// The length is what tells a short reply from one that carries zero bytes, and it belongs to the
// latest exchange alone.
TEST_F(TransactTest, LengthCountsThePayloadOfThisExchangeZerosIncluded) {
  link.QueueReply(std::string("\0\0AB\0", 5));
  EXPECT_EQ(Run(), TransactStatus::kOk);
  EXPECT_EQ(reply.Text(), "");
  EXPECT_EQ(reply.length, 5u);

  link.QueueReply("OK");
  EXPECT_EQ(Run(), TransactStatus::kOk);
  EXPECT_EQ(reply.length, 2u);

  link.QueueRaw({0x01, 0x31, 0x02, 'N'});  // cut off after one byte
  EXPECT_EQ(Run(), TransactStatus::kBad);
  EXPECT_EQ(reply.length, 1u);

  link.QueueRaw({0x01, 0x31, 0x02, 0x03, 0x33});  // empty
  EXPECT_EQ(Run(), TransactStatus::kOk);
  EXPECT_EQ(reply.length, 0u);
}

TEST_F(TransactTest, WrongCheckCharacterIsBadButPayloadIsStored) {
  Frame f = ShortFrame("OK");
  f.back() ^= 0x01;
  link.QueueRaw(f);
  EXPECT_EQ(Run(), TransactStatus::kBad);
  EXPECT_EQ(reply.Text(), "OK");
}

struct MalformedCase {
  const char* what;
  Bytes bytes;
};

class MalformedReplies : public TransactTest, public testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedReplies, EndBad) {
  link.QueueRaw(GetParam().bytes);
  EXPECT_EQ(Run(), TransactStatus::kBad);
  EXPECT_TRUE(ui.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, MalformedReplies,
    testing::Values(MalformedCase{"silence", {}},
                    MalformedCase{"without its first bytes", {0x02, 'O', 'K', 0x03, 0x37}},
                    MalformedCase{"wrong address byte", {0x01, 0x32, 0x02, 0x03, 0x33}},
                    MalformedCase{"only the head", {0x01, 0x31, 0x02}},
                    MalformedCase{"no terminator", {0x01, 0x31, 0x02, 'O', 'K'}},
                    MalformedCase{"no check character", {0x01, 0x31, 0x02, 'O', 'K', 0x03}},
                    MalformedCase{"garbage before the frame",
                                  {0x00, 0x01, 0x31, 0x02, 0x03, 0x33}}),
    test::ByWhat());

TEST_F(TransactTest, StaleBytesBeforeTheRequestArePurged) {
  link.Inject({0x01, 0x31, 0x02, 'X', 0x03});
  link.QueueReply("OK");
  EXPECT_EQ(Run(), TransactStatus::kOk);
  EXPECT_EQ(reply.Text(), "OK");
}

TEST_F(TransactTest, PurgeFailureAfterWriteShowsOneMessageAndKeepsStatusThree) {
  struct Case {
    int error;
    const char* message;
  };
  for (const Case c : {Case{kErrorInvalidHandle, "ERROR_INVALID_HANDLE"}, Case{31, "UNKNOW_ERROR"},
                       Case{5, "UNKNOW_ERROR"}}) {
    SCOPED_TRACE(c.error);
    ui.messages.clear();
    link.failPurgeAfterWrite = c.error;
    link.QueueReply("OK");
    EXPECT_EQ(Run(), TransactStatus::kPurgeFailed);
    EXPECT_EQ(reply.Text(), "OK");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (RecordingFeedback::Message{Kind::kSystemError, c.message}));
  }
}

TEST_F(TransactTest, PurgeFailureThenBadReplyIsBad) {
  link.failPurgeAfterWrite = 1;
  EXPECT_EQ(Run(), TransactStatus::kBad);
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(TransactTest, LongWaitsStartAtFifteenHundredMilliseconds) {
  constexpr std::string_view kReZero = "REZERO Processing , Please Wait...";
  link.QueueReply("OK");
  link.QueueReply("OK");
  link.QueueReply("OK");
  Run(1499, kReZero);
  Run(1500, kReZero);
  Transact(link, ui, DisplayPollRequest(), 1500, reply);
  EXPECT_EQ(
      ui.waits,
      (std::vector<RecordingFeedback::Wait>{
          {1499, ""}, {1500, std::string(kReZero)}, {1500, "WZERO Processing , Please Wait..."}}));
}

TEST_F(TransactTest, FailedReadCallsAreRetriedUpToTwentyCalls) {
  link.failingReads = 19;
  link.QueueReply("OK");
  EXPECT_EQ(Run(), TransactStatus::kOk);

  link.failingReads = 20;
  link.readCalls = 0;
  link.QueueReply("OK");
  EXPECT_EQ(Run(), TransactStatus::kBad);
  EXPECT_EQ(link.readCalls, 20);
}

TEST_F(TransactTest, LostDeviceEndsAtOnce) {
  link.deviceGone = true;
  EXPECT_EQ(Run(), TransactStatus::kBad);
  EXPECT_EQ(link.readCalls, 20);
}

TEST_F(TransactTest, RequestsOutsideTheAreaAreNotSent) {
  EXPECT_EQ(Transact(link, ui, {}, 10, reply), TransactStatus::kBad);
  const Bytes big(301, 'x');
  EXPECT_EQ(Transact(link, ui, big, 10, reply), TransactStatus::kBad);
  EXPECT_TRUE(link.requests.empty());
}

TEST(SendKeyCommand, JudgesTheReply) {
  struct Case {
    std::vector<std::uint8_t> reply;
    TransactStatus expected;
  };
  Frame badCheck = ShortFrame("OK");
  badCheck.back() ^= 0x04;
  const Case cases[] = {
      {ShortFrame("OK"), TransactStatus::kOk},
      {ShortFrame("OKAY"), TransactStatus::kOk},
      {ShortFrame("NO"), TransactStatus::kBad},
      {ShortFrame(""), TransactStatus::kBad},
      {ShortFrame("O"), TransactStatus::kBad},
      {badCheck, TransactStatus::kBad},
      {{}, TransactStatus::kBad},
  };
  for (const auto& c : cases) {
    FakeLink link;
    RecordingFeedback ui;
    link.QueueRaw(c.reply);
    EXPECT_EQ(SendKeyCommand(link, ui, key::kSave), c.expected);
    ASSERT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(link.requests[0], KeyRequest("18"));
    EXPECT_EQ(ui.waits, (std::vector<RecordingFeedback::Wait>{{kKeyWaitMs, ""}}));
  }
}

TEST(SendKeyCommand, KeepsPurgeFailureStatus) {
  FakeLink link;
  RecordingFeedback ui;
  link.failPurgeAfterWrite = 6;
  link.QueueReply("OK");
  EXPECT_EQ(SendKeyCommand(link, ui, key::kEndSetup), TransactStatus::kPurgeFailed);
}

}  // namespace
}  // namespace tamarack
