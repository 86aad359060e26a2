#include "files/native_file.h"

#include <cerrno>
#include <system_error>

#include "files/file_name.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tamarack::native {

namespace fs = std::filesystem;

#ifdef _WIN32

namespace {

void Take(const struct _stat64& info, Status& status) {
  status.regular = (info.st_mode & _S_IFMT) == _S_IFREG;
  status.size = static_cast<std::uint64_t>(info.st_size);
}

}  // namespace

int StatusOf(const fs::path& path, Status& status) {
  struct _stat64 info {};
  if (::_wstat64(path.c_str(), &info) != 0) return errno;
  Take(info, status);
  return 0;
}

int StatusOfOpen(int fd, Status& status) {
  struct _stat64 info {};
  if (::_fstat64(fd, &info) != 0) return errno;
  Take(info, status);
  return 0;
}

int CheckWritable(const fs::path& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ENOENT;
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? EACCES : 0;
}

int OpenToRead(const fs::path& path, int& fd) {
  fd = ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  return fd < 0 ? errno : 0;
}

int ReadSome(int fd, char* buffer, std::size_t size, std::size_t& got) {
  const int n = ::_read(fd, buffer, static_cast<unsigned>(size < 65536 ? size : 65536));
  if (n < 0) return errno;
  got = static_cast<std::size_t>(n);
  return 0;
}

int CreateNew(const fs::path& path, int& fd) {
  fd = ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                _S_IREAD | _S_IWRITE);
  return fd < 0 ? errno : 0;
}

// A new file takes the folder's access rules, as the old one did when it was made.
int TakePermissions(int, const Status&) {
  return 0;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const unsigned chunk = static_cast<unsigned>(bytes.size() < 65536 ? bytes.size() : 65536);
    const int n = ::_write(fd, bytes.data(), chunk);
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

int SyncAndClose(int fd) {
  const int synced = ::_commit(fd) == 0 ? 0 : errno;
  const int closed = ::_close(fd) == 0 ? 0 : errno;
  return synced != 0 ? synced : closed;
}

void Close(int fd) {
  ::_close(fd);
}

int RenameOver(const fs::path& from, const fs::path& to) {
  if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  // As the errno the other steps report, so that one message text fits every step; a code
  // without one becomes a plain input/output error.
  const std::error_condition error =
      std::system_category().default_error_condition(static_cast<int>(::GetLastError()));
  return error.category() == std::generic_category() ? error.value() : EIO;
}

void Remove(const fs::path& path) {
  ::_wremove(path.c_str());
}

// MOVEFILE_WRITE_THROUGH already waits for the rename to reach the disk.
void SyncFolderOf(const fs::path&) {}

unsigned long ProcessId() {
  return static_cast<unsigned long>(::_getpid());
}

#else

namespace {

void Take(const struct stat& info, Status& status) {
  status.regular = S_ISREG(info.st_mode);
  status.size = static_cast<std::uint64_t>(info.st_size);
  status.mode = static_cast<unsigned>(info.st_mode & 07777);
  status.owner = static_cast<unsigned>(info.st_uid);
  status.group = static_cast<unsigned>(info.st_gid);
}

}  // namespace

int StatusOf(const fs::path& path, Status& status) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return errno;
  Take(info, status);
  return 0;
}

int StatusOfOpen(int fd, Status& status) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return errno;
  Take(info, status);
  return 0;
}

int CheckWritable(const fs::path& path) {
  return ::access(path.c_str(), W_OK) == 0 ? 0 : errno;
}

int OpenToRead(const fs::path& path, int& fd) {
  // O_NONBLOCK: a pipe swapped in after the check opens at once instead of waiting for a
  // writer; O_NOCTTY: a terminal never becomes ours.
  fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  return fd < 0 ? errno : 0;
}

int ReadSome(int fd, char* buffer, std::size_t size, std::size_t& got) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

int CreateNew(const fs::path& path, int& fd) {
  // 0666 less the umask: a new file gets the same permissions as any file the user makes.
  fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  return fd < 0 ? errno : 0;
}

int TakePermissions(int fd, const Status& old) {
  // Only root may give a file away; for anyone else keeping the owner fails and is no fault.
  const bool ownerKept =
      ::fchown(fd, static_cast<uid_t>(old.owner), static_cast<gid_t>(old.group)) == 0;
  static_cast<void>(ownerKept);
  // After fchown, which clears the set-id bits.
  return ::fchmod(fd, static_cast<mode_t>(old.mode)) == 0 ? 0 : errno;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

int SyncAndClose(int fd) {
  const int synced = ::fsync(fd) == 0 ? 0 : errno;
  const int closed = ::close(fd) == 0 ? 0 : errno;
  return synced != 0 ? synced : closed;
}

void Close(int fd) {
  ::close(fd);
}

int RenameOver(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void Remove(const fs::path& path) {
  ::unlink(path.c_str());
}

void SyncFolderOf(const fs::path& path) {
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

unsigned long ProcessId() {
  return static_cast<unsigned long>(::getpid());
}

#endif

}  // namespace tamarack::native

namespace tamarack {

#ifdef _WIN32

std::filesystem::path PathFromBytes(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int wide =
      ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, text.data(), wide);
  return std::filesystem::path(text);
}

std::string BytesFromPath(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  // A code page that lacks a character must not put a look-alike in its place, which would name
  // another file; UTF-8 spells every name and refuses that flag.
  const bool utf8 = ::GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* const lossyOut = utf8 ? nullptr : &lossy;
  const int size = static_cast<int>(wide.size());
  const int narrow =
      ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, lossyOut);
  if (narrow <= 0 || lossy) return {};
  std::string bytes(static_cast<std::size_t>(narrow), '\0');
  ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, bytes.data(), narrow, nullptr, lossyOut);
  return bytes;
}

#else

std::filesystem::path PathFromBytes(const std::string& bytes) {
  return std::filesystem::path(bytes);
}

std::string BytesFromPath(const std::filesystem::path& path) {
  return path.native();
}

#endif

}  // namespace tamarack
