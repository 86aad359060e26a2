#pragma once

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "files/file_name.h"
#include "files/file_result.h"
#include "support/temp_folder.h"

namespace tamarack {

inline void PrintTo(FileError error, std::ostream* out) {
  static const char* const kNames[] = {"kNone",     "kNoName",   "kMissing", "kNotRegular",
                                       "kTooLarge", "kReadOnly", "kSystem"};
  *out << kNames[static_cast<int>(error)];
}

}  // namespace tamarack

namespace tamarack::test {

// A fresh folder per test with the helpers the file tests share.
class FileTestDir : public ::testing::Test, protected TempFolder {
 protected:
  static std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
#ifndef _WIN32
  unsigned ModeOf(const std::string& name) const {
    struct stat info {};
    EXPECT_EQ(::stat(PathOf(name).c_str(), &info), 0) << name;
    return info.st_mode & 07777;
  }
  void MakeFifo(const std::string& name) const {
    ASSERT_EQ(::mkfifo(PathOf(name).c_str(), 0644), 0) << std::strerror(errno);
  }
  void MakeSocket(const std::string& name) const {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = PathOf(name);
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
#endif

  const std::filesystem::path dir = Path();
};

// Opening a pipe for reading waits for a writer that never comes: should a pipe ever be opened,
// the program ends here instead of freezing the test run until its time-out.
#ifndef _WIN32
class PipeWatchdog {
 public:
  PipeWatchdog() { ::alarm(120); }
  ~PipeWatchdog() { ::alarm(0); }
  PipeWatchdog(const PipeWatchdog&) = delete;
  PipeWatchdog& operator=(const PipeWatchdog&) = delete;
};
#endif

}  // namespace tamarack::test
