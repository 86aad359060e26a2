#include "printfmt/print_format_file.h"

#include <utility>

#include "files/small_file.h"

namespace tamarack {

std::string DefaultFormatFileName(FormatMode mode) {
  return mode == FormatMode::NFMT ? "NFMT_1.fmt" : "GFMT_1.fmt";
}

std::optional<std::string> ReadFormatFile(const std::string& path) {
  SmallFile file = ReadSmallFile(path, kMaxFormatText, IfMissing::kReadEmpty, IfLonger::kCut);
  if (!file.result.ok()) return std::nullopt;
  return std::move(file.bytes);
}

}  // namespace tamarack
