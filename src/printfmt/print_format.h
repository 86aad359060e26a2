#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tamarack {

// A ticket print format as the user edits it: fifteen lines of single-byte text (literal
// characters and tags such as "<G>") for one of the indicator's two print modes. Line 1 is
// printed first. A line's bytes are kept exactly; the character set is the platform's.

inline constexpr int kFormatLineCount = 15;
using FormatLines = std::array<std::string, kFormatLineCount>;

// Which of the indicator's two formats is meant.
enum class FormatMode {
  GFMT,  // gross weight print mode (the default)
  NFMT,  // net weight print mode
};

struct PrintFormat {
  FormatLines lines;  // lines[0] is line 1
  FormatMode mode = FormatMode::GFMT;
};

// "G" / "N": the mode's letter when a format is sent.
char SendModeLetter(FormatMode mode);
// "A" / "B": the mode's letter when a format is read back.
char ReadModeLetter(FormatMode mode);

// The tags that the tag bar inserts, in bar order.
enum class PrintTag {
  kGross,
  kTare,
  kNet,
  kConsecutiveNumber,
  kCountCode,
  kCountQuantity,
  kDate,
  kTime,
  kPeak,
  kNewLine,
  kSpace,
  kEnd,
};
inline constexpr int kPrintTagCount = 12;

struct PrintTagInfo {
  PrintTag tag;
  std::string_view text;     // what is inserted
  std::string_view meaning;  // the tag button's tip
  // Where the caret stands after insertion, counted from the tag's first byte. For "<NL>" and
  // "<SP>" it stops before the ">", ready for the count the user types.
  int caretStep;
};

// The twelve tags in bar order.
std::span<const PrintTagInfo, kPrintTagCount> PrintTags();
const PrintTagInfo& TagInfo(PrintTag tag);

// Texts are built in an area of this size; a text split back into lines holds at most
// kMaxFormatText bytes (one byte stays for the terminating zero).
inline constexpr std::size_t kFormatAreaSize = 300;
inline constexpr std::size_t kMaxFormatText = kFormatAreaSize - 1;
// Separator between lines in the stored form (form feed).
inline constexpr char kLineSeparator = '\x0C';

inline constexpr std::string_view kTooManyCharactersText =
    "The Number of Characters Must Less Than 250!";
inline constexpr std::string_view kDataBits8Text =
    "DateBits=8,Format String Numbers must less then 250!";
inline constexpr std::string_view kDataBits7Text =
    "DateBits=7,Format String Numbers must less then 128!";

// Joins the fifteen lines into one text ending in an end tag, with tag bodies upper-cased.
// Without separators this is the form sent to the indicator; with separators (a form feed after
// each of lines 1 to 14) the form kept in files and in the window's backup copy. Lines 1 and 2
// are copied while the text is at most 265 bytes long, lines 3 to 15 while it is at most 250.
// Returns nothing when the text grew beyond 265 bytes after some line: the caller shows
// kTooManyCharactersText and ends its operation.
std::optional<std::string> JoinLines(const FormatLines& lines, bool withSeparators);

// Splits a stored text at its form feeds into the fifteen lines; lines the bytes do not reach
// become empty, anything behind a fifteenth part is ignored, and a zero byte ends a line's text.
// An empty text leaves the lines as they were.
void SplitAtSeparators(std::string_view bytes, FormatLines& lines);

// Splits a text read from the indicator (lines end with their "<NL..>" tag) into the fifteen
// lines. Only an uppercase "<NL" ends a line. The text ends at its first zero byte.
FormatLines SplitAtNewLineTags(std::string_view text);

// Cleans a line the user has finished editing: a non-empty line ends in its first end tag or in
// its first new-line tag (added when missing); anything typed behind it is dropped.
std::string NormalizeLine(std::string_view line);

// The frame that carries a format states text length + 1 in a count byte, which the line's data
// bits limit: at most 250 with 8 data bits, at most 127 with 7. Returns the message to show when
// the text is too long, nothing when it passes.
std::optional<std::string_view> CheckDataBits(std::size_t textLength, int dataBits);

}  // namespace tamarack
