#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "printfmt/print_format.h"

namespace tamarack {

// A print format file (".fmt") holds the bytes of one stored text and nothing else: the
// fifteen lines with a form feed after each of lines 1 to 14, ending in an end tag. Which of the
// two formats it was meant for is only suggested by its default name. Files are written through
// FileReplacement (files/replace_file.h), so a failed save leaves the old file as it was.

inline constexpr std::string_view kPrintFormatFileErrorText = "Open Print Format File Error!";
inline constexpr std::string_view kPrintFormatFileExtension = "fmt";

// "GFMT_1.fmt" or "NFMT_1.fmt".
std::string DefaultFormatFileName(FormatMode mode);

// Reads a print format file without ever creating or changing a file. A name that does not
// exist reads as an empty file. Only the first kMaxFormatText bytes are used. Returns nothing
// when the file exists but cannot be read or is no regular file (a folder, device or pipe).
// `path` is the name in the platform's 8-bit encoding (files/file_name.h).
std::optional<std::string> ReadFormatFile(const std::string& path);

}  // namespace tamarack
