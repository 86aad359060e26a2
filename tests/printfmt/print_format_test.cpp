#include "printfmt/print_format.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_names.h"

namespace tamarack {
namespace {

FormatLines Lines(std::initializer_list<std::pair<int, std::string>> set) {
  FormatLines lines;
  for (const auto& [n, text] : set) lines.at(static_cast<std::size_t>(n - 1)) = text;
  return lines;
}

const std::string kFourteenSeparators(14, '\x0C');

struct JoinCase {
  const char* what;
  FormatLines lines;
  bool withSeparators;
  std::optional<std::string> expected;
};

class JoinLinesTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinLinesTest, BuildsTheText) {
  const JoinCase& c = GetParam();
  EXPECT_EQ(JoinLines(c.lines, c.withSeparators), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JoinLinesTest,
    ::testing::Values(
        JoinCase{"empty send", {}, false, "<E>"},
        JoinCase{"empty stored", {}, true, kFourteenSeparators + "<E>"},
        JoinCase{"lowercase end tag found", Lines({{1, "<g><nl>"}, {2, "<e>"}}), false,
                 "<G><NL><E>"},
        JoinCase{"stored example", Lines({{1, "<G><NL>"}, {2, "<E>"}}), true,
                 "<G><NL>\x0C<E>" + std::string(13, '\x0C')},
        JoinCase{"end tag opening closed", Lines({{1, "Total<EX"}}), false, "Total<E>"},
        JoinCase{"only the first opening counts", Lines({{1, "<EA<EB"}}), false, "<E><EB"},
        JoinCase{"opening in the last two bytes", Lines({{1, "ab<E"}}), false, "ab<E<E>"},
        JoinCase{"two digit count upper-cased", Lines({{1, "<sp12>"}}), false, "<SP12><E>"},
        JoinCase{"five character body left", Lines({{1, "<sp123>"}}), false, "<sp123><E>"},
        JoinCase{"empty and unclosed brackets left", Lines({{1, "<>a<b c"}}), false, "<>a<b c<E>"},
        JoinCase{"text outside tags kept", Lines({{1, "net <n> kg"}}), false, "net <N> kg<E>"},
        JoinCase{"only ASCII letters change", Lines({{1, "<\xE9x>"}}), false, "<\xE9X><E>"},
        JoinCase{"scan resumes after a tag", Lines({{1, "<a><b>"}}), false, "<A><B><E>"},
        JoinCase{"first line of 300 refused", Lines({{1, std::string(300, 'A')}}), false,
                 std::nullopt},
        JoinCase{"first line of 265 passes", Lines({{1, std::string(265, 'A')}}), false,
                 std::string(265, 'A') + "<E>"},
        JoinCase{"separator after 265 refused", Lines({{1, std::string(265, 'A')}}), true,
                 std::nullopt},
        JoinCase{"two long first lines refused",
                 Lines({{1, std::string(200, 'A')}, {2, std::string(100, 'B')}}), false,
                 std::nullopt},
        JoinCase{"third line of 300 cut", Lines({{3, std::string(300, 'C')}}), false,
                 std::string(251, 'C') + "<E>"},
        JoinCase{"lines after 250 add nothing", Lines({{3, std::string(260, 'C')}, {4, "more"}}),
                 false, std::string(251, 'C') + "<E>"}),
    test::ByWhat());

TEST(JoinLines, NoTextOutgrows268Bytes) {
  for (bool withSeparators : {false, true}) {
    for (std::size_t first = 0; first <= 266; ++first) {
      FormatLines lines;
      for (auto& line : lines) line = std::string(300, 'x');
      lines[0] = std::string(first, 'A');
      lines[1] = std::string(first % 17, 'B');
      if (const auto text = JoinLines(lines, withSeparators)) {
        EXPECT_LE(text->size(), 268u) << first;
      }
    }
  }
}

TEST(JoinLines, ThirdLineOf300FailsTheEightBitCheck) {
  const auto text = JoinLines(Lines({{3, std::string(300, 'C')}}), false);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->size(), 254u);
  EXPECT_EQ(CheckDataBits(text->size(), 8), kDataBits8Text);
}

TEST(SplitAtSeparators, StoredTextOfEmptyLines) {
  FormatLines lines = Lines({{1, "old"}});
  SplitAtSeparators(kFourteenSeparators + "<E>", lines);
  EXPECT_EQ(lines, Lines({{15, "<E>"}}));
}

TEST(SplitAtSeparators, EmptyTextLeavesLines) {
  FormatLines lines = Lines({{1, "keep"}, {15, "me"}});
  SplitAtSeparators("", lines);
  EXPECT_EQ(lines, Lines({{1, "keep"}, {15, "me"}}));
}

TEST(SplitAtSeparators, FewerPartsEmptyTheRestAndExtraPartsAreIgnored) {
  FormatLines lines = Lines({{2, "old"}, {15, "old"}});
  SplitAtSeparators("one", lines);
  EXPECT_EQ(lines, Lines({{1, "one"}}));

  std::string many;
  for (int k = 1; k <= 17; ++k) many += std::to_string(k) + "\x0C";
  SplitAtSeparators(many, lines);
  EXPECT_EQ(lines[0], "1");
  EXPECT_EQ(lines[14], "15");
}

TEST(SplitAtSeparators, ZeroByteEndsOnlyItsLine) {
  FormatLines lines;
  SplitAtSeparators(std::string("ab\0cd\x0C"
                                "ef",
                                8),
                    lines);
  EXPECT_EQ(lines, Lines({{1, "ab"}, {2, "ef"}}));
}

TEST(SplitAtSeparators, RoundTripsJoinedLines) {
  const FormatLines lines = Lines({{1, "<G><NL>"}, {4, "Tare <T><NL2>"}, {15, "<E>"}});
  FormatLines back;
  SplitAtSeparators(*JoinLines(lines, true), back);
  EXPECT_EQ(back, lines);
}

struct NewLineCase {
  const char* what;
  std::string text;
  FormatLines expected;
};

class SplitAtNewLineTagsTest : public ::testing::TestWithParam<NewLineCase> {};

TEST_P(SplitAtNewLineTagsTest, FillsLines) {
  EXPECT_EQ(SplitAtNewLineTags(GetParam().text), GetParam().expected);
}

FormatLines FifteenTags() {
  FormatLines lines;
  for (auto& line : lines) line = "x<NL>";
  return lines;
}

std::string SixteenTagsAndTail() {
  std::string text;
  for (int k = 0; k < 16; ++k) text += "x<NL>";
  return text + "tail";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitAtNewLineTagsTest,
    ::testing::Values(
        NewLineCase{"example", "<G><NL><N><NL2><E>",
                    Lines({{1, "<G><NL>"}, {2, "<N><NL2>"}, {3, "<E>"}})},
        NewLineCase{"empty", "", {}},
        NewLineCase{"no tag goes to line 1", "abc<E>", Lines({{1, "abc<E>"}})},
        NewLineCase{"lowercase does not end a line", "a<nl>b<NL>c",
                    Lines({{1, "a<nl>b<NL>"}, {2, "c"}})},
        NewLineCase{"unclosed tag keeps the rest", "a<NL>b<NL", Lines({{1, "a<NL>"}, {2, "b<NL"}})},
        NewLineCase{"text ends at a zero byte", std::string("a<NL>b\0c<NL>", 12),
                    Lines({{1, "a<NL>"}, {2, "b"}})},
        NewLineCase{"rest after fifteen lines dropped", SixteenTagsAndTail(), FifteenTags()}),
    test::ByWhat());

struct NormalizeCase {
  const char* what;
  std::string line;
  std::string expected;
};

class NormalizeLineTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeLineTest, CleansTheLine) {
  EXPECT_EQ(NormalizeLine(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NormalizeLineTest,
    ::testing::Values(NormalizeCase{"empty stays empty", "", ""},
                      NormalizeCase{"new line appended", "ABC", "ABC<NL>"},
                      NormalizeCase{"text after new line dropped", "ABC<NL2>DEF", "ABC<NL2>"},
                      NormalizeCase{"unclosed new line closed", "ABC<NL", "ABC<NL>"},
                      NormalizeCase{"unclosed count replaced", "ABC<NL12", "ABC<NL>"},
                      NormalizeCase{"end tag wins", "X<E>Y<NL>", "X<E>"},
                      NormalizeCase{"lowercase not recognised", "abc<nl>", "abc<nl><NL>"},
                      NormalizeCase{"lone bracket", "<", "<<NL>"},
                      NormalizeCase{"already clean", "<G><NL>", "<G><NL>"}),
    test::ByWhat());

struct DataBitsCase {
  const char* what;
  std::size_t length;
  int dataBits;
  std::optional<std::string_view> expected;
};

class CheckDataBitsTest : public ::testing::TestWithParam<DataBitsCase> {};

TEST_P(CheckDataBitsTest, LimitsTheCount) {
  EXPECT_EQ(CheckDataBits(GetParam().length, GetParam().dataBits), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, CheckDataBitsTest,
    ::testing::Values(DataBitsCase{"seven bits 126", 126, 7, std::nullopt},
                      DataBitsCase{"seven bits 127", 127, 7, kDataBits7Text},
                      DataBitsCase{"eight bits 249", 249, 8, std::nullopt},
                      DataBitsCase{"eight bits 250", 250, 8, kDataBits8Text},
                      DataBitsCase{"count never wraps", 255 + 250, 8, kDataBits8Text},
                      DataBitsCase{"other bits no limit", 1000, 6, std::nullopt}),
    test::ByWhat());

}  // namespace
}  // namespace tamarack
