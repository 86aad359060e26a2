#include "files/replace_file.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The system's own ReplaceFile, a macro, would stand in for ours.
#undef ReplaceFile
#else
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "file_test_dir.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class ReplaceFileTest : public test::FileTestDir {};

#ifndef _WIN32
unsigned NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}
#endif

TEST_F(ReplaceFileTest, WritesTheBytesWholeAndLeavesNothingBeside) {
  const std::string binary("a\0b\r\n\x0C\xFF", 7);
  struct Case {
    const char* name;
    const char* old;  // nullptr: no file yet
    std::string bytes;
  };
  const Case cases[] = {
      {"new file", nullptr, "fresh"},
      {"longer old file", "0123456789abcdef", "short"},
      {"shorter old file", "x", std::string(5000, 'y')},
      {"emptied", "something", ""},
      {"any byte", "old", binary},
  };
  for (const Case& c : cases) {
    fs::remove(dir / "f");
    if (c.old != nullptr) Put("f", c.old);
    const FileResult result = ReplaceFile(PathOf("f"), c.bytes);
    EXPECT_TRUE(result.ok()) << c.name << ": " << result.systemError;
    EXPECT_EQ(Get("f"), c.bytes) << c.name;
    EXPECT_EQ(Entries(), Names{"f"}) << c.name;
  }
#ifndef _WIN32
  EXPECT_EQ(ModeOf("f"), NewFileMode());
#endif
}

// The name reaches the system as the user spelled it, and the new file replaces that very file.
TEST_F(ReplaceFileTest, NamesBeyondAsciiNameTheSameFile) {
  for (const std::string name : {"Gr\xC3\xB6\xC3\x9F"
                                 "e.stx",
                                 "\xC3\xA9t\xC3\xA9 \xC3\xA0 10 %.fmt"}) {
    const fs::path path = dir / fs::path(std::u8string(name.begin(), name.end()));
    std::ofstream(path, std::ios::binary) << "old";
    const std::string bytes = BytesFromPath(path);
    ASSERT_FALSE(bytes.empty()) << name;
    ASSERT_TRUE(ReplaceFile(bytes, "new").ok()) << name;
    EXPECT_EQ(Slurp(path), "new") << name;
    EXPECT_EQ(Entries(), Names{name});
    fs::remove(path);
  }
}

#ifndef _WIN32
TEST_F(ReplaceFileTest, KeepsTheOldFilesPermissions) {
  for (const unsigned mode : {0600u, 0640u, 0755u, 0604u}) {
    Put("f", "old");
    ASSERT_EQ(::chmod(PathOf("f").c_str(), mode), 0);
    ASSERT_TRUE(ReplaceFile(PathOf("f"), "new").ok());
    EXPECT_EQ(ModeOf("f"), mode) << std::oct << mode;
    EXPECT_EQ(Get("f"), "new");
  }
}

TEST_F(ReplaceFileTest, WritesThroughLinksAndKeepsThem) {
  fs::create_directory(dir / "sub");
  Put("sub/target", "old");
  ASSERT_EQ(::chmod(PathOf("sub/target").c_str(), 0640), 0);
  fs::create_symlink("sub/target", dir / "relative");
  fs::create_symlink(dir / "relative", dir / "chain");
  fs::create_symlink("missing", dir / "sub/dangling");

  ASSERT_TRUE(ReplaceFile(PathOf("relative"), "one").ok());
  EXPECT_EQ(Get("sub/target"), "one");
  ASSERT_TRUE(ReplaceFile(PathOf("chain"), "two").ok());
  EXPECT_EQ(Get("sub/target"), "two");
  EXPECT_EQ(ModeOf("sub/target"), 0640u);
  // A link to a file not made yet makes that file.
  ASSERT_TRUE(ReplaceFile(PathOf("sub/dangling"), "three").ok());
  EXPECT_EQ(Get("sub/missing"), "three");

  for (const char* link : {"relative", "chain", "sub/dangling"}) {
    EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
  }
  EXPECT_EQ(Entries(), (Names{"chain", "relative", "sub"}));
  EXPECT_EQ(fs::directory_entry(dir / "sub/target").is_regular_file(), true);
}
#endif

TEST_F(ReplaceFileTest, RefusesWhatItCannotReplaceAndLeavesEverythingAsItWas) {
  Put("plain", "kept");
  fs::create_directory(dir / "folder");
  struct Case {
    std::string path;
    FileError error;
  };
  std::vector<Case> cases = {
      {PathOf("folder"), FileError::kNotRegular},
      {PathOf("no/such/folder"), FileError::kSystem},
      {PathOf("plain/below"), FileError::kSystem},
      {PathOf("folder/"), FileError::kNoName},
      {"", FileError::kNoName},
  };
#ifdef _WIN32
  cases.push_back({PathOf("folder\\"), FileError::kNoName});
#else
  const test::PipeWatchdog watchdog;
  MakeFifo("pipe");
  fs::create_symlink("folder", dir / "link-to-folder");
  cases.push_back({PathOf("link-to-folder"), FileError::kNotRegular});
  cases.push_back({PathOf("pipe"), FileError::kNotRegular});
#endif
  const Names before = Entries();
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceFile(c.path, "new").error, c.error) << c.path;
  }
  EXPECT_EQ(Entries(), before);
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
  EXPECT_EQ(Get("plain"), "kept");
}

#ifdef _WIN32
// The read-only attribute binds every user, so the refusal is real here whoever runs the test.
TEST_F(ReplaceFileTest, AReadOnlyFileIsRefusedAndLeftAsItWas) {
  Put("f", "old");
  fs::permissions(dir / "f",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const FileResult result = ReplaceFile(PathOf("f"), "new");
  EXPECT_EQ(result.error, FileError::kReadOnly);
  EXPECT_EQ(Get("f"), "old");
  EXPECT_EQ(Entries(), Names{"f"});
  fs::permissions(dir / "f", fs::perms::owner_write, fs::perm_options::add);
}

// A file another program holds open without sharing its deletion cannot be renamed over: the
// failure comes from the last step, after the new file was written in full.
TEST_F(ReplaceFileTest, AFileHeldOpenElsewhereIsLeftAsItWasAndTheNewFileRemoved) {
  Put("f", "old");
  const HANDLE held = ::CreateFileW((dir / "f").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const FileResult result = ReplaceFile(PathOf("f"), "new");
  ::CloseHandle(held);
  EXPECT_EQ(result.error, FileError::kSystem);
  // The system's code comes as the error number the rest of the file layer reports.
  EXPECT_TRUE(result.systemError == EBUSY || result.systemError == EACCES) << result.systemError;
  EXPECT_EQ(Get("f"), "old");
  EXPECT_EQ(Entries(), Names{"f"});
}
#endif

#ifndef _WIN32

// No new file can be made in /proc, not even by root, while its files are there and writable.
TEST_F(ReplaceFileTest, AFileWithNoRoomBesideItIsLeftAsItWas) {
  const std::string path = "/proc/self/comm";
  const std::string before = Slurp(path);
  ASSERT_FALSE(before.empty());
  const FileResult result = ReplaceFile(path, "replaced\n");
  EXPECT_EQ(result.error, FileError::kSystem);
  EXPECT_NE(result.systemError, 0);
  EXPECT_EQ(Slurp(path), before);
  EXPECT_FALSE(ReplaceFile("/proc/tamarack-new-file", "x").ok());
  EXPECT_FALSE(fs::exists("/proc/tamarack-new-file"));
}

// A size limit makes the disk refuse the write part way, whoever runs the test.
TEST_F(ReplaceFileTest, AWriteThatFailsPartWayLeavesTheOldFileAndNoLitter) {
  Put("old", "old content");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit tight = saved;
  tight.rlim_cur = 4;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
  const FileResult overOld = ReplaceFile(PathOf("old"), std::string(100, 'n'));
  const FileResult overNothing = ReplaceFile(PathOf("new"), std::string(100, 'n'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(overOld.error, FileError::kSystem);
  EXPECT_EQ(overOld.systemError, EFBIG);
  EXPECT_EQ(overNothing.systemError, EFBIG);
  EXPECT_EQ(Get("old"), "old content");
  EXPECT_EQ(Entries(), Names{"old"});
}

#endif

TEST_F(ReplaceFileTest, AReplacementDroppedBeforeItsCommitLeavesNoTrace) {
  Put("old", "old content");
  {
    FileReplacement file;
    ASSERT_TRUE(file.Begin(PathOf("old")).ok());
    EXPECT_EQ(Entries().size(), 2u);  // the new file waits beside the old one
  }
  EXPECT_EQ(Entries(), Names{"old"});

  FileReplacement file;
  ASSERT_TRUE(file.Begin(PathOf("other")).ok());
  ASSERT_TRUE(file.Begin(PathOf("old")).ok());  // a second Begin drops the first new file
  ASSERT_TRUE(file.Commit("new content").ok());
  EXPECT_EQ(Get("old"), "new content");
  EXPECT_EQ(Entries(), Names{"old"});
}

}  // namespace
}  // namespace tamarack
