#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "files/file_result.h"

namespace tamarack {

// Replaces a file's whole content in one step: the bytes go to a new file beside it, which is
// synced to disk and then renamed over it. Until that rename the old file is untouched, so any
// failure leaves it as it was, and the new file is removed again. An existing file keeps its
// permissions (and its owner where the system allows); through a symbolic link the file it names
// is replaced and the link stays. An existing file that may not be written, or one that is no
// regular file, is refused.
//
// In two steps, for a caller that must know the file can be replaced before it makes the bytes:
//   FileReplacement file;
//   if (!file.Begin(path).ok()) ...;   // checks the target and creates the new file
//   if (!file.Commit(bytes).ok()) ...;
// A replacement that is destroyed or discarded before Commit leaves no trace.
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  ~FileReplacement();

  // `path` is the name in the platform's 8-bit encoding (what QFile::encodeName gives).
  FileResult Begin(const std::string& path);
  // Writes the bytes and puts the new file in place. Nothing is pending afterwards, whatever the
  // result.
  FileResult Commit(std::string_view bytes);
  // Drops the new file; the old one stays as it was.
  void Discard();

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int fd_ = -1;
};

// Begin and Commit in one.
FileResult ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace tamarack
