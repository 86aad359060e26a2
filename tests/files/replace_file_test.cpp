#include "files/replace_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "file_test_dir.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class ReplaceFileTest : public test::FileTestDir {};

unsigned NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

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
  EXPECT_EQ(ModeOf("f"), NewFileMode());
}

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

TEST_F(ReplaceFileTest, RefusesWhatItCannotReplaceAndLeavesEverythingAsItWas) {
  const test::PipeWatchdog watchdog;
  Put("plain", "kept");
  fs::create_directory(dir / "folder");
  MakeFifo("pipe");
  fs::create_symlink("folder", dir / "link-to-folder");
  struct Case {
    std::string path;
    FileError error;
  };
  const Case cases[] = {
      {PathOf("folder"), FileError::kNotRegular},
      {PathOf("link-to-folder"), FileError::kNotRegular},
      {PathOf("pipe"), FileError::kNotRegular},
      {PathOf("no/such/folder"), FileError::kSystem},
      {PathOf("plain/below"), FileError::kSystem},
      {PathOf("folder/"), FileError::kNoName},
      {"", FileError::kNoName},
  };
  const Names before = Entries();
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceFile(c.path, "new").error, c.error) << c.path;
  }
  EXPECT_EQ(Entries(), before);
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  EXPECT_EQ(Get("plain"), "kept");
}

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
