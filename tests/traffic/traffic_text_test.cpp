#include "traffic/traffic_text.h"

#include <gtest/gtest.h>

#include "link/commands.h"

namespace tamarack {
namespace {

TracedExchange Exchange(std::string meaning, Frame reply, int status = 0) {
  TracedExchange e;
  e.startMs = 1234.56;
  e.durationMs = 21.04;
  e.request = DisplayPollRequest();
  e.reply = std::move(reply);
  e.shape = ShapeOf(e.reply);
  e.status = status;
  e.meaning = std::move(meaning);
  return e;
}

TEST(TrafficText, HexWithPrintableAsciiBeside) {
  EXPECT_EQ(HexAscii(DisplayPollRequest()), "01 31 02 52 03 71  .1.R.q");
  EXPECT_EQ(HexAscii({}), "");
  const Frame bytes = {0x00, 0x7F, 0x80, 0xFF, ' '};
  EXPECT_EQ(HexAscii(bytes), "00 7F 80 FF 20  .... ");
}

TEST(TrafficText, DumpShowsEveryByteSixteenALine) {
  Frame bytes(20, 'A');
  const std::string dump = HexDump(bytes);
  EXPECT_EQ(dump.substr(0, 6), "0000  ");
  EXPECT_NE(dump.find("\n0010  41 41 41 41 "), std::string::npos);
  EXPECT_NE(dump.find("AAAAAAAAAAAAAAAA\n"), std::string::npos);
  EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 2);
}

TEST(TrafficText, SpoiltRepliesAreMarkedInTheirCell) {
  const auto garbage = TrafficCells(Exchange("poll: not a frame", {'x', 'y', 'z'}, 5));
  EXPECT_EQ(garbage[5], "[not a frame] 78 79 7A  xyz");
  Frame tooLong = {0x01, 0x31, 0x02};
  tooLong.resize(3 + kAreaSize, 'x');
  const auto cut = TrafficCells(Exchange("poll: longer than the reply area", tooLong, 5));
  EXPECT_TRUE(cut[5].ends_with("xxx [cut at the reply area]"));
  const auto good = TrafficCells(Exchange("poll: OK", ShortFrame("OK")));
  EXPECT_EQ(good[0], "1234.6");
  EXPECT_EQ(good[2], "0");
  EXPECT_EQ(good[3], "21.0");
  EXPECT_EQ(good[4], "01 31 02 52 03 71  .1.R.q");
  TracedExchange untold = Exchange("x", {}, -1);
  EXPECT_EQ(TrafficCells(untold)[2], "");
}

TEST(TrafficText, TextFileHasAHeaderAndAlignedColumns) {
  const std::vector<TracedExchange> rows = {Exchange("poll: OK", ShortFrame("OK")),
                                            Exchange("poll: no reply", {}, 5)};
  const std::string text = TrafficText(rows);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(text.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].starts_with("Time (ms)  Meaning"));
  // The meaning column starts at the same place on every line.
  EXPECT_EQ(lines[1].find("poll: OK"), lines[0].find("Meaning"));
  EXPECT_EQ(lines[2].find("poll: no reply"), lines[0].find("Meaning"));
  EXPECT_EQ(lines[1].find("01 31 02 52"), lines[0].find("Request"));
}

TEST(TrafficText, CsvQuotesWhatNeedsIt) {
  const std::vector<TracedExchange> rows = {
      Exchange("key save: refused: \"NO\"", ShortFrame("NO,"))};
  const std::string csv = TrafficCsv(rows);
  EXPECT_TRUE(csv.starts_with("Time (ms),Meaning,Status,Duration (ms),Request,Reply\r\n"));
  EXPECT_NE(csv.find(",\"key save: refused: \"\"NO\"\"\",0,"), std::string::npos);
  EXPECT_NE(csv.find(",\"01 31 02 4E 4F 2C 03 "), std::string::npos);
}

}  // namespace
}  // namespace tamarack
