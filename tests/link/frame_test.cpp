#include "link/frame.h"

#include <gtest/gtest.h>

#include "link/commands.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct FrameCase {
  const char* what;
  Frame frame;
  Bytes expected;
};

class RequestFrames : public testing::TestWithParam<FrameCase> {};

TEST_P(RequestFrames, AreByteExact) {
  EXPECT_EQ(GetParam().frame, GetParam().expected);
}

const std::array<std::uint8_t, kWriteAllBlockSize> kZeroBlock{};

INSTANTIATE_TEST_SUITE_P(
    Builders, RequestFrames,
    testing::Values(FrameCase{"poll", DisplayPollRequest(), {0x01, 0x31, 0x02, 0x52, 0x03, 0x71}},
                    FrameCase{"key 16",
                              KeyRequest(key::kEndSetup),
                              {0x01, 0x31, 0x02, 0x4B, 0x31, 0x36, 0x45, 0x03, 0x3A}},
                    FrameCase{"key 10",
                              KeyRequest(key::kZero),
                              {0x01, 0x31, 0x02, 0x4B, 0x31, 0x30, 0x45, 0x03, 0x3C}},
                    FrameCase{"key 12 (tare)",
                              KeyRequest(key::kTare),
                              {0x01, 0x31, 0x02, 0x4B, 0x31, 0x32, 0x45, 0x03, 0x3E}},
                    FrameCase{"read F1.12",
                              ReadParamRequest({1, 12}),
                              {0x01, 0x31, 0x02, 0x50, 0x30, 0x31, 0x2E, 0x31, 0x32, 0x3D, 0x52,
                               0x45, 0x03, 0x75}},
                    FrameCase{"write F1.2 = 1",
                              WriteParamRequest({1, 2}, "000001"),
                              {0x01, 0x31, 0x02, 0x50, 0x30, 0x31, 0x2E, 0x30, 0x32, 0x3D, 0x30,
                               0x30, 0x30, 0x30, 0x30, 0x31, 0x45, 0x03, 0x37}},
                    FrameCase{"read count item 5",
                              WeightRequest("05", "0000000000"),
                              {0x01, 0x31, 0x02, 0x57, 0x30, 0x35, 0x30, 0x30, 0x30, 0x30, 0x30,
                               0x30, 0x30, 0x30, 0x30, 0x30, 0x45, 0x03, 0x34}},
                    FrameCase{"format <G><NL>",
                              SendFormatRequest('G', AsBytes("<G><NL><E>")),
                              {0x01, 0x31, 0x02, 0x46, 0x0B, 0x47, 0x3C, 0x47, 0x3E, 0x3C, 0x4E,
                               0x4C, 0x3E, 0x3C, 0x45, 0x3E, 0x75}},
                    FrameCase{"read net format", ReadFormatRequest('B'), ShortFrame("AB")}),
    test::ByWhat());

TEST(WriteAllFrame, CarriesCountByteFortyEightAndNoTerminator) {
  const Frame f = WriteAllRequest(kZeroBlock);
  ASSERT_EQ(f.size(), 54u);
  EXPECT_EQ(f[3], 'F');
  EXPECT_EQ(f[4], 48);
  EXPECT_EQ(f[5], 'T');
  EXPECT_EQ(f[53], 'T' | 0x30);  // XOR of 'T' and 47 zero bytes
}

TEST(ReplyArea, TextEndsAtFirstZeroByte) {
  ReplyArea area;
  EXPECT_EQ(area.Text(), "");
  area.bytes[0] = 'O';
  area.bytes[1] = 'K';
  area.bytes[3] = 'X';
  EXPECT_EQ(area.Text(), "OK");
  EXPECT_TRUE(area.StartsWith("OK"));
  EXPECT_FALSE(area.StartsWith("OKX"));
  area.bytes.fill('A');
  EXPECT_EQ(area.Text().size(), kAreaSize);
}

}  // namespace
}  // namespace tamarack
