#pragma once

#include <cstddef>
#include <string>

#include "files/file_result.h"

namespace tamarack {

// What to make of a name with no file behind it.
enum class IfMissing {
  kFail,       // FileError::kMissing
  kReadEmpty,  // an empty file: nothing is created
};

// What to make of a file longer than the cap.
enum class IfLonger {
  kFail,  // FileError::kTooLarge, nothing read
  kCut,   // its first maxBytes bytes
};

struct SmallFile {
  FileResult result;
  std::string bytes;  // the content when result.ok()
};

// Reads a whole small file. `path` is the name in the platform's 8-bit encoding (what
// QFile::encodeName gives). Only a regular file is read: a folder, device, pipe or socket is
// refused before it is opened, and the file is opened read-only and without blocking, then
// checked again, so that a name swapped in between cannot freeze the caller. Nothing is ever
// created or changed.
SmallFile ReadSmallFile(const std::string& path, std::size_t maxBytes,
                        IfMissing ifMissing = IfMissing::kFail,
                        IfLonger ifLonger = IfLonger::kFail);

}  // namespace tamarack
