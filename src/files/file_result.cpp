#include "files/file_result.h"

#include <system_error>

namespace tamarack {

std::string FailureText(const FileResult& result) {
  switch (result.error) {
    case FileError::kNone:
      return "no failure";
    case FileError::kNoName:
      return "no file name";
    case FileError::kMissing:
      return "no such file or folder";
    case FileError::kNotRegular:
      return "not a regular file";
    case FileError::kTooLarge:
      return "the file is too large";
    case FileError::kReadOnly:
      return "the file may not be written";
    case FileError::kSystem:
      break;
  }
  return std::generic_category().message(result.systemError);
}

}  // namespace tamarack
