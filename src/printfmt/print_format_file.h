#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "printfmt/print_format.h"

namespace tamarack {

// A print format file (".fmt") holds the bytes of one stored text and nothing else: the
// fifteen lines with a form feed after each of lines 1 to 14, ending in an end tag. Which of the
// two formats it was meant for is only suggested by its default name.

inline constexpr std::string_view kPrintFormatFileErrorText = "Open Print Format File Error!";
inline constexpr std::string_view kPrintFormatFileExtension = "fmt";

// "GFMT_1.fmt" or "NFMT_1.fmt".
std::string DefaultFormatFileName(FormatMode mode);

// Reads a print format file without ever creating or changing a file. A name that does not
// exist reads as an empty file. Only the first kMaxFormatText bytes are used. Returns nothing
// when the file exists but cannot be read.
std::optional<std::string> ReadFormatFile(const std::filesystem::path& path);

// Replaces a file's content as one step: the bytes go to a new file beside it, which then takes
// the old one's place, so a failed write leaves an existing file as it was and no empty file
// behind.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter();

  // Checks that `path` may be written (an existing file must be writable) and creates the new
  // file beside it. False when either fails.
  bool Open(const std::filesystem::path& path);
  // Writes the bytes and puts the new file in place. False, with the old file untouched, on any
  // failure.
  bool Commit(std::string_view bytes);
  // Drops the new file; the old one stays as it was.
  void Discard();

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  bool open_ = false;
};

}  // namespace tamarack
