#include "printfmt/print_format.h"

#include <algorithm>

namespace tamarack {
namespace {

constexpr std::array<PrintTagInfo, kPrintTagCount> kTags{{
    {PrintTag::kGross, "<G>", "Print Gross weight in displayed units", 3},
    {PrintTag::kTare, "<T>", "Print Tare weight in displayed units", 3},
    {PrintTag::kNet, "<N>", "Print Net weight in displayed units", 3},
    {PrintTag::kConsecutiveNumber, "<CN>", "Print Consecutive number", 4},
    {PrintTag::kCountCode, "<CD>", "Print Count item code (used only when Count Mode is set)", 4},
    {PrintTag::kCountQuantity, "<CO>",
     "Print Count item quantity (used only when Count Mode is set)", 4},
    {PrintTag::kDate, "<D>", "Date of printing", 3},
    {PrintTag::kTime, "<I>", "Time of printing", 3},
    {PrintTag::kPeak, "<P>", "Peak mode value (used only when Peak Mode is set)", 3},
    {PrintTag::kNewLine, "<NL>", "New line (nn is the number of lines)", 3},
    {PrintTag::kSpace, "<SP>", "Space(nn=number of space)", 3},
    {PrintTag::kEnd, "<E>", "to complete print format setting", 3},
}};

// Lines 1 and 2 may fill the text further than the others.
constexpr std::size_t kFirstLinesCopyLimit = 265;
constexpr std::size_t kOtherLinesCopyLimit = 250;
// A text longer than this after any line is refused.
constexpr std::size_t kJoinLimit = 265;
// Tag bodies are one to four characters.
constexpr std::size_t kMaxTagBody = 4;

constexpr std::string_view kEndTag = "<E>";
constexpr std::string_view kNewLineOpening = "<NL";
constexpr std::string_view kNewLineTag = "<NL>";

// The text up to its first zero byte.
std::string_view UpToZero(std::string_view text) {
  return text.substr(0, std::min(text.find('\0'), text.size()));
}

// An end tag opening ("<E" or "<e") at or before p - 3 has its third byte made ">"; without one,
// "<E>" is appended.
void CloseWithEndTag(std::string& text) {
  const std::size_t p = text.size();
  for (std::size_t i = 0; i + 3 <= p; ++i) {
    if (text[i] == '<' && (text[i + 1] == 'E' || text[i + 1] == 'e')) {
      text[i + 2] = '>';
      return;
    }
  }
  text += kEndTag;
}

void UpperCaseTagBodies(std::string& text) {
  const std::size_t p = text.size();
  std::size_t i = 0;
  while (i < p) {
    if (text[i] != '<') {
      ++i;
      continue;
    }
    std::size_t close = 0;
    for (std::size_t j = i + 1; j <= i + kMaxTagBody + 1 && j < p; ++j) {
      if (text[j] == '>') {
        close = j;
        break;
      }
    }
    const std::size_t body = close == 0 ? 0 : close - i - 1;
    if (body < 1 || body > kMaxTagBody) {
      ++i;
      continue;
    }
    for (std::size_t k = i + 1; k < close; ++k) {
      if (text[k] >= 'a' && text[k] <= 'z') text[k] = static_cast<char>(text[k] - 'a' + 'A');
    }
    i = close + 1;
  }
}

}  // namespace

char SendModeLetter(FormatMode mode) {
  return mode == FormatMode::NFMT ? 'N' : 'G';
}
char ReadModeLetter(FormatMode mode) {
  return mode == FormatMode::NFMT ? 'B' : 'A';
}

std::span<const PrintTagInfo, kPrintTagCount> PrintTags() {
  return kTags;
}

const PrintTagInfo& TagInfo(PrintTag tag) {
  return kTags.at(static_cast<std::size_t>(tag));
}

std::optional<std::string> JoinLines(const FormatLines& lines, bool withSeparators) {
  std::string text;
  text.reserve(kFormatAreaSize);
  for (int k = 0; k < kFormatLineCount; ++k) {
    const std::size_t limit = k < 2 ? kFirstLinesCopyLimit : kOtherLinesCopyLimit;
    for (char c : lines[static_cast<std::size_t>(k)]) {
      if (text.size() > limit) break;
      text += c;
    }
    if (withSeparators && k < kFormatLineCount - 1) text += kLineSeparator;
    if (text.size() > kJoinLimit) return std::nullopt;
  }
  CloseWithEndTag(text);
  UpperCaseTagBodies(text);
  return text;
}

void SplitAtSeparators(std::string_view bytes, FormatLines& lines) {
  if (bytes.empty()) return;
  std::size_t pos = 0;
  for (int k = 0; k < kFormatLineCount; ++k) {
    std::string& line = lines[static_cast<std::size_t>(k)];
    if (pos > bytes.size()) {
      line.clear();
      continue;
    }
    const std::size_t sep = std::min(bytes.find(kLineSeparator, pos), bytes.size());
    line = UpToZero(bytes.substr(pos, sep - pos));
    pos = sep + 1;  // past the separator, or past the end when there was none
  }
}

FormatLines SplitAtNewLineTags(std::string_view text) {
  FormatLines lines;
  std::string_view rest = UpToZero(text);
  int k = 0;
  for (; k < kFormatLineCount; ++k) {
    const std::size_t open = rest.find(kNewLineOpening);
    if (open == std::string_view::npos) break;
    const std::size_t close = rest.find('>', open);
    if (close == std::string_view::npos) break;
    lines[static_cast<std::size_t>(k)] = rest.substr(0, close + 1);
    rest.remove_prefix(close + 1);
  }
  if (k < kFormatLineCount) lines[static_cast<std::size_t>(k)] = rest;
  return lines;
}

std::string NormalizeLine(std::string_view line) {
  if (line.empty()) return {};
  if (const std::size_t end = line.find(kEndTag); end != std::string_view::npos) {
    return std::string(line.substr(0, end + kEndTag.size()));
  }
  const std::size_t q = line.find(kNewLineOpening);
  if (q == std::string_view::npos) return std::string(line) + std::string(kNewLineTag);
  const std::size_t close = line.find('>', q);
  if (close == std::string_view::npos) {
    return std::string(line.substr(0, q)) + std::string(kNewLineTag);
  }
  return std::string(line.substr(0, close + 1));
}

std::optional<std::string_view> CheckDataBits(std::size_t textLength, int dataBits) {
  const std::size_t count = textLength + 1;
  if (dataBits == 8 && count > 250) return kDataBits8Text;
  if (dataBits == 7 && count > 127) return kDataBits7Text;
  return std::nullopt;
}

}  // namespace tamarack
