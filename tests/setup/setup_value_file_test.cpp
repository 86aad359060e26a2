#include "setup/setup_value_file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/recording_feedback.h"
#include "support/temp_folder.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using test::RecordingFeedback;

SetupModel Opening() {
  return OpeningModel("07-12-2026", "09:30:45");
}

std::string NewValue(const SetupModel& model, std::string_view displayNumber) {
  return model.newValue[static_cast<std::size_t>(NewValueSlot(*FindParam(displayNumber)))];
}

int Choice(const SetupModel& model, std::string_view displayNumber) {
  return model.choice[RowIndex(*FindParam(displayNumber))];
}

// The current-value column after a complete read.
SetupModel AfterRead() {
  SetupModel model = Opening();
  const std::vector<std::string> texts{
      "010000",   "1 (0.5D)",   "0 (1.9%FS)", "0 (1D)",      "2 (FS+9D)", "1 (15Hz)", "1",
      "2",        "2",          "1 (4OUT)",   "3 (1OD)",     "0 (Yes)",   "1 (kg)",   "1 (88888.8)",
      "2 (d=5)",  "0 (888888)", "0 (D=1)",    "0 (250ms)",   "001000",    "000500",   "020000",
      "3 (9600)", "0 (8NONE)",  "1 (comm)",   "0 (General)", "0 (NTEP)",  "000100",   "010000",
      "000007",   "000123",     "V1.2",       "07-12-26",    "09:30:45"};
  std::copy(texts.begin(), texts.end(), model.currentValue.begin());
  return model;
}

constexpr std::string_view kFullRecord =
    "010000,1,0,0,2,1,1,2,2,1,3,0,1,1,2,0,0,0,001000,000500,020000,3,0,1,0,0,000100,010000,"
    "000007,000123";

TEST(SetupValueRecord, HoldsNumbersWholeAndChoicesByTheirCode) {
  EXPECT_EQ(SetupValueRecord(AfterRead()), kFullRecord);
}

TEST(SetupValueRecord, AnEmptyLastFieldEndsInTwoCommas) {
  SetupModel model = AfterRead();
  model.currentValue[RowIndex(*FindParam("F7.2"))].clear();
  model.currentValue[RowIndex(*FindParam("F1.2"))].clear();
  const std::string record = SetupValueRecord(model);
  EXPECT_EQ(record.substr(record.size() - 9), ",000007,,");
  EXPECT_EQ(record.substr(0, 9), "010000,,0");
  EXPECT_EQ(SetupValueRecord(Opening()), std::string(30, ','));
}

struct LoadCase {
  const char* what;
  std::string record;
  std::vector<std::pair<const char*, std::string>> numbers;  // unnamed Number fields: ""
  std::vector<std::pair<const char*, int>> choices;          // unnamed Choice fields: -1
};

class ApplyRecord : public testing::TestWithParam<LoadCase> {};

TEST_P(ApplyRecord, ClearsThenAppliesFieldByField) {
  const LoadCase& c = GetParam();
  SetupModel model = Opening();
  model.valueModified = true;
  model.caption = "New Value";
  ApplySetupRecord(c.record, model);
  for (const SetupParam& p : SetupParams().first(kSetupFileFieldCount)) {
    if (p.kind == ParamKind::kNumber) {
      std::string expected;
      for (const auto& [name, text] : c.numbers) {
        if (name == p.displayNumber) expected = text;
      }
      EXPECT_EQ(NewValue(model, p.displayNumber), expected) << p.displayNumber;
    } else {
      int expected = -1;
      for (const auto& [name, code] : c.choices) {
        if (name == p.displayNumber) expected = code;
      }
      EXPECT_EQ(Choice(model, p.displayNumber), expected) << p.displayNumber;
    }
  }
  EXPECT_EQ(model.dateText, "07-12-2026");
  EXPECT_TRUE(model.valueModified);
  EXPECT_EQ(model.caption, "New Value");
}

std::string Fields(std::initializer_list<const char*> fields) {
  std::string record;
  for (const char* f : fields) record += std::string(f) + ",";
  return record;
}

INSTANTIATE_TEST_SUITE_P(
    SetupValueFile, ApplyRecord,
    testing::Values(
        LoadCase{"no comma fills F1.1 whatever its length",
                 std::string(200, '7'),
                 {{"F1.1", std::string(200, '7')}},
                 {}},
        LoadCase{"short record", "123,2,1", {{"F1.1", "123"}}, {{"F1.2", 2}, {"F1.3", 1}}},
        LoadCase{
            "trailing comma leaves the rest cleared", "123,2,", {{"F1.1", "123"}}, {{"F1.2", 2}}},
        LoadCase{"empty and long fields skipped", ",3,1234567,1", {}, {{"F1.2", 3}, {"F1.4", 1}}},
        LoadCase{"code beyond the list selects nothing",
                 "5,9,1,6",
                 {{"F1.1", "5"}},
                 {{"F1.3", 1}, {"F1.4", 6}}},
        LoadCase{"negative code selects nothing",
                 "5,-1,+1,  2x",
                 {{"F1.1", "5"}},
                 {{"F1.3", 1}, {"F1.4", 2}}},
        LoadCase{"no leading number is code 0", "5,x", {{"F1.1", "5"}}, {{"F1.2", 0}}},
        LoadCase{"F6.2 and F6.3",
                 Fields({"1", "1", "0", "0", "2", "1", "1", "2", "2", "1", "2", "0", "1",    "1",
                         "0", "0", "0", "0", "",  "",  "",  "3", "0", "1", "0", "0", "10000"}) +
                     "500",
                 {{"F1.1", "1"}, {"F6.2", "10000"}, {"F6.3", "500"}},
                 {{"F1.2", 1}, {"F1.3", 0}, {"F1.4", 0},  {"F1.5", 2},  {"F1.6", 1},  {"F1.7", 1},
                  {"F1.8", 2}, {"F1.9", 2}, {"F1.10", 1}, {"F1.11", 2}, {"F1.12", 0}, {"F2.1", 1},
                  {"F2.2", 1}, {"F2.3", 0}, {"F2.4", 0},  {"F2.5", 0},  {"F2.6", 0},  {"F4.1", 3},
                  {"F4.2", 0}, {"F4.3", 1}, {"F5.1", 0},  {"F6.1", 0}}},
        LoadCase{
            "31 fields: the last is ignored",
            Fields({"1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1",
                    "1", "1", "1", "2", "3", "4", "1", "1", "1", "1", "1", "5", "6", "7", "8"}) +
                "9",
            {{"F1.1", "1"},
             {"F3.1", "2"},
             {"F3.2", "3"},
             {"F3.3", "4"},
             {"F6.2", "5"},
             {"F6.3", "6"},
             {"F7.1", "7"},
             {"F7.2", "8"}},
            {{"F1.2", 1}, {"F1.3", 1}, {"F1.4", 1},  {"F1.5", 1},  {"F1.6", 1},  {"F1.7", 1},
             {"F1.8", 1}, {"F1.9", 1}, {"F1.10", 1}, {"F1.11", 1}, {"F1.12", 1}, {"F2.1", 1},
             {"F2.2", 1}, {"F2.3", 1}, {"F2.4", 1},  {"F2.5", 1},  {"F2.6", 1},  {"F4.1", 1},
             {"F4.2", 1}, {"F4.3", 1}, {"F5.1", 1},  {"F6.1", 1}}},
        LoadCase{"a zero byte ends the record",
                 std::string("12,1\0,3", 7),
                 {{"F1.1", "12"}},
                 {{"F1.2", 1}}}),
    test::ByWhat());

TEST(SetupValueFile, ASavedRecordLoadsBackIntoTheEditableColumn) {
  SetupModel model = AfterRead();
  model.currentValue[RowIndex(*FindParam("F7.2"))].clear();
  SetupModel loaded = Opening();
  ApplySetupRecord(SetupValueRecord(model), loaded);
  for (const SetupParam& p : SetupParams().first(kSetupFileFieldCount)) {
    const std::string& current = model.currentValue[RowIndex(p)];
    if (p.kind == ParamKind::kNumber) {
      EXPECT_EQ(NewValue(loaded, p.displayNumber), current);
    } else {
      EXPECT_EQ(Choice(loaded, p.displayNumber), current[0] - '0') << p.displayNumber;
    }
  }
}

TEST(SetupValueFile, ContentLoadsWithinTheCapOrIsRefusedWithItsMessage) {
  struct Row {
    const char* name;
    std::string content;
    bool changed;
  };
  const Row rows[] = {
      {"empty", "", false},
      {"a record", std::string(kFullRecord), true},
      {"at the cap", std::string(kMaxSetupFileSize, ','), true},
      {"one past the cap", std::string(kMaxSetupFileSize + 1, ','), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetupModel model = Opening();
    model.newValue[0] = "typed";
    RecordingFeedback ui;
    EXPECT_EQ(LoadSetupContent(row.content, model, ui), row.changed);
    EXPECT_EQ(model.newValue[0] == "typed", !row.changed);
    const bool refused = row.content.size() > kMaxSetupFileSize;
    EXPECT_EQ(ui.Texts(), refused ? std::vector<std::string>{std::string(kSetupFileError)}
                                  : std::vector<std::string>{});
  }
}

// A scratch folder per test, removed afterwards.
class SetupFileOnDisk : public testing::Test {
 protected:
  std::string PathOf(const char* name) const { return (folder / name).string(); }
  void Put(const char* name, const std::string& bytes) const {
    std::ofstream(folder / name, std::ios::binary) << bytes;
  }
  std::string Get(const char* name) const {
    std::ifstream in(folder / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempFolder temp;
  const fs::path folder = temp.Path();
  RecordingFeedback ui;
};

TEST_F(SetupFileOnDisk, SaveWritesOnlyTheRecordOverALongerFile) {
  Put("a.stx", std::string(250, 'x'));
  EXPECT_TRUE(SaveSetupFile(PathOf("a.stx"), AfterRead(), ui));
  EXPECT_EQ(Get("a.stx"), kFullRecord);
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.stx"});
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SetupFileOnDisk, LoadAppliesAReadOnlyFileAndChangesNothingOnDisk) {
  Put("a.stx", std::string(kFullRecord));
  fs::permissions(PathOf("a.stx"), fs::perms::owner_read);
  const auto written = fs::last_write_time(PathOf("a.stx"));
  SetupModel model = Opening();
  EXPECT_TRUE(LoadSetupFile(PathOf("a.stx"), model, ui));
  EXPECT_EQ(NewValue(model, "F3.3"), "020000");
  EXPECT_EQ(Choice(model, "F1.11"), 3);
  EXPECT_EQ(Get("a.stx"), kFullRecord);
  EXPECT_EQ(fs::last_write_time(PathOf("a.stx")), written);
#ifdef _WIN32
  // Windows keeps no more than the read-only attribute.
  EXPECT_EQ(fs::status(PathOf("a.stx")).permissions() & fs::perms::owner_write, fs::perms::none);
#else
  EXPECT_EQ(fs::status(PathOf("a.stx")).permissions() & fs::perms::all, fs::perms::owner_read);
#endif
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.stx"});
  EXPECT_TRUE(ui.messages.empty());
  // Windows removes no read-only file.
  fs::permissions(PathOf("a.stx"), fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(SetupFileOnDisk, MissingOrEmptyFileChangesNothingAndCreatesNothing) {
  Put("empty.stx", "");
  for (const char* name : {"missing.stx", "empty.stx"}) {
    SetupModel model = Opening();
    model.newValue[0] = "typed";
    EXPECT_FALSE(LoadSetupFile(PathOf(name), model, ui)) << name;
    EXPECT_EQ(model.newValue[0], "typed");
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"empty.stx"});
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SetupFileOnDisk, WhatIsNoSetupValueFileIsRefusedUntouched) {
  Put("299.stx", std::string(299, ','));
  Put("300.stx", std::string(300, ','));
  Put("big.stx", std::string(10 * 1024 * 1024, '1'));
  fs::create_directory(folder / "folder.stx");
  SetupModel model = Opening();
  EXPECT_TRUE(LoadSetupFile(PathOf("299.stx"), model, ui));
  EXPECT_TRUE(ui.messages.empty());
  for (const char* name : {"300.stx", "big.stx", "folder.stx"}) {
    model = Opening();
    model.newValue[0] = "typed";
    EXPECT_FALSE(LoadSetupFile(PathOf(name), model, ui)) << name;
    EXPECT_EQ(model.newValue[0], "typed");
  }
  EXPECT_EQ(ui.Texts(), std::vector<std::string>(3, std::string(kSetupFileError)));
  EXPECT_EQ(fs::file_size(PathOf("big.stx")), 10u * 1024 * 1024);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"299.stx", "300.stx", "big.stx", "folder.stx"}));
}

// Pipes, devices, file size limits and symbolic links: POSIX only.
#ifndef _WIN32
TEST_F(SetupFileOnDisk, PipesAndDevicesAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(PathOf("pipe.stx").c_str(), 0644), 0);
  SetupModel model = Opening();
  model.newValue[0] = "typed";
  EXPECT_FALSE(LoadSetupFile(PathOf("pipe.stx"), model, ui));
  EXPECT_FALSE(LoadSetupFile("/dev/zero", model, ui));
  EXPECT_FALSE(SaveSetupFile(PathOf("pipe.stx"), AfterRead(), ui));
  EXPECT_EQ(model.newValue[0], "typed");
  EXPECT_EQ(ui.Texts(), std::vector<std::string>(3, std::string(kSetupFileError)));
  EXPECT_TRUE(fs::is_fifo(folder / "pipe.stx"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"pipe.stx"});
}

TEST_F(SetupFileOnDisk, AFailedSaveLeavesTheOldFileAndNoLitter) {
  Put("old.stx", "old record");
  // A file size limit below the record's length makes every write fail, even for root.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit tight = saved;
  tight.rlim_cur = 8;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
  const bool savedOld = SaveSetupFile(PathOf("old.stx"), AfterRead(), ui);
  const bool savedNew = SaveSetupFile(PathOf("new.stx"), AfterRead(), ui);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_FALSE(savedOld);
  EXPECT_FALSE(savedNew);
  EXPECT_EQ(Get("old.stx"), "old record");
  EXPECT_EQ(Entries(), std::vector<std::string>{"old.stx"});
  EXPECT_EQ(ui.Texts(), std::vector<std::string>(2, std::string(kSetupFileError)));
}
#endif

TEST_F(SetupFileOnDisk, SaveRefusesWhatItCannotReplace) {
  fs::create_directory(folder / "folder.stx");
  EXPECT_FALSE(SaveSetupFile(PathOf("folder.stx"), AfterRead(), ui));
  EXPECT_FALSE(SaveSetupFile(PathOf("no/such/folder.stx"), AfterRead(), ui));
  EXPECT_TRUE(fs::is_directory(folder / "folder.stx"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"folder.stx"});
  EXPECT_EQ(ui.messages.size(), 2u);
}

#ifndef _WIN32
TEST_F(SetupFileOnDisk, SaveKeepsTheFileModeAndFollowsALink) {
  Put("target.stx", "old");
  fs::permissions(PathOf("target.stx"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(folder / "target.stx", folder / "link.stx");
  EXPECT_TRUE(SaveSetupFile(PathOf("link.stx"), AfterRead(), ui));
  EXPECT_TRUE(fs::is_symlink(folder / "link.stx"));
  EXPECT_EQ(Get("target.stx"), kFullRecord);
  EXPECT_EQ(fs::status(PathOf("target.stx")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

}  // namespace
}  // namespace tamarack
