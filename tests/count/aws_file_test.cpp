#include "count/aws_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/temp_folder.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Put(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

class AwsFileTest : public testing::Test {
 protected:
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
  }

  test::TempFolder temp;
  const fs::path dir = temp.Path();
};

TEST(AverageWeightTableTest, RecordsAndOnlyFullTablesAreRead) {
  EXPECT_EQ(AverageWeightRecord("20000000"), "0020000000");
  EXPECT_EQ(AverageWeightRecord(" 20000000.95"), " 20000000.");
  std::string content(1000, '1');
  content.replace(990, 10, "0020000000");
  EXPECT_EQ(AverageWeightTable::FromContent(content).Record(99), "0020000000");
  for (std::size_t size : {0u, 999u, 1001u}) {
    EXPECT_EQ(AverageWeightTable::FromContent(std::string(size, '1')).Record(0), "9999999999");
  }
}

TEST_F(AwsFileTest, SaveIntoShortFileMakesFullTableWithTheOneRecord) {
  const fs::path file = dir / "short.aws";
  Put(file, std::string(999, '1'));
  auto table = ReadAverageWeightFile(file.string());
  ASSERT_TRUE(table);
  table->SetRecord(5, "0020000000");
  ASSERT_TRUE(WriteAverageWeightFile(file.string(), *table));
  std::string expected(1000, '9');
  expected.replace(50, 10, "0020000000");
  EXPECT_EQ(Slurp(file), expected);
  EXPECT_EQ(Entries(), 1u);  // nothing left beside it
}

TEST_F(AwsFileTest, RecordsOfItemsStayApart) {
  const fs::path file = dir / "two.aws";
  for (auto [item, record] : {std::pair{5, "0020000000"}, std::pair{7, "0030000000"}}) {
    auto table = ReadAverageWeightFile(file.string());
    ASSERT_TRUE(table);
    table->SetRecord(item, record);
    ASSERT_TRUE(WriteAverageWeightFile(file.string(), *table));
  }
  const auto table = ReadAverageWeightFile(file.string());
  ASSERT_TRUE(table);
  EXPECT_EQ(table->Record(5), "0020000000");
  EXPECT_EQ(table->Record(7), "0030000000");
  EXPECT_EQ(table->Record(6), "9999999999");
  EXPECT_EQ(Slurp(file).size(), 1000u);
}

TEST_F(AwsFileTest, LoadNeverCreatesOrChangesAFile) {
  const fs::path missing = dir / "new.aws";
  const auto table = ReadAverageWeightFile(missing.string());
  ASSERT_TRUE(table);
  EXPECT_EQ(table->Record(0), "9999999999");
  EXPECT_FALSE(fs::exists(missing));

  const fs::path readOnly = dir / "ro.aws";
  std::string content(1000, '9');
  content.replace(30, 10, "0123456789");
  Put(readOnly, content);
  fs::permissions(readOnly, fs::perms::owner_read);
  const auto loaded = ReadAverageWeightFile(readOnly.string());
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Record(3), "0123456789");
  EXPECT_EQ(Slurp(readOnly), content);
  fs::permissions(readOnly, fs::perms::owner_write,
                  fs::perm_options::add);  // Windows removes no read-only file
}

TEST_F(AwsFileTest, UnreadableNamesAreRefused) {
  EXPECT_FALSE(ReadAverageWeightFile(""));
  EXPECT_FALSE(ReadAverageWeightFile(dir.string()));  // a folder
  EXPECT_FALSE(WriteAverageWeightFile(dir.string(), AverageWeightTable()));
  EXPECT_FALSE(WriteAverageWeightFile("", AverageWeightTable()));
  EXPECT_FALSE(WriteAverageWeightFile((dir / "no" / "such.aws").string(), AverageWeightTable()));
}

// Pipes, devices, permission bits and symbolic links: POSIX only.
#ifndef _WIN32
// A named pipe or a device once froze Average Weight Load (or read as an empty table): it is
// refused before it is opened, and Save leaves it as it is.
TEST_F(AwsFileTest, PipesAndDevicesAreRefusedWithoutWaiting) {
  const fs::path pipe = dir / "pipe.aws";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  for (const fs::path& path : {pipe, fs::path("/dev/zero")}) {
    EXPECT_FALSE(ReadAverageWeightFile(path.string())) << path;
  }
  EXPECT_FALSE(WriteAverageWeightFile(pipe.string(), AverageWeightTable()));
  EXPECT_TRUE(fs::is_fifo(pipe));
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(AwsFileTest, RefusedSaveLeavesTheOldFileAndNoNewOne) {
  const fs::path file = dir / "keep.aws";
  const std::string old(1000, '1');
  Put(file, old);
  if (::geteuid() != 0) {  // the superuser may write anything
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_FALSE(WriteAverageWeightFile(file.string(), AverageWeightTable()));
    EXPECT_EQ(Slurp(file), old);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);

    // A folder that takes no new file: the save fails before the old file is touched.
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteAverageWeightFile(file.string(), AverageWeightTable()));
    EXPECT_FALSE(WriteAverageWeightFile((dir / "fresh.aws").string(), AverageWeightTable()));
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(Slurp(file), old);
    EXPECT_EQ(Entries(), 1u);
  }
}

TEST_F(AwsFileTest, SaveKeepsPermissionsAndWritesThroughALink) {
  const fs::path file = dir / "target.aws";
  const fs::path link = dir / "link.aws";
  Put(file, std::string(1000, '1'));
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(file, link);
  AverageWeightTable table;
  table.SetRecord(0, "0016777216");
  ASSERT_TRUE(WriteAverageWeightFile(link.string(), table));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Slurp(file).substr(0, 20), "00167772169999999999");
  EXPECT_EQ(fs::status(file).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

}  // namespace
}  // namespace tamarack
