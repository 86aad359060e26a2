#include "setup/param_codec.h"

#include <gtest/gtest.h>

#include "support/test_names.h"

namespace tamarack {
namespace {

const SetupParam& P(std::string_view number) {
  const SetupParam* p = FindParam(number);
  EXPECT_NE(p, nullptr) << number;
  return *p;
}

// --- Number validation, over every Number row. ---

struct NumberCase {
  const char* what;
  std::string_view text;
  // Expected for rows that refuse zero / accept it: the value written, or the message tail.
  std::string_view whenZeroRefused;
  std::string_view whenZeroAccepted;
};

class NumberValidation : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberValidation, AppliesToEveryNumberRow) {
  const NumberCase& c = GetParam();
  int rows = 0;
  for (const SetupParam& p : SetupParams()) {
    if (p.kind != ParamKind::kNumber) continue;
    ++rows;
    SCOPED_TRACE(std::string(p.displayNumber));
    const std::string_view expected = p.zeroRefused ? c.whenZeroRefused : c.whenZeroAccepted;
    const NumberCheck check = CheckNumber(p, c.text);
    if (expected.size() == 6 && expected.find_first_not_of("0123456789") == std::string::npos) {
      EXPECT_TRUE(check.ok) << check.message;
      EXPECT_EQ(check.value, expected);
    } else {
      EXPECT_FALSE(check.ok);
      EXPECT_EQ(check.message, ParamMessage(p, expected));
    }
  }
  EXPECT_EQ(rows, 8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberValidation,
    testing::Values(NumberCase{"plain", "10000", "010000", "010000"},
                    NumberCase{"one digit", "5", "000005", "000005"},
                    NumberCase{"largest", "999999", "999999", "999999"},
                    NumberCase{"leading zeros count", "000100", "000100", "000100"},
                    NumberCase{"single zero", "0", kValueZero, "000000"},
                    NumberCase{"four zeros", "0000", kValueZero, "000000"},
                    NumberCase{"six zeros", "000000", kValueZero, "000000"},
                    NumberCase{"empty", "", kValueEmpty, kValueEmpty},
                    NumberCase{"seven digits", "1234567", kValueTooLong, kValueTooLong},
                    NumberCase{"seven zeros", "0000000", kValueTooLong, kValueTooLong},
                    NumberCase{"length before digits", "12345a7", kValueTooLong, kValueTooLong},
                    NumberCase{"letter inside", "12a4", kValueNotNumber, kValueNotNumber},
                    NumberCase{"leading blank", " 1", kValueNotNumber, kValueNotNumber},
                    NumberCase{"sign", "-5", kValueNotNumber, kValueNotNumber},
                    NumberCase{"non-digit before zero check", "0a", kValueNotNumber,
                               kValueNotNumber},
                    // Six full-width digits are six characters (18 bytes) and no decimal digits.
                    NumberCase{"wide digits",
                               "\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93\xEF\xBC\x94\xEF\xBC\x95"
                               "\xEF\xBC\x96",
                               kValueNotNumber, kValueNotNumber}),
    test::ByWhat());

// --- Values read. ---

struct ReadCase {
  const char* what;
  std::string_view param;
  std::string_view value;
  bool ok;
  std::string_view shown;
};

class ReadDecoding : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadDecoding, ShowsTheIndicatorsValue) {
  const ReadCase& c = GetParam();
  const DecodedValue d = DecodeReadValue(P(c.param), c.value);
  EXPECT_EQ(d.ok, c.ok);
  if (c.ok) {
    EXPECT_EQ(d.text, c.shown);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadDecoding,
    testing::Values(ReadCase{"number keeps leading zeros", "F1.1", "010000", true, "010000"},
                    ReadCase{"number unchecked", "F7.1", "12AB56", true, "12AB56"},
                    ReadCase{"version as received", "F7.3", "1.23", true, "1.23"},
                    ReadCase{"date day first", "F7.4", "261207", true, "07-12-26"},
                    ReadCase{"time", "F7.5", "093045", true, "09:30:45"},
                    ReadCase{"choice code 1", "F1.2", "01", true, "1 (0.5D)"},
                    ReadCase{"choice last code", "F1.6", "07", true, "7 (960Hz)"},
                    ReadCase{"choice past its list", "F1.2", "07", false, ""},
                    ReadCase{"choice code equal to size", "F2.6", "04", false, ""},
                    ReadCase{"colon reads as ten", "F1.2", ":1", false, ""},
                    ReadCase{"blank reads as zero", "F1.2", " 1", true, "1 (0.5D)"},
                    ReadCase{"tens digit", "F1.6", "10", false, ""},
                    ReadCase{"threshold letter O", "F1.11", "03", true, "3 (1OD)"},
                    ReadCase{"threshold other codes", "F1.11", "04", true, "4 (20D)"},
                    ReadCase{"primary divisions d=5", "F2.3", "02", true, "2 (d=5)"},
                    ReadCase{"assistant divisions d=5", "F2.5", "02", true, "2 (d=5)"},
                    ReadCase{"divisions D=2 unchanged", "F2.3", "01", true, "1 (D=2)"},
                    ReadCase{"decimal point unchanged", "F2.4", "02", true, "2 (8888.88)"}),
    test::ByWhat());

TEST(ChoiceCodec, EveryOptionRoundTripsThroughWireAndList) {
  for (const SetupParam& p : SetupParams()) {
    if (p.kind != ParamKind::kChoice) continue;
    SCOPED_TRACE(std::string(p.displayNumber));
    const std::vector<std::string> items = ChoiceItems(p);
    ASSERT_EQ(items.size(), p.options.size());
    for (int code = 0; code < static_cast<int>(items.size()); ++code) {
      const std::string written = EncodeChoice(code);
      EXPECT_EQ(written, std::string("00000") + static_cast<char>('0' + code));
      EXPECT_EQ(ChoiceCode(written.substr(4)), code);
      EXPECT_EQ(ChoiceItemPosition(p, items[static_cast<std::size_t>(code)]), code);
      const bool isDefault = code == p.defaultCode;
      EXPECT_EQ(items[static_cast<std::size_t>(code)].ends_with("*"), isDefault);
      EXPECT_FALSE(DecodeReadValue(p, written.substr(4)).text.empty());
    }
    EXPECT_FALSE(DecodeReadValue(p, "0" + std::to_string(items.size())).ok);
  }
}

TEST(ChoiceCodec, ListLookupIsExactButIgnoresCase) {
  EXPECT_EQ(ChoiceItemPosition(P("F1.2"), "1 (0.5D)*"), 1);
  EXPECT_EQ(ChoiceItemPosition(P("F2.1"), "1 (KG)*"), 1);
  EXPECT_EQ(ChoiceItemPosition(P("F1.2"), "1 (0.5D)"), -1);  // the default carries its mark
  EXPECT_EQ(ChoiceItemPosition(P("F1.2"), "1"), -1);
  EXPECT_EQ(ChoiceItemPosition(P("F4.1"), "0 (2400)"), 0);
  EXPECT_EQ(ChoiceItemPosition(P("F4.1"), "1 (2400)"), 1);
  EXPECT_EQ(ChoiceItems(P("F1.7"))[1], "1*");
}

// --- Dates and times. ---

TEST(DateTimeCodec, EncodesTwoDigitFields) {
  EXPECT_EQ(EncodeDate(2026, 12, 7), "261207");
  EXPECT_EQ(EncodeDate(2000, 1, 1), "000101");
  EXPECT_EQ(EncodeTime(9, 30, 45), "093045");
  EXPECT_EQ(EncodeTime(23, 59, 59), "235959");
}

TEST(DateTimeCodec, TakesTheValueFromThePickersText) {
  EXPECT_EQ(DateTimeValueFromShown(ParamKind::kDate, "07-12-2026"), "261207");
  EXPECT_EQ(DateTimeValueFromShown(ParamKind::kTime, "09:30:45"), "093045");
  EXPECT_EQ(DateTimeValueFromShown(ParamKind::kTime, "00:00:00"), "000000");
  // Any non-digit separates runs; each run gives its last two digits.
  EXPECT_EQ(DateTimeValueFromShown(ParamKind::kDate, "7/1/2026"), "260107");
  EXPECT_EQ(DateTimeValueFromShown(ParamKind::kDate, " 31.12.1999 "), "991231");
  EXPECT_EQ(DateTimeValueFromShown(ParamKind::kDate, "07-12"), std::nullopt);
  EXPECT_EQ(DateTimeValueFromShown(ParamKind::kTime, ""), std::nullopt);
}

// --- Messages that name a parameter. ---

TEST(ParamMessages, UseTheDisplayNumberOrTheWireAddress) {
  EXPECT_EQ(ReadFailureMessage(P("F1.1")), "F01.01 Read Value False!");
  EXPECT_EQ(ReadFailureMessage(P("F1.10")), "F01.10 Read Value False!");
  EXPECT_EQ(ReadFailureMessage(P("F7.5")), "F07.05 Read Value False!");
  EXPECT_EQ(ParamMessage(P("F1.10"), kWriteSuccess), "F1.10 Value Write Sucess!");
  EXPECT_EQ(ParamMessage(P("F3.1"), kValueEmpty), "F3.1 Value can not be Empt!");
}

}  // namespace
}  // namespace tamarack
