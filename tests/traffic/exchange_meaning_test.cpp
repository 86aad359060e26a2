#include "traffic/exchange_meaning.h"

#include <gtest/gtest.h>

#include "count/count_wire.h"
#include "link/commands.h"
#include "sim/seven_segment.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

// "  25.0" with the Stable and kg lamps (byte 7 bits 0 and 2) and Gross (byte 8 bit 2).
std::string WeighingReply() {
  const auto digits = sim::SegmentDigits("25.0");
  std::string payload(digits->begin(), digits->end());
  payload += '\0';
  payload += static_cast<char>(0x05);
  payload += static_cast<char>(0x04);
  return payload;
}

struct MeaningCase {
  const char* what;
  Frame request;
  std::uint32_t waitMs;
  std::string replyPayload;
  std::string meaning;
};

class ExchangeMeaningTest : public testing::TestWithParam<MeaningCase> {};

TEST_P(ExchangeMeaningTest, GoodReplyIsWordedByTheSubsystemsDecoders) {
  const MeaningCase& c = GetParam();
  TracedExchange e;
  e.request = c.request;
  e.waitMs = c.waitMs;
  e.reply = ShortFrame(c.replyPayload);
  e.shape = ShapeOf(e.reply);
  e.status = 0;
  ASSERT_EQ(e.shape, ReplyShape::kGood);
  EXPECT_EQ(DescribeExchange(e), c.meaning);
}

const std::uint8_t kBlock[kWriteAllBlockSize] = {};
const std::string kFormatText = "<G>\x0D<N>";

INSTANTIATE_TEST_SUITE_P(
    EveryRequestKind, ExchangeMeaningTest,
    testing::Values(
        MeaningCase{"poll", DisplayPollRequest(), kPollWaitMs, WeighingReply(),
                    "poll: 25.0 kg Stable Gross"},
        MeaningCase{"poll short reply", DisplayPollRequest(), kPollWaitMs, "OK",
                    "poll: display reply of 2 bytes"},
        MeaningCase{"key", KeyRequest(key::kTare), kKeyWaitMs, "OK", "key TARE: OK"},
        MeaningCase{"key refused", KeyRequest(key::kSave), kKeyWaitMs, "NO",
                    "key save: refused: \"NO\""},
        MeaningCase{"read choice", ReadParamRequest({1, 6}), kReadParamWaitMs, "P01.06=02E",
                    "read F1.6: reply F1.6 = 2 (30Hz)"},
        MeaningCase{"read number", ReadParamRequest({1, 1}), kReadParamWaitMs, "P01.01=010000E",
                    "read F1.1: reply F1.1 = 010000"},
        MeaningCase{"read choice out of range", ReadParamRequest({1, 6}), kReadParamWaitMs,
                    "P01.06=09E", "read F1.6: reply F1.6 = \"09\" (not an option)"},
        MeaningCase{"read without echo", ReadParamRequest({1, 6}), kReadParamWaitMs, "OK",
                    "read F1.6: reply F1.6 unexpected: \"OK\""},
        MeaningCase{"write choice", WriteParamRequest({1, 6}, "000002"), kWriteParamWaitMs, "OK",
                    "write F1.6 = 2 (30Hz): OK"},
        MeaningCase{"write number", WriteParamRequest({6, 2}, "000100"), kWriteParamWaitMs, "OK",
                    "write F6.2 = 000100: OK"},
        MeaningCase{"calibration zero", WriteParamRequest({3, 1}, "000000"), kStepWaitMs, "OK",
                    "calibration WZERO = 000000: OK"},
        MeaningCase{"calibration rezero", WriteParamRequest({3, 4}, "000000"), kStepWaitMs, "OK",
                    "calibration REZERO = 000000: OK"},
        MeaningCase{"wizard confirm", WriteParamRequest({5, 5}, "000000"), kStepWaitMs, "OK",
                    "average weight wizard: confirm = 000000: OK"},
        MeaningCase{"write all", WriteAllRequest(kBlock), kWriteAllWaitMs, "NOCAJ",
                    "write all (47-byte block): NOCAJ"},
        MeaningCase{"send format", SendFormatRequest('N', AsBytes(kFormatText)), kSendFormatWaitMs,
                    "OK", "send net print format (7-byte text): OK"},
        MeaningCase{"read format", ReadFormatRequest('A'), kReadFormatWaitMs, "<G>\x0D",
                    "read gross print format: format text (4 bytes)"},
        MeaningCase{"read weight", WeightReadRequest("05"), kWeightWaitMs, "050016777216E",
                    "read average weight of item 05: item 05 = 0016777216"},
        MeaningCase{"read no weight", WeightReadRequest("AA"), kWeightWaitMs, "079999999999E",
                    "read average weight of item AA: item 07 has no average weight"},
        MeaningCase{"write weight", WeightWriteRequest("42", 16777216), kWeightWaitMs, "OK",
                    "write average weight of item 42 = 0016777216: OK"},
        MeaningCase{"unknown", ShortFrame("Z\x01"), 10, "OK",
                    "unknown request \"Z.\": reply \"OK\""}),
    test::ByWhat());

struct FailureCase {
  const char* what;
  Bytes reply;
  int status;
  std::string meaning;
};

class ExchangeFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(ExchangeFailureTest, SpoiltReplyIsNamed) {
  const FailureCase& c = GetParam();
  TracedExchange e;
  e.request = ReadParamRequest({1, 6});
  e.reply = c.reply;
  e.shape = ShapeOf(e.reply);
  e.status = c.status;
  EXPECT_EQ(DescribeExchange(e), c.meaning);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ExchangeFailureTest,
    testing::Values(
        FailureCase{"silence", {}, 5, "read F1.6: no reply"},
        FailureCase{
            "wrong check", {1, 0x31, 2, 'O', 'K', 3, 0x30}, 5, "read F1.6: wrong check character"},
        FailureCase{"cut short", {1, 0x31, 2, 'P'}, 5, "read F1.6: cut short"},
        FailureCase{"garbage", {'?', '?', '?'}, 5, "read F1.6: not a frame"},
        FailureCase{"purge failed", {}, 3, "read F1.6: transmit purge failed, no reply"}),
    test::ByWhat());

}  // namespace
}  // namespace tamarack
