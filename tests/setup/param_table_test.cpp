#include "setup/param_table.h"

#include <gtest/gtest.h>

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
      {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}, {1, 8}, {1, 9}, {1, 10}, {1, 11},
      {1, 12}, {2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {2, 6}, {3, 1}, {3, 2}, {3, 3}, {4, 1},
      {4, 2}, {4, 3}, {5, 1}, {6, 1}, {6, 2}, {6, 3}, {7, 1}, {7, 2}, {7, 3}, {7, 4}, {7, 5}};
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
    EXPECT_EQ(p.displayNumber, "F" + std::to_string(p.address.group) + "." +
                                   std::to_string(p.address.number));
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

struct RowCase {
  std::string_view number;
  std::string_view mnemonic;
  ParamKind kind;
  int defaultCode;
  std::string_view defaultText;
  bool zeroRefused;
};

// The facts most easily mistyped, checked row by row.
TEST(ParamTable, MnemonicsDefaultsAndZeroRules) {
  using K = ParamKind;
  const RowCase rows[] = {
      {"F1.1", "(GRADS)", K::kNumber, -1, "10000", true},
      {"F1.2", "(ZTRKBN)", K::kChoice, 1, "", false},
      {"F1.3", "(ZRANGE)", K::kChoice, 0, "", false},
      {"F1.4", "(MOTBAN)", K::kChoice, 0, "", false},
      {"F1.5", "(OVRLOA)", K::kChoice, 2, "", false},
      {"F1.6", "(SMPRAT)", K::kChoice, 1, "", false},
      {"F1.7", "(DIGFL1)", K::kChoice, 1, "", false},
      {"F1.8", "(DIGFL2)", K::kChoice, 2, "", false},
      {"F1.9", "(DIGFL3)", K::kChoice, 2, "", false},
      {"F1.10", "(DFSENS)", K::kChoice, 1, "", false},
      {"F1.11", "(DFTHRH)", K::kChoice, 2, "", false},
      {"F1.12", "(PWZERO)", K::kChoice, 0, "", false},
      {"F2.1", "(PUNIT)", K::kChoice, 1, "", false},
      {"F2.2", "(PDECPT)", K::kChoice, 1, "", false},
      {"F2.3", "(PDSPDIV)", K::kChoice, 0, "", false},
      {"F2.4", "(ADECPT)", K::kChoice, 0, "", false},
      {"F2.5", "(ADSPDIV)", K::kChoice, 0, "", false},
      {"F2.6", "(DSPRAT)", K::kChoice, 0, "", false},
      {"F3.1", "(WZERO)", K::kNumber, -1, "", true},
      {"F3.2", "(WValue)", K::kNumber, -1, "", true},
      {"F3.3", "(WSpan)", K::kNumber, -1, "", true},
      {"F4.1", "(BAUD)", K::kChoice, 3, "", false},
      {"F4.2", "(BITS)", K::kChoice, 0, "", false},
      {"F4.3", "(SMODE)", K::kChoice, 1, "", false},
      {"F5.1", "(WMODE)", K::kChoice, 0, "", false},
      {"F6.1", "(REGULA)", K::kChoice, 0, "", false},
      {"F6.2", "(P1)", K::kNumber, -1, "100", false},
      {"F6.3", "(P2)", K::kNumber, -1, "10000", false},
      {"F7.1", "(CONSNU)", K::kNumber, -1, "000000", false},
      {"F7.2", "(CONSTU)", K::kNumber, -1, "000000", false},
      {"F7.3", "", K::kVersion, -1, "", false},
      {"F7.4", "(DATE)", K::kDate, -1, "", false},
      {"F7.5", "(TIME)", K::kTime, -1, "", false},
  };
  ASSERT_EQ(std::size(rows), SetupParams().size());
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const RowCase& r = rows[i];
    const SetupParam& p = SetupParams()[i];
    SCOPED_TRACE(std::string(r.number));
    EXPECT_EQ(p.displayNumber, r.number);
    EXPECT_EQ(p.mnemonic, r.mnemonic);
    EXPECT_EQ(p.kind, r.kind);
    EXPECT_EQ(p.defaultCode, r.defaultCode);
    EXPECT_EQ(p.defaultText, r.defaultText);
    EXPECT_EQ(p.zeroRefused, r.zeroRefused);
  }
}

TEST(ParamTable, KeepsTheIndicatorsOwnSpellings) {
  EXPECT_EQ(FindParam("F2.2")->name, "Primary Unit\rDecimal Point Location");
  EXPECT_EQ(FindParam("F2.4")->name, "Assistant Unit\rDecimal Point location");
  EXPECT_EQ(FindParam("F2.6")->name, "Display Rat");
  EXPECT_EQ(FindParam("F7.4")->name, "Data");
  EXPECT_EQ(FindParam("F1.1")->fieldTip, "Graduations Setup");
  EXPECT_EQ(FindParam("F3.1")->fieldTip, "zero calibration A/D count value setup");
  EXPECT_EQ(FindParam("F7.4")->fieldTip, "Data setup");
  // F4.1 names 2400 baud twice; both codes are kept apart only by their digit.
  EXPECT_EQ(FindParam("F4.1")->options[0], "0 (2400)");
  EXPECT_EQ(FindParam("F4.1")->options[1], "1 (2400)");
  EXPECT_EQ(FindParam("F1.11")->options[3], "3 (10D)");
  EXPECT_EQ(FindParam("F1.6")->options.size(), 8u);
  int twoLine = 0;
  for (const SetupParam& p : SetupParams()) twoLine += p.name.find('\r') != std::string_view::npos;
  EXPECT_EQ(twoLine, 4);
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
