#include "count/count_wire.h"

#include <gtest/gtest.h>

#include "link/commands.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(WeightRequestTest, FramesOnTheLine) {
  EXPECT_EQ(WeightReadRequest(CountItem("5")),
            (Bytes{0x01, 0x31, 0x02, 0x57, 0x30, 0x35, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30,
                   0x30, 0x30, 0x30, 0x45, 0x03, 0x34}));
  EXPECT_EQ(WeightReadRequest(CountItem("AA")),
            (Bytes{0x01, 0x31, 0x02, 0x57, 0x41, 0x41, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30,
                   0x30, 0x30, 0x30, 0x45, 0x03, 0x31}));
  EXPECT_EQ(WeightWriteRequest(CountItem("5"), 16777216),
            (Bytes{0x01, 0x31, 0x02, 0x57, 0x30, 0x35, 0x30, 0x30, 0x31, 0x36, 0x37, 0x37, 0x37,
                   0x32, 0x31, 0x36, 0x45, 0x03, 0x31}));
}

TEST(CountItemTest, TwoCharactersFromTheListTextAndBack) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"0", "00"},
      {"5", "05"},
      {"42", "42"},
      {"AA", "AA"},
      {"  +7x", "07"},
      {"", "00"},
      {"99999999999999999999999", "99"}};  // no overflow, still two digits
  for (const auto& [text, item] : cases) EXPECT_EQ(CountItem(text), item) << text;
  EXPECT_EQ(CountItemListText(100), "AA");
  EXPECT_EQ(CountItemPosition("12"), 12);
  for (std::string_view bad : {"AA", " 5", "1x", "123"}) {
    EXPECT_EQ(CountItemPosition(bad), std::nullopt) << bad;
  }
}

struct WeightCase {
  const char* what;
  std::string_view text;
  std::optional<std::uint32_t> value;
};

class AverageWeightTexts : public testing::TestWithParam<WeightCase> {};

TEST_P(AverageWeightTexts, ConvertAndCheckRange) {
  EXPECT_EQ(AverageWeightValue(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AverageWeightTexts,
    testing::Values(WeightCase{"lower bound", "16777216", 16777216u},
                    WeightCase{"upper bound", "4294967295", 4294967295u},
                    WeightCase{"below lower bound", "16777215", std::nullopt},
                    WeightCase{"above upper bound", "4294967296", std::nullopt},
                    WeightCase{"fraction is cut", "20000000.9", 20000000u},
                    WeightCase{"fraction just above upper bound", "4294967295.5", std::nullopt},
                    WeightCase{"exponent", "2e7", 20000000u},
                    WeightCase{"exponent with sign", "+1.6777216E+7", 16777216u},
                    WeightCase{"leading blanks and trailing junk", " \t20000000kg", 20000000u},
                    WeightCase{"negative", "-20000000", std::nullopt},
                    WeightCase{"not a number", "abc", std::nullopt},
                    WeightCase{"nan", "nan", std::nullopt}, WeightCase{"inf", "inf", std::nullopt},
                    WeightCase{"infinity with sign", "-infinity", std::nullopt},
                    WeightCase{"huge exponent", "1e999", std::nullopt},
                    WeightCase{"hex is not read", "0x1000000", std::nullopt},
                    WeightCase{"comma is no decimal point", "20000000,9", 20000000u}),
    test::ByWhat());

TEST(AverageWeightTest, TenDigitsAndTheNoWeightMark) {
  EXPECT_EQ(WeightWriteRequest("07", *AverageWeightValue("20000000.9")),
            WeightRequest("07", "0020000000"));
  EXPECT_EQ(AverageWeightDigits(4294967295u), "4294967295");
  EXPECT_TRUE(IsNoAverageWeight("99999I9999"));  // read by the low four bits
  EXPECT_FALSE(IsNoAverageWeight("9999999998"));
}

TEST(WeightReplyTest, AcceptedOnlyWhenGoodAndEndingInE) {
  ReplyArea reply;
  const std::string payload = "120020000000E";
  std::copy(payload.begin(), payload.end(), reply.bytes.begin());
  const auto reading = ReadWeightReply(TransactStatus::kOk, reply);
  ASSERT_TRUE(reading);
  EXPECT_EQ(reading->item, "12");
  EXPECT_EQ(reading->weight, "0020000000");
  EXPECT_FALSE(ReadWeightReply(TransactStatus::kBad, reply));
  reply.bytes[12] = 'X';
  EXPECT_FALSE(ReadWeightReply(TransactStatus::kOk, reply));
  EXPECT_FALSE(ReadWeightReply(TransactStatus::kOk, ReplyArea{}));  // short reply, zero-filled
}

}  // namespace
}  // namespace tamarack
