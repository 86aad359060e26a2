#pragma once

#include <string>

namespace tamarack {

// Why reading or replacing a file failed. The file formats turn any failure into their own fixed
// message; the kind and the system's error code are there for new messages and for tests.
enum class FileError {
  kNone,
  kNoName,      // the name is empty or ends in a folder separator
  kMissing,     // no file of that name (or a folder on the way does not exist)
  kNotRegular,  // a folder, device, pipe or socket: never opened, as it could block or never end
  kTooLarge,    // longer than the reader's cap
  kReadOnly,    // an existing file that may not be written
  kSystem,      // the system refused a step: see systemError
};

struct FileResult {
  FileError error = FileError::kNone;
  // The errno of the step that failed (on Windows the final rename's system code is turned into
  // one), or 0 when one of the checks above failed without asking the system.
  int systemError = 0;

  bool ok() const { return error == FileError::kNone; }
};

// Why it failed, in words for a message box ("no such folder", "not a regular file", or the
// system's own text for its error code).
std::string FailureText(const FileResult& result);

}  // namespace tamarack
