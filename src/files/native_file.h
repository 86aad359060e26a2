#pragma once

// The few system calls the file layer needs, one set for POSIX and one for Windows, so that the
// rules in small_file.cpp and replace_file.cpp exist once. Each call returns 0 or the errno that
// tells why it failed.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace tamarack::native {

struct Status {
  bool regular = false;
  std::uint64_t size = 0;
#ifndef _WIN32
  unsigned mode = 0;
  unsigned owner = 0;
  unsigned group = 0;
#endif
};

// Follows symbolic links.
int StatusOf(const std::filesystem::path& path, Status& status);
int StatusOfOpen(int fd, Status& status);
// Whether the file's permissions let this process write it.
int CheckWritable(const std::filesystem::path& path);

// Read-only and without blocking, whatever the name turns out to be.
int OpenToRead(const std::filesystem::path& path, int& fd);
// `got` is 0 at the end of the file.
int ReadSome(int fd, char* buffer, std::size_t size, std::size_t& got);

// Creates a file that did not exist (EEXIST when the name is taken), for writing.
int CreateNew(const std::filesystem::path& path, int& fd);
// Gives a new file the permissions (and, where allowed, the owner) of the file it will replace.
int TakePermissions(int fd, const Status& old);
int WriteAll(int fd, std::string_view bytes);
// Flushes the file to the disk and closes it; it is closed whatever the result.
int SyncAndClose(int fd);
void Close(int fd);
// Renames over an existing file in one step.
int RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);
void Remove(const std::filesystem::path& path);
// Makes a rename in the file's folder durable, where the system needs that asked; best effort.
void SyncFolderOf(const std::filesystem::path& path);
unsigned long ProcessId();

}  // namespace tamarack::native
