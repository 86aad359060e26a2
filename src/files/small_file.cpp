#include "files/small_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

#include "files/file_name.h"
#include "files/native_file.h"

namespace tamarack {

SmallFile ReadSmallFile(const std::string& path, std::size_t maxBytes, IfMissing ifMissing,
                        IfLonger ifLonger) {
  SmallFile file;
  const auto fail = [&file](FileError error, int systemError) {
    file.result = {error, systemError};
    file.bytes.clear();
    return file;
  };
  const auto missing = [&](int systemError) {
    return ifMissing == IfMissing::kReadEmpty ? file : fail(FileError::kMissing, systemError);
  };

  // An empty name names no file, as the system itself says.
  if (path.empty()) return missing(ENOENT);
  const std::filesystem::path name = PathFromBytes(path);
  if (name.empty()) return fail(FileError::kNoName, 0);

  native::Status status;
  if (const int error = native::StatusOf(name, status); error != 0) {
    if (error == ENOENT || error == ENOTDIR) return missing(error);
    return fail(FileError::kSystem, error);
  }
  if (!status.regular) return fail(FileError::kNotRegular, 0);
  const bool cut = ifLonger == IfLonger::kCut;
  if (!cut && status.size > maxBytes) return fail(FileError::kTooLarge, 0);

  int fd = -1;
  if (const int error = native::OpenToRead(name, fd); error != 0) {
    return fail(FileError::kSystem, error);
  }
  // The name may have been given to something else since it was looked at.
  native::Status opened;
  int error = native::StatusOfOpen(fd, opened);
  if (error == 0 && !opened.regular) {
    native::Close(fd);
    return fail(FileError::kNotRegular, 0);
  }
  // The size taken above may be out of date, or 0 for files the system makes up as they are
  // read: read to the end, one byte past the cap to tell a longer file apart.
  const std::size_t limit = cut || maxBytes == SIZE_MAX ? maxBytes : maxBytes + 1;
  std::array<char, 4096> chunk{};
  while (error == 0 && file.bytes.size() < limit) {
    std::size_t got = 0;
    error =
        native::ReadSome(fd, chunk.data(), std::min(chunk.size(), limit - file.bytes.size()), got);
    if (error != 0 || got == 0) break;
    file.bytes.append(chunk.data(), got);
  }
  native::Close(fd);
  if (error != 0) return fail(FileError::kSystem, error);
  if (file.bytes.size() > maxBytes) return fail(FileError::kTooLarge, 0);
  return file;
}

}  // namespace tamarack
