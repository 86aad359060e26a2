#include "printfmt/print_format_file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>

#include "files/file_name.h"
#include "printfmt/print_format_model.h"
#include "support/recording_feedback.h"
#include "support/temp_folder.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using test::RecordingFeedback;

class PrintFormatFile : public ::testing::Test {
 protected:
  static std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void Write(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // The name as the window hands it over, in the platform's 8-bit encoding.
  std::string At(const std::string& name) const { return BytesFromPath(dir / name); }
  std::vector<fs::path> Entries() const {
    std::vector<fs::path> all;
    for (const auto& entry : fs::directory_iterator(dir)) all.push_back(entry.path().filename());
    return all;
  }

  test::TempFolder temp;
  const fs::path dir = temp.Path();
  PrintFormatModel model;
  RecordingFeedback ui;
};

TEST_F(PrintFormatFile, SavesTheTwentyFourByteExample) {
  Line(model, 1) = "<G><NL>";
  Line(model, 2) = "<E>";
  SavePrintFormatFile(model, At("GFMT_1.fmt"), ui);
  const std::string expected = "<G><NL>\x0C<E>" + std::string(13, '\x0C');
  EXPECT_EQ(Contents(dir / "GFMT_1.fmt"), expected);
  EXPECT_EQ(expected.size(), 24u);
  EXPECT_EQ(model.backupText, expected);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Entries(), std::vector<fs::path>{"GFMT_1.fmt"});  // no temporary file left
}

TEST_F(PrintFormatFile, EmptyLinesRoundTrip) {
  SavePrintFormatFile(model, At("e.fmt"), ui);
  EXPECT_EQ(Contents(dir / "e.fmt"), std::string(14, '\x0C') + "<E>");
  PrintFormatModel loaded;
  Line(loaded, 3) = "old";
  LoadPrintFormatFile(loaded, At("e.fmt"), ui);
  FormatLines expected;
  expected[14] = "<E>";
  EXPECT_EQ(loaded.format.lines, expected);
  EXPECT_EQ(loaded.backupText, std::string(14, '\x0C') + "<E>");
}

TEST_F(PrintFormatFile, SaveShowsTheStoredLinesAndReplacesTheOldFile) {
  Write(dir / "f.fmt", std::string(200, 'z'));
  Line(model, 1) = "Gross <g><nl>";
  SavePrintFormatFile(model, At("f.fmt"), ui);
  EXPECT_EQ(Line(model, 1), "Gross <G><NL>");
  EXPECT_EQ(Line(model, 15), "<E>");
  EXPECT_EQ(Contents(dir / "f.fmt"), "Gross <G><NL>" + std::string(14, '\x0C') + "<E>");
}

TEST_F(PrintFormatFile, FileWithoutSeparatorsGoesToLineOne) {
  Write(dir / "one.fmt", "abc<NL>def<E>");
  LoadPrintFormatFile(model, At("one.fmt"), ui);
  FormatLines expected;
  expected[0] = "abc<NL>def<E>";
  EXPECT_EQ(model.format.lines, expected);
}

TEST_F(PrintFormatFile, ReadOnlyFileLoads) {
  Write(dir / "ro.fmt", "ro<NL>\x0C<E>");
  fs::permissions(dir / "ro.fmt", fs::perms::owner_read);
  LoadPrintFormatFile(model, At("ro.fmt"), ui);
  EXPECT_EQ(Line(model, 1), "ro<NL>");
  EXPECT_EQ(Line(model, 2), "<E>");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PrintFormatFile, MissingNameLoadsEmptyAndCreatesNothing) {
  Line(model, 1) = "old";
  model.backupText = "old";
  LoadPrintFormatFile(model, At("none.fmt"), ui);
  EXPECT_EQ(model.format.lines, FormatLines{});
  EXPECT_EQ(model.backupText, "");
  EXPECT_TRUE(Entries().empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PrintFormatFile, UnreadableNameKeepsTheLines) {
  Line(model, 1) = "keep";
  LoadPrintFormatFile(model, BytesFromPath(dir), ui);  // a folder
  EXPECT_EQ(Line(model, 1), "keep");
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Open Print Format File Error!"});
}

#ifndef _WIN32
// A named pipe once froze both Load File and Save File, waiting for a peer that never came.
TEST_F(PrintFormatFile, PipesAndDevicesAreRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo((dir / "pipe.fmt").c_str(), 0644), 0);
  Line(model, 1) = "keep";
  LoadPrintFormatFile(model, At("pipe.fmt"), ui);
  LoadPrintFormatFile(model, "/dev/zero", ui);
  SavePrintFormatFile(model, At("pipe.fmt"), ui);
  EXPECT_EQ(Line(model, 1), "keep");
  EXPECT_EQ(model.backupText, "");
  EXPECT_EQ(ui.Texts(), std::vector<std::string>(3, std::string(kPrintFormatFileErrorText)));
  EXPECT_TRUE(fs::is_fifo(dir / "pipe.fmt"));
  EXPECT_EQ(Entries(), std::vector<fs::path>{"pipe.fmt"});
}
#endif

TEST_F(PrintFormatFile, OnlyTheFirst299BytesOfALongFileAreUsed) {
  std::string bytes(290, 'a');
  bytes +=
      "\x0C"
      "bcdefghijklmnop";
  Write(dir / "long.fmt", bytes);
  LoadPrintFormatFile(model, At("long.fmt"), ui);
  EXPECT_EQ(Line(model, 1), std::string(290, 'a'));
  EXPECT_EQ(Line(model, 2), "bcdefghi");
  EXPECT_EQ(model.backupText.size(), 299u);
}

TEST(PrintFormatContent, ALongContentIsCutAsALongFileIs) {
  PrintFormatModel model;
  model.armedTag = PrintTag{};
  Line(model, 3) = "old";
  LoadPrintFormatContent(model, std::string(290, 'a') + "\x0C" + std::string(20, 'b'));
  EXPECT_FALSE(model.armedTag);
  EXPECT_EQ(Line(model, 2), std::string(8, 'b'));
  EXPECT_EQ(Line(model, 3), "");
  EXPECT_EQ(model.backupText.size(), 299u);
}

TEST_F(PrintFormatFile, ZeroByteEndsTheBackupButNotTheLines) {
  Write(dir / "z.fmt", std::string("a\0b\x0C"
                                   "c",
                                   5));
  LoadPrintFormatFile(model, At("z.fmt"), ui);
  EXPECT_EQ(Line(model, 1), "a");
  EXPECT_EQ(Line(model, 2), "c");
  EXPECT_EQ(model.backupText, "a");
}

TEST_F(PrintFormatFile, RefusedSaveLeavesTheOldFileAndCreatesNone) {
  Write(dir / "old.fmt", "old content");
  Line(model, 1) = std::string(300, 'A');
  SavePrintFormatFile(model, At("old.fmt"), ui);
  SavePrintFormatFile(model, At("new.fmt"), ui);
  EXPECT_EQ(Contents(dir / "old.fmt"), "old content");
  EXPECT_EQ(Entries(), std::vector<fs::path>{"old.fmt"});
  EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"The Number of Characters Must Less Than 250!",
                                                  "The Number of Characters Must Less Than 250!"}));
  EXPECT_EQ(model.backupText, "");
}

#ifndef _WIN32
TEST_F(PrintFormatFile, UnwritableTargetsAreReportedAndLeftAlone) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  Write(dir / "ro.fmt", "read only");
  fs::permissions(dir / "ro.fmt", fs::perms::owner_read);
  SavePrintFormatFile(model, At("ro.fmt"), ui);
  EXPECT_EQ(Contents(dir / "ro.fmt"), "read only");

  fs::create_directory(dir / "locked");
  fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  SavePrintFormatFile(model, At("locked/x.fmt"), ui);
  EXPECT_FALSE(fs::exists(dir / "locked" / "x.fmt"));

  EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Open Print Format File Error!",
                                                  "Open Print Format File Error!"}));
  EXPECT_EQ(model.format.lines, FormatLines{});  // not refreshed by a failed save
}

TEST_F(PrintFormatFile, SaveThroughALinkReplacesItsTarget) {
  Write(dir / "real.fmt", "x");
  fs::create_symlink(dir / "real.fmt", dir / "link.fmt");
  SavePrintFormatFile(model, At("link.fmt"), ui);
  EXPECT_TRUE(fs::is_symlink(dir / "link.fmt"));
  EXPECT_EQ(Contents(dir / "real.fmt"), std::string(14, '\x0C') + "<E>");
}
#endif

// Once saved under the name's other reading on Windows ("GrÃ¶ÃŸe.fmt"), and reported as saved.
TEST_F(PrintFormatFile, ANameBeyondAsciiIsSavedAndLoadedUnderThatName) {
  const std::u8string name = u8"Gr\u00F6\u00DFe \u00E9t\u00E9.fmt";
  const std::string bytes = BytesFromPath(dir / name);
  ASSERT_FALSE(bytes.empty());
  Line(model, 1) = "first";
  SavePrintFormatFile(model, bytes, ui);
  EXPECT_EQ(Entries(), std::vector<fs::path>{fs::path(name)});
  EXPECT_EQ(Contents(dir / name), "first" + std::string(14, '\x0C') + "<E>");
  PrintFormatModel loaded;
  LoadPrintFormatFile(loaded, bytes, ui);
  EXPECT_EQ(Line(loaded, 1), "first");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PrintFormatFile, BackupRestoresALongStoredTextWhole) {
  Line(model, 1) = std::string(250, 'A');
  SavePrintFormatFile(model, At("long.fmt"), ui);
  ASSERT_EQ(model.backupText.size(), 267u);
  const FormatLines saved = model.format.lines;
  EXPECT_EQ(saved[14], "<E>");
  AllClear(model);
  RestoreBackup(model);
  EXPECT_EQ(model.format.lines, saved);
}

}  // namespace
}  // namespace tamarack
