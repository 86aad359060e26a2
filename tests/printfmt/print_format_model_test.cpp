#include "printfmt/print_format_model.h"

#include <gtest/gtest.h>

#include <functional>

#include "link/commands.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

using test::FakeLink;
using test::RecordingFeedback;
using Kind = RecordingFeedback::Kind;

class PrintFormatHandlers : public ::testing::Test {
 protected:
  void Fill() {
    for (int n = 1; n <= kFormatLineCount; ++n) Line(model, n) = "L" + std::to_string(n);
  }
  std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

  PrintFormatModel model;
  FakeLink link;
  RecordingFeedback ui;
};

TEST_F(PrintFormatHandlers, InsertInRowOneLosesLineFifteen) {
  Fill();
  InsertLine(model, 1);
  EXPECT_EQ(Line(model, 1), "");
  EXPECT_EQ(Line(model, 2), "L1");
  EXPECT_EQ(Line(model, 15), "L14");
}

TEST_F(PrintFormatHandlers, DeleteInRowOneEmptiesLineFifteen) {
  Fill();
  DeleteLine(model, 1);
  EXPECT_EQ(Line(model, 1), "L2");
  EXPECT_EQ(Line(model, 14), "L15");
  EXPECT_EQ(Line(model, 15), "");
}

TEST_F(PrintFormatHandlers, EveryButtonDropsTheArmedTag) {
  const std::vector<std::function<void()>> buttons = {[&] { ClearLine(model, 3); },
                                                      [&] { InsertLine(model, 3); },
                                                      [&] { DeleteLine(model, 3); },
                                                      [&] { AllClear(model); },
                                                      [&] { RestoreBackup(model); },
                                                      [&] { SelectMode(model, FormatMode::NFMT); },
                                                      [&] { SendPrintFormat(model, link, ui); },
                                                      [&] { ReadPrintFormat(model, link, ui); }};
  for (const auto& press : buttons) {
    ArmTag(model, PrintTag::kNewLine);
    EXPECT_TRUE(LineFocused(model, 5));
    press();
    EXPECT_FALSE(InsertArmedTag(model, 0));
  }
}

TEST_F(PrintFormatHandlers, TagGoesToTheLastFocusedLineAtTheCaret) {
  Line(model, 3) = "ABCDEF<NL>";
  Line(model, 4) = "xyz";
  EXPECT_FALSE(LineFocused(model, 3));  // nothing armed yet
  ArmTag(model, PrintTag::kGross);
  EXPECT_TRUE(LineFocused(model, 4));
  EXPECT_TRUE(LineFocused(model, 3));
  EXPECT_EQ(InsertArmedTag(model, 3), 6);
  EXPECT_EQ(Line(model, 3), "ABC<G>DEF<NL>");
  EXPECT_EQ(Line(model, 4), "xyz");
  EXPECT_FALSE(model.armedTag);
  EXPECT_FALSE(InsertArmedTag(model, 0));  // one insertion per arming
}

TEST_F(PrintFormatHandlers, CaretBeyondTheEndAppendsAndCountTagsStopBeforeTheBracket) {
  Line(model, 5) = "ab";
  ArmTag(model, PrintTag::kSpace);
  LineFocused(model, 5);
  EXPECT_EQ(InsertArmedTag(model, 400), 2 + 3);
  EXPECT_EQ(Line(model, 5), "ab<SP>");
  ArmTag(model, PrintTag::kCountCode);
  LineFocused(model, 5);
  EXPECT_EQ(InsertArmedTag(model, 0), 4);
}

TEST_F(PrintFormatHandlers, LeavingALineCleansItUnlessEmpty) {
  Line(model, 2) = "ABC";
  EXPECT_TRUE(LineLeft(model, 2));
  EXPECT_EQ(Line(model, 2), "ABC<NL>");
  EXPECT_FALSE(LineLeft(model, 2));
  EXPECT_FALSE(LineLeft(model, 7));
  EXPECT_EQ(Line(model, 7), "");
}

TEST_F(PrintFormatHandlers, SendsEmptyFormatAndShowsTheEndTag) {
  link.QueueReply("OK");
  SendPrintFormat(model, link, ui);
  ASSERT_EQ(link.requests.size(), 1u);
  EXPECT_EQ(link.requests[0], (std::vector<std::uint8_t>{0x01, 0x31, 0x02, 0x46, 0x04, 0x47, 0x3C,
                                                         0x45, 0x3E, 0x30}));
  EXPECT_EQ(Line(model, 15), "<E>");
  EXPECT_EQ(model.backupText, std::string(14, '\x0C') + "<E>");
  EXPECT_EQ(ui.waits, (std::vector<RecordingFeedback::Wait>{{1000, ""}}));
}

struct SendReplyCase {
  const char* what;
  std::vector<std::uint8_t> reply;
  bool success;
};

class SendReplies : public PrintFormatHandlers,
                    public ::testing::WithParamInterface<SendReplyCase> {};

TEST_P(SendReplies, OnlyAGoodOkCountsAndTheLinesAreRefreshedAnyway) {
  Line(model, 1) = "<g>";
  link.QueueRaw(GetParam().reply);
  SendPrintFormat(model, link, ui);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, GetParam().success ? Kind::kSuccess : Kind::kFailure);
  EXPECT_EQ(ui.messages[0].text,
            GetParam().success ? "Print Format Send Sucess!" : "Print Format Send False!");
  EXPECT_EQ(Line(model, 1), "<G>");
  EXPECT_EQ(Line(model, 15), "<E>");
  EXPECT_EQ(model.backupText, "<G>" + std::string(14, '\x0C') + "<E>");
}

Frame WithBadCheck(Frame frame) {
  frame.back() ^= 0x01;
  return frame;
}

INSTANTIATE_TEST_SUITE_P(Replies, SendReplies,
                         ::testing::Values(SendReplyCase{"ok", ShortFrame("OK"), true},
                                           SendReplyCase{"ok with more", ShortFrame("OKAY"), true},
                                           SendReplyCase{"refused", ShortFrame("NO"), false},
                                           SendReplyCase{"ok with a bad check",
                                                         WithBadCheck(ShortFrame("OK")), false},
                                           SendReplyCase{"silence", {}, false}),
                         test::ByWhat());

TEST_F(PrintFormatHandlers, SevenDataBitsRefuse127BytesAndSendNothing) {
  model.dataBits = 7;
  Line(model, 1) = std::string(124, 'A');  // + "<E>" = 127 bytes, count 128
  SendPrintFormat(model, link, ui);
  EXPECT_TRUE(link.requests.empty());
  EXPECT_EQ(ui.Texts(),
            std::vector<std::string>{"DateBits=7,Format String Numbers must less then 128!"});
  EXPECT_EQ(Line(model, 1), std::string(124, 'A'));
  EXPECT_EQ(model.backupText, "");

  model.dataBits = 8;
  link.QueueReply("OK");
  SendPrintFormat(model, link, ui);
  EXPECT_EQ(link.requests.size(), 1u);
}

TEST_F(PrintFormatHandlers, RefusedJoinSendsNothing) {
  Line(model, 1) = std::string(300, 'A');
  SendPrintFormat(model, link, ui);
  EXPECT_TRUE(link.requests.empty());
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"The Number of Characters Must Less Than 250!"});
}

TEST_F(PrintFormatHandlers, TextTooLongForTheCountByteIsNeverFramed) {
  model.dataBits = 5;  // sets no limit of its own
  Line(model, 1) = std::string(260, 'A');
  SendPrintFormat(model, link, ui);
  EXPECT_TRUE(link.requests.empty());
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(PrintFormatHandlers, ReadFillsTheLinesAndKeepsTheBackup) {
  model.backupText = "sent";
  SelectMode(model, FormatMode::NFMT);
  link.QueueReply("<G><NL><N><NL2><E>");
  ReadPrintFormat(model, link, ui);
  ASSERT_EQ(link.requests.size(), 1u);
  EXPECT_EQ(link.requests[0],
            (std::vector<std::uint8_t>{0x01, 0x31, 0x02, 0x41, 0x42, 0x03, 0x30}));
  EXPECT_EQ(Line(model, 1), "<G><NL>");
  EXPECT_EQ(Line(model, 2), "<N><NL2>");
  EXPECT_EQ(Line(model, 3), "<E>");
  EXPECT_EQ(model.backupText, "sent");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.waits, (std::vector<RecordingFeedback::Wait>{{100, ""}}));
}

TEST_F(PrintFormatHandlers, FailedReadLeavesTheLines) {
  Fill();
  link.QueueRaw(WithBadCheck(ShortFrame("<G><NL>")));
  ReadPrintFormat(model, link, ui);
  EXPECT_EQ(link.requests[0], ReadFormatRequest('A'));
  EXPECT_EQ(Line(model, 1), "L1");
  EXPECT_EQ(
      ui.messages,
      (std::vector<RecordingFeedback::Message>{{Kind::kFailure, "Read from Indicator False!"}}));
}

TEST_F(PrintFormatHandlers, EmptyReadEmptiesTheLines) {
  Fill();
  link.QueueReply("");
  ReadPrintFormat(model, link, ui);
  EXPECT_EQ(model.format.lines, FormatLines{});
}

TEST_F(PrintFormatHandlers, BackupRestoresTheSentLinesNotTheRead) {
  RestoreBackup(model);  // nothing sent yet: nothing changes
  EXPECT_EQ(model.format.lines, FormatLines{});
  Line(model, 1) = "<g><nl>";
  Line(model, 2) = "Net <N><NL>";
  link.QueueReply("OK");
  SendPrintFormat(model, link, ui);
  const FormatLines sent = model.format.lines;
  EXPECT_EQ(sent[0], "<G><NL>");

  AllClear(model);
  link.QueueReply("other<NL>");
  ReadPrintFormat(model, link, ui);
  EXPECT_EQ(Line(model, 1), "other<NL>");
  AllClear(model);
  RestoreBackup(model);
  EXPECT_EQ(model.format.lines, sent);
}

}  // namespace
}  // namespace tamarack
