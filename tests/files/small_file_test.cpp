#include "files/small_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "file_test_dir.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

class ReadSmallFileTest : public test::FileTestDir {};

// Every byte value, zeros included, so that nothing is read as text.
std::string Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

TEST_F(ReadSmallFileTest, ReadsUpToTheCapAndRefusesOrCutsWhatIsLonger) {
  struct Case {
    const char* name;
    std::size_t size;
    std::size_t cap;
    IfLonger ifLonger;
    FileError error;
    std::size_t got;
  };
  const Case cases[] = {
      {"empty", 0, 10, IfLonger::kFail, FileError::kNone, 0},
      {"exactly the cap", 10, 10, IfLonger::kFail, FileError::kNone, 10},
      {"one byte over", 11, 10, IfLonger::kFail, FileError::kTooLarge, 0},
      {"one byte over, cut", 11, 10, IfLonger::kCut, FileError::kNone, 10},
      {"far over", 1 << 20, 299, IfLonger::kFail, FileError::kTooLarge, 0},
      {"far over, cut", 1 << 20, 299, IfLonger::kCut, FileError::kNone, 299},
      {"under the chunk size, cut", 5000, 4097, IfLonger::kCut, FileError::kNone, 4097},
  };
  for (const Case& c : cases) {
    Put("f", Bytes(c.size));
    const SmallFile file = ReadSmallFile(PathOf("f"), c.cap, IfMissing::kFail, c.ifLonger);
    EXPECT_EQ(file.result.error, c.error) << c.name;
    EXPECT_EQ(file.bytes, Bytes(c.got)) << c.name;
    EXPECT_EQ(Get("f"), Bytes(c.size)) << c.name;
  }
}

TEST_F(ReadSmallFileTest, AMissingFileReadsEmptyOnlyWhenAskedAndIsNeverCreated) {
  Put("plain", "x");
  for (const std::string& path :
       {PathOf("none"), PathOf("no/such/folder"), PathOf("plain/below"), std::string()}) {
    const SmallFile refused = ReadSmallFile(path, 10);
    EXPECT_EQ(refused.result.error, FileError::kMissing) << path;
    EXPECT_NE(refused.result.systemError, 0) << path;
    const SmallFile empty = ReadSmallFile(path, 10, IfMissing::kReadEmpty);
    EXPECT_TRUE(empty.result.ok()) << path;
    EXPECT_EQ(empty.bytes, "") << path;
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"plain"});
}

TEST_F(ReadSmallFileTest, ReadsANameBeyondAscii) {
  const std::string name = "\xC3\x85ngstr\xC3\xB6m.fmt";
  const fs::path path = dir / fs::path(std::u8string(name.begin(), name.end()));
  std::ofstream(path, std::ios::binary) << "bytes";
  const SmallFile file = ReadSmallFile(BytesFromPath(path), 100);
  EXPECT_TRUE(file.result.ok());
  EXPECT_EQ(file.bytes, "bytes");
}

TEST_F(ReadSmallFileTest, RefusesWhatIsNoRegularFileWithoutWaitingOnIt) {
  fs::create_directory(dir / "folder");
  std::vector<std::string> paths = {PathOf("folder")};
#ifndef _WIN32
  const test::PipeWatchdog watchdog;
  MakeFifo("pipe");
  MakeSocket("socket");
  fs::create_symlink(dir / "pipe", dir / "link-to-pipe");
  for (const char* name : {"pipe", "socket", "link-to-pipe"}) paths.push_back(PathOf(name));
  paths.push_back("/dev/null");
#endif
  for (const std::string& path : paths) {
    for (const IfLonger ifLonger : {IfLonger::kFail, IfLonger::kCut}) {
      const SmallFile file = ReadSmallFile(path, 1000, IfMissing::kReadEmpty, ifLonger);
      EXPECT_EQ(file.result.error, FileError::kNotRegular) << path;
    }
  }
#ifndef _WIN32
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
#endif
}

#ifndef _WIN32
// Files the system makes up as they are read report a size of 0: only reading tells their length.
TEST_F(ReadSmallFileTest, AFileThatReportsNoSizeIsStillReadToItsEndAndCapped) {
  const std::string path = "/proc/self/status";
  const SmallFile whole = ReadSmallFile(path, 1 << 16);
  ASSERT_TRUE(whole.result.ok());
  EXPECT_NE(whole.bytes.find("Name:"), std::string::npos);
  EXPECT_EQ(ReadSmallFile(path, 10).result.error, FileError::kTooLarge);
  EXPECT_EQ(ReadSmallFile(path, 10, IfMissing::kFail, IfLonger::kCut).bytes.size(), 10u);
}
#endif

}  // namespace
}  // namespace tamarack
