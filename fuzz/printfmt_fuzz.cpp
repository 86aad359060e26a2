// Print format splitting: any bytes as a print format file's content or as the text the indicator
// sends back. The lines must come out within the text's size, every cleaned line must stay clean,
// every joined text must fit the 300-byte area and hold an end tag, and a loaded file keeps at most
// the area's text, up to its first zero byte, as the backup copy.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "printfmt/print_format.h"
#include "printfmt/print_format_model.h"

namespace {

using namespace tamarack;

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckLines(const FormatLines& lines, std::size_t textSize) {
  std::size_t total = 0;
  for (const std::string& line : lines) {
    total += line.size();
    const std::string clean = NormalizeLine(line);
    Require(NormalizeLine(clean) == clean);
    Require(clean.empty() == line.empty());
  }
  Require(total <= textSize);
  for (bool withSeparators : {false, true}) {
    if (const auto text = JoinLines(lines, withSeparators)) {
      Require(text->size() <= 268);
      Require(text->find("<E>") != std::string::npos);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A file and a read reply never hold more than this many bytes.
  const std::string_view text(reinterpret_cast<const char*>(data), size < 299 ? size : 299);

  FormatLines fromFile;
  SplitAtSeparators(text, fromFile);
  CheckLines(fromFile, text.size());

  const FormatLines fromIndicator = SplitAtNewLineTags(text);
  CheckLines(fromIndicator, text.size());

  for (int dataBits : {7, 8}) (void)CheckDataBits(text.size(), dataBits);

  // The whole input as a file: only its first kMaxFormatText bytes count.
  PrintFormatModel model;
  model.armedTag = PrintTag{};
  LoadPrintFormatContent(model, std::string_view(reinterpret_cast<const char*>(data), size));
  Require(!model.armedTag);
  Require(model.format.lines == fromFile);
  Require(model.backupText.size() <= kMaxFormatText);
  Require(text.substr(0, model.backupText.size()) == model.backupText);
  Require(model.backupText.find('\0') == std::string::npos);
  return 0;
}
