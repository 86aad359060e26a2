#include "setup/param_table.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace tamarack {
namespace {

std::string Flatten(std::string_view text) {
  std::string flat(text);
  for (char& c : flat) {
    if (c == '\r') c = ' ';
  }
  return flat;
}

TEST(ParamTable, HoldsTheThirtyThreeRowsInReadingOrder) {
  const std::vector<ParamAddress> order{
      {1, 1},  {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}, {1, 8}, {1, 9}, {1, 10}, {1, 11},
      {1, 12}, {2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {2, 6}, {3, 1}, {3, 2}, {3, 3},  {4, 1},
      {4, 2},  {4, 3}, {5, 1}, {6, 1}, {6, 2}, {6, 3}, {7, 1}, {7, 2}, {7, 3}, {7, 4},  {7, 5}};
  const auto params = SetupParams();
  ASSERT_EQ(params.size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(params[i].address, order[i]) << "row " << i;
  }
}

// Every row must agree with itself: its label with its address, its read length with its kind,
// its option texts with their codes, its tips with its name.
TEST(ParamTable, RowsAreConsistent) {
  for (const SetupParam& p : SetupParams()) {
    SCOPED_TRACE(std::string(p.displayNumber));
    EXPECT_EQ(p.displayNumber,
              "F" + std::to_string(p.address.group) + "." + std::to_string(p.address.number));
    switch (p.kind) {
      case ParamKind::kNumber:
        EXPECT_EQ(p.readLength, 6);
        EXPECT_TRUE(p.options.empty());
        EXPECT_EQ(p.defaultCode, -1);
        EXPECT_EQ(p.writeTip, "Modify " + Flatten(p.name));
        break;
      case ParamKind::kChoice:
        EXPECT_EQ(p.readLength, 2);
        ASSERT_FALSE(p.options.empty());
        EXPECT_LE(p.options.size(), 8u);
        EXPECT_GE(p.defaultCode, 0);
        EXPECT_LT(p.defaultCode, static_cast<int>(p.options.size()));
        for (std::size_t code = 0; code < p.options.size(); ++code) {
          ASSERT_FALSE(p.options[code].empty());
          EXPECT_EQ(p.options[code][0], static_cast<char>('0' + code)) << p.options[code];
        }
        EXPECT_TRUE(p.defaultText.empty());
        EXPECT_FALSE(p.zeroRefused);
        EXPECT_EQ(p.fieldTip, "Choose " + std::string(p.name));
        EXPECT_EQ(p.writeTip, "Modify " + Flatten(p.name));
        break;
      case ParamKind::kVersion:
        EXPECT_EQ(p.readLength, 4);
        EXPECT_TRUE(p.mnemonic.empty());
        EXPECT_TRUE(p.fieldTip.empty());
        EXPECT_TRUE(p.writeTip.empty());
        break;
      case ParamKind::kDate:
      case ParamKind::kTime:
        EXPECT_EQ(p.readLength, 6);
        EXPECT_EQ(p.writeTip, "Modify " + std::string(p.name));
        break;
    }
    if (p.kind != ParamKind::kVersion) {
      EXPECT_TRUE(p.mnemonic.starts_with("(") && p.mnemonic.ends_with(")")) << p.mnemonic;
    }
  }
}

TEST(ParamTable, FourNamesBreakIntoTwoLinesAndFourNumbersRefuseZero) {
  std::vector<std::string_view> twoLine, refuseZero;
  for (const SetupParam& p : SetupParams()) {
    if (p.name.find('\r') != std::string_view::npos) twoLine.push_back(p.displayNumber);
    if (p.zeroRefused) refuseZero.push_back(p.displayNumber);
  }
  EXPECT_EQ(twoLine, (std::vector<std::string_view>{"F2.2", "F2.3", "F2.4", "F2.5"}));
  EXPECT_EQ(refuseZero, (std::vector<std::string_view>{"F1.1", "F3.1", "F3.2", "F3.3"}));
}

// Write All sends every Number and Choice, and only those, in places of their own: no bit of the
// block may belong to two parameters, and a code's bits must hold every option of its list.
TEST(ParamTable, BlockColumnPlacesEveryNumberAndChoiceApart) {
  std::array<std::string_view, kWriteAllBlockSize * 8> owner{};
  const auto take = [&owner](const SetupParam& p, std::size_t bit) {
    ASSERT_LT(bit, owner.size()) << p.displayNumber;
    EXPECT_TRUE(owner[bit].empty()) << p.displayNumber << " and " << owner[bit] << " share bit "
                                    << bit % 8 << " of byte " << bit / 8;
    owner[bit] = p.displayNumber;
  };
  for (const SetupParam& p : SetupParams()) {
    SCOPED_TRACE(std::string(p.displayNumber));
    const BlockField& f = p.block;
    switch (p.kind) {
      case ParamKind::kNumber:
        ASSERT_EQ(BlockFieldSize(f), 3u);
        for (std::size_t bit = f.offset * 8; bit < (f.offset + 3) * 8; ++bit) take(p, bit);
        break;
      case ParamKind::kChoice:
        ASSERT_EQ(f.coding, BlockCoding::kCode);
        ASSERT_GT(f.width, 0);
        EXPECT_LE(f.shift + f.width, 8);
        EXPECT_LE(p.options.size(), std::size_t{1} << f.width);
        for (int bit = f.shift; bit < f.shift + f.width; ++bit) {
          take(p, f.offset * 8 + static_cast<std::size_t>(bit));
        }
        break;
      case ParamKind::kVersion:
      case ParamKind::kDate:
      case ParamKind::kTime:
        EXPECT_EQ(f.coding, BlockCoding::kNone);
        break;
    }
  }
}

TEST(ParamTable, FindsRowsByAddressAndByNumber) {
  for (const SetupParam& p : SetupParams()) {
    EXPECT_EQ(FindParam(p.address), &p);
    EXPECT_EQ(FindParam(p.displayNumber), &p);
  }
  EXPECT_EQ(FindParam(ParamAddress{1, 13}), nullptr);
  EXPECT_EQ(FindParam(ParamAddress{8, 1}), nullptr);
  EXPECT_EQ(FindParam(ParamAddress{0, 0}), nullptr);
  EXPECT_EQ(FindParam("F01.01"), nullptr);
  EXPECT_EQ(FindParam("f1.1"), nullptr);
  EXPECT_EQ(FindParam(""), nullptr);
}

}  // namespace
}  // namespace tamarack
