#include "setup/write_all_block.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "link/commands.h"
#include "setup/setup_model.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

SetupModel Defaults() {
  return OpeningModel("07-12-2026", "09:30:45");
}

std::string& NewValue(SetupModel& model, std::string_view displayNumber) {
  return model.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(displayNumber)))];
}

int& Choice(SetupModel& model, std::string_view displayNumber) {
  return model.choice[RowIndex(*FindParam(displayNumber))];
}

struct NumberCase {
  const char* what;
  const char* param;
  const char* text;
  std::size_t offset;
  std::vector<std::uint8_t> bytes;
};

class NumberEncoding : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberEncoding, LandsInItsThreeBytes) {
  const NumberCase& c = GetParam();
  SetupModel model = Defaults();
  NewValue(model, c.param) = c.text;
  const WriteAllBlock block = BuildWriteAllBlock(model);
  EXPECT_EQ(std::vector<std::uint8_t>(block.begin() + static_cast<std::ptrdiff_t>(c.offset),
                                      block.begin() + static_cast<std::ptrdiff_t>(c.offset) + 3),
            c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    WriteAllBlock, NumberEncoding,
    testing::Values(
        NumberCase{"graduations 10000", "F1.1", "10000", 37, {0x00, 0x27, 0x10}},
        NumberCase{"numbering BCD", "F7.1", "123456", 0, {0x12, 0x34, 0x56}},
        NumberCase{"zero count times 8", "F3.1", "1000", 21, {0x00, 0x1F, 0x40}},
        NumberCase{"span count times 8 at the top", "F3.3", "999999", 18, {0x7A, 0x11, 0xF8}},
        NumberCase{"test weight not scaled", "F3.2", "2500", 24, {0x00, 0x09, 0xC4}},
        NumberCase{"upper point BCD", "F6.3", "999999", 43, {0x99, 0x99, 0x99}},
        NumberCase{"empty gives 0", "F1.1", "", 37, {0, 0, 0}},
        NumberCase{"over 999999 left 0", "F1.1", "1000000", 37, {0, 0, 0}},
        NumberCase{"negative left 0", "F6.2", "-5", 40, {0, 0, 0}},
        NumberCase{
            "huge saturates and is left 0", "F6.3", "99999999999999999999999", 43, {0, 0, 0}},
        NumberCase{"leading blanks and a tail", "F3.2", " +42kg", 24, {0, 0, 42}}),
    test::ByWhat());

// Each code byte packs several choices; the codes sit in separate bits, so the byte must equal
// the codes shifted into place and OR-ed, for every combination the option lists allow.
struct PackedByte {
  const char* what;
  std::size_t offset;
  std::vector<std::pair<const char*, int>> fields;  // parameter and bit position
};

class PackedCodes : public testing::TestWithParam<PackedByte> {};

TEST_P(PackedCodes, EveryCombinationOfOptions) {
  const PackedByte& c = GetParam();
  std::vector<int> code(c.fields.size(), 0);
  int combinations = 0;
  while (true) {
    SetupModel model = Defaults();
    unsigned expected = 0;
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
      Choice(model, c.fields[i].first) = code[i];
      expected |= static_cast<unsigned>(code[i]) << c.fields[i].second;
    }
    ASSERT_EQ(BuildWriteAllBlock(model)[c.offset], expected) << "combination " << combinations;
    ++combinations;
    std::size_t i = 0;
    for (; i < code.size(); ++i) {
      const auto options = static_cast<int>(FindParam(c.fields[i].first)->options.size());
      if (++code[i] < options) break;
      code[i] = 0;
    }
    if (i == code.size()) break;
  }
  EXPECT_GT(combinations, 1);
}

INSTANTIATE_TEST_SUITE_P(
    WriteAllBlock, PackedCodes,
    testing::Values(
        PackedByte{"byte 13", 13, {{"F2.2", 0}, {"F2.4", 4}}},
        PackedByte{"byte 14", 14, {{"F2.3", 0}, {"F2.5", 4}}},
        PackedByte{"byte 15", 15, {{"F1.7", 0}}}, PackedByte{"byte 16", 16, {{"F1.8", 0}}},
        PackedByte{"byte 17", 17, {{"F1.9", 0}}},
        PackedByte{
            "byte 31", 31, {{"F6.1", 0}, {"F1.5", 2}, {"F1.2", 4}, {"F2.1", 6}, {"F1.3", 7}}},
        PackedByte{"byte 32", 32, {{"F1.4", 0}, {"F5.1", 4}, {"F4.1", 6}}},
        PackedByte{"byte 33", 33, {{"F1.6", 0}, {"F1.10", 4}, {"F1.12", 7}}},
        PackedByte{"byte 34", 34, {{"F1.11", 0}, {"F4.3", 3}, {"F2.6", 4}, {"F4.2", 6}}}),
    test::ByWhat());

TEST(WriteAllBlock, CodeSumsWrapAndAnUnselectedChoiceCountsAsZero) {
  SetupModel model = Defaults();
  for (int& code : model.choice) code = code < 0 ? code : 0;
  Choice(model, "F2.2") = -1;
  Choice(model, "F2.4") = 17;  // beyond its list: 16 x 17 = 272 wraps to 16
  EXPECT_EQ(BuildWriteAllBlock(model)[13], 16);
}

TEST(WriteAllBlock, WholeFrameForTheDefaultsWithCalibrationCounts) {
  SetupModel model = Defaults();
  NewValue(model, "F3.1") = "1000";
  NewValue(model, "F3.2") = "500";
  NewValue(model, "F3.3") = "20000";
  const Frame expected{0x01, 0x31, 0x02, 0x46, 0x30, 0x54, 0x00, 0x00, 0x00, 0x00, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
                       0x02, 0x02, 0x02, 0x71, 0x00, 0x00, 0x1F, 0x40, 0x00, 0x01, 0xF4,
                       0x00, 0x00, 0x00, 0x00, 0x58, 0xC0, 0x11, 0x0A, 0x00, 0x00, 0x00,
                       0x27, 0x10, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x39};
  EXPECT_EQ(WriteAllRequest(BuildWriteAllBlock(model)), expected);
}

TEST(LeadingInteger, ReadsLikeADecimalIntegerAndSaturates) {
  struct Case {
    const char* text;
    long long value;
  };
  for (const Case& c :
       {Case{"abc", 0}, Case{"  \t12x", 12}, Case{"-150", -150}, Case{"+-7", 0},
        Case{"99999999999999999999", LLONG_MAX}, Case{"-9223372036854775808", LLONG_MIN},
        Case{"-99999999999999999999", LLONG_MIN}}) {
    EXPECT_EQ(LeadingInteger(c.text), c.value) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace tamarack
