#include "files/replace_file.h"

#include <atomic>
#include <cerrno>
#include <system_error>

#include "files/file_name.h"
#include "files/native_file.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

// Links are followed this many times at most, as the system itself does.
constexpr int kMaxLinks = 40;
constexpr int kNameAttempts = 100;

// The name of the file that `path` stands for once each symbolic link in its last part is
// followed. A link to a file that does not exist yet gives that file's name, so that the save
// creates it and the link stays.
FileResult FollowLinks(fs::path& path) {
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return {};
    const fs::path next = fs::read_symlink(path, error);
    if (error) return {FileError::kSystem, error.value()};
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return {FileError::kSystem, ELOOP};
}

// A name beside `target` for the new file: hidden where a leading dot hides, and told apart
// from any other process's and any other save's.
fs::path TemporaryName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  // Joined as paths, so that the user's name is never converted to another encoding.
  fs::path leaf = ".";
  leaf += target.filename();
  leaf += "." + std::to_string(native::ProcessId()) + "." + std::to_string(counter++) + ".tmp";
  fs::path name = target;
  name.replace_filename(leaf);
  return name;
}

}  // namespace

FileReplacement::~FileReplacement() {
  Discard();
}

FileResult FileReplacement::Begin(const std::string& path) {
  Discard();
  fs::path target = PathFromBytes(path);
  if (!target.has_filename()) return {FileError::kNoName, 0};
  if (const FileResult followed = FollowLinks(target); !followed.ok()) return followed;
  if (!target.has_filename()) return {FileError::kNoName, 0};

  native::Status old;
  const int missing = native::StatusOf(target, old);
  const bool exists = missing == 0;
  if (exists) {
    if (!old.regular) return {FileError::kNotRegular, 0};
    // The folder would allow replacing it, but the user marked the file itself as not to change.
    if (const int error = native::CheckWritable(target); error != 0) {
      return {FileError::kReadOnly, error};
    }
  } else if (missing != ENOENT) {
    return {FileError::kSystem, missing};
  }

  int error = EEXIST;
  for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
    temporary_ = TemporaryName(target);
    error = native::CreateNew(temporary_, fd_);
  }
  if (error != 0) {
    fd_ = -1;
    temporary_.clear();
    return {FileError::kSystem, error};
  }
  target_ = target;
  if (exists) {
    if (const int taken = native::TakePermissions(fd_, old); taken != 0) {
      Discard();
      return {FileError::kSystem, taken};
    }
  }
  return {};
}

FileResult FileReplacement::Commit(std::string_view bytes) {
  if (fd_ < 0) return {FileError::kSystem, EBADF};
  int error = native::WriteAll(fd_, bytes);
  const int synced = native::SyncAndClose(fd_);
  fd_ = -1;
  if (error == 0) error = synced;
  if (error == 0) error = native::RenameOver(temporary_, target_);
  if (error != 0) {
    Discard();
    return {FileError::kSystem, error};
  }
  native::SyncFolderOf(target_);
  temporary_.clear();
  target_.clear();
  return {};
}

void FileReplacement::Discard() {
  if (fd_ >= 0) native::Close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) native::Remove(temporary_);
  temporary_.clear();
  target_.clear();
}

FileResult ReplaceFile(const std::string& path, std::string_view bytes) {
  FileReplacement file;
  if (const FileResult begun = file.Begin(path); !begun.ok()) return begun;
  return file.Commit(bytes);
}

}  // namespace tamarack
