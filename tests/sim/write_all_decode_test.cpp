#include "sim/write_all_decode.h"

#include <gtest/gtest.h>

#include <map>

#include "setup/write_all_block.h"
#include "support/test_names.h"

namespace tamarack::sim {
namespace {

// The editable column as the setup window holds it, with every Number at `number` (or 1 where
// zero is refused and `number` is 0) and every Choice at `code` (or its last option).
SetupModel Column(long number, int code) {
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  for (const SetupParam& p : SetupParams()) {
    if (p.kind == ParamKind::kNumber) {
      const long n = number == 0 && p.zeroRefused ? 1 : number;
      model.newValue[static_cast<std::size_t>(NewValueSlot(p))] = std::to_string(n);
    }
    if (p.kind == ParamKind::kChoice) {
      const int last = static_cast<int>(p.options.size()) - 1;
      model.choice[RowIndex(p)] = code < last ? code : last;
    }
  }
  return model;
}

std::map<std::string, std::string> Decode(const WriteAllBlock& block) {
  std::map<std::string, std::string> values;
  const auto decoded = DecodeWriteAllBlock(block);
  if (!decoded) return values;
  for (const DecodedParam& d : *decoded) values[std::string(d.param->displayNumber)] = d.value;
  return values;
}

// Every option of every Choice, with the Numbers at their limits: decoding gives back exactly
// what the window encoded.
TEST(WriteAllDecodeTest, IsTheInverseOfTheEncoding) {
  for (long number : {0L, 1L, 8L, 123456L, 999999L}) {
    for (int code = 0; code < 8; ++code) {
      SCOPED_TRACE(testing::Message() << "number " << number << ", code " << code);
      const SetupModel model = Column(number, code);
      const auto values = Decode(BuildWriteAllBlock(model));
      ASSERT_EQ(values.size(), 30u);
      for (const SetupParam& p : SetupParams()) {
        const std::string key(p.displayNumber);
        if (p.kind == ParamKind::kNumber) {
          const std::string& text = model.newValue[static_cast<std::size_t>(NewValueSlot(p))];
          EXPECT_EQ(std::stol(values.at(key)), std::stol(text)) << key;
          EXPECT_EQ(values.at(key).size(), 6u);
        } else if (p.kind == ParamKind::kChoice) {
          EXPECT_EQ(values.at(key), "0" + std::to_string(model.choice[RowIndex(p)])) << key;
        }
      }
    }
  }
}

struct SpoiltCase {
  const char* what;
  std::size_t offset;
  std::uint8_t byte;
};

class SpoiltBlockTest : public testing::TestWithParam<SpoiltCase> {};

TEST_P(SpoiltBlockTest, IsRefusedWhole) {
  WriteAllBlock block = BuildWriteAllBlock(Column(500, 0));
  ASSERT_FALSE(Decode(block).empty());
  block[GetParam().offset] = GetParam().byte;
  EXPECT_FALSE(DecodeWriteAllBlock(block));
}

INSTANTIATE_TEST_SUITE_P(Blocks, SpoiltBlockTest,
                         testing::Values(SpoiltCase{"packed digit above 9", 1, 0x0A},
                                         SpoiltCase{"packed tens above 9", 44, 0xA0},
                                         SpoiltCase{"counts not a multiple of eight", 20, 0x01},
                                         SpoiltCase{"number above 999999", 37, 0x10},
                                         SpoiltCase{"decimal point code 6", 13, 0x06},
                                         SpoiltCase{"filter code 6", 15, 0x06},
                                         SpoiltCase{"sample rate 8", 33, 0x08},
                                         SpoiltCase{"bits code 3", 34, 0xC0},
                                         SpoiltCase{"work mode 3", 32, 0x30}),
                         test::ByWhat());

TEST(WriteAllDecodeTest, RefusesZeroWhereTheParameterRefusesIt) {
  for (const char* number : {"F1.1", "F3.1", "F3.2", "F3.3"}) {
    SCOPED_TRACE(number);
    SetupModel model = Column(500, 0);
    model.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(number)))] = "0";
    EXPECT_FALSE(DecodeWriteAllBlock(BuildWriteAllBlock(model)));
  }
}

}  // namespace
}  // namespace tamarack::sim
