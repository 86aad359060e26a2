#include "link/line_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "support/fake_link.h"

namespace tamarack {
namespace {

// A fake port that counts how many are open, and answers the poll only at one setting.
class Line {
 public:
  LineSettings answersAt{4800, 8, 2, Parity::kNone};
  std::string answeringDevice = "/dev/ttyS1";
  std::vector<std::string> missing;  // devices that cannot be opened
  int open = 0;
  std::vector<std::pair<std::string, LineSettings>> opened;

  FinderLinkFactory Factory() {
    return [this](const std::string& device, const LineSettings& setting,
                  std::string& error) -> std::unique_ptr<SerialLink> {
      if (std::find(missing.begin(), missing.end(), device) != missing.end()) {
        error = "CommPort not Exist!";
        return nullptr;
      }
      opened.emplace_back(device, setting);
      auto link = std::make_unique<CountedLink>(open);
      if (device == answeringDevice && setting == answersAt) link->QueueReply("123456789");
      return link;
    };
  }

 private:
  class CountedLink : public test::FakeLink {
   public:
    explicit CountedLink(int& open) : open_(open) { ++open_; }
    ~CountedLink() override { --open_; }

   private:
    int& open_;
  };
};

TEST(LineFinderOrder, MostCommonFirstThenEveryOtherSettingOnce) {
  const std::vector<LineSettings> order = FinderOrder();
  ASSERT_EQ(order.size(), 36u);
  const std::vector<std::string> expectedStart = {
      "9600 8 1 NOPARITY",   "4800 8 1 NOPARITY",   "2400 8 1 NOPARITY",
      "9600 7 1 EVENPARITY", "4800 7 1 EVENPARITY", "2400 7 1 EVENPARITY",
      "9600 7 1 ODDPARITY",  "4800 7 1 ODDPARITY",  "2400 7 1 ODDPARITY"};
  for (std::size_t i = 0; i < expectedStart.size(); ++i) {
    EXPECT_EQ(order[i].Text(), expectedStart[i]) << i;
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    for (std::size_t j = i + 1; j < order.size(); ++j) EXPECT_NE(order[i], order[j]);
  }
}

TEST(LineFinderTimeouts, FitTheWireTimeAndStayFarBelowTheUsualSecond) {
  const ReadTimeouts fast = FinderTimeouts({9600, 8, 1, Parity::kNone});
  const ReadTimeouts slow = FinderTimeouts({2400, 8, 2, Parity::kEven});
  const ReadTimeouts usual;
  EXPECT_LT(fast.totalBase, slow.totalBase);
  EXPECT_LT(fast.perByte, slow.perByte);
  // A whole poll reply (14 bytes at 12 bits each) fits in the slowest header read.
  EXPECT_GE(slow.totalBase + 3 * slow.perByte, std::chrono::milliseconds(14 * 5));
  // Every try, the slowest included, reads for less than the usual contract allows; what all 36
  // silent tries cost together is bench/traffic_bench's figure.
  EXPECT_LT(slow.totalBase + 3 * slow.perByte, usual.totalBase);
}

TEST(LineFinder, FindsTheSettingThatAnswersAndClosesEveryPort) {
  Line line;
  const FinderPort ports[] = {{"COM2", "/dev/ttyS1"}};
  const FinderResult result = FindIndicator(ports, line.Factory());
  ASSERT_EQ(result.outcome, FinderResult::Outcome::kFound);
  EXPECT_EQ(result.setting, line.answersAt);
  EXPECT_EQ(result.port.name, "COM2");
  EXPECT_EQ(result.tries, 21);  // 9 common settings, 9 more at 9600, then 4800 8 1 E/O, 8 2 N
  EXPECT_EQ(line.open, 0);
  EXPECT_EQ(FoundText(result), "Indicator found on COM2 at 4800 8 2 NOPARITY");
}

TEST(LineFinder, NothingAnswersAfterAllSettings) {
  Line line;
  line.answeringDevice = "elsewhere";
  const FinderPort ports[] = {{"COM2", "/dev/ttyS1"}};
  const FinderResult result = FindIndicator(ports, line.Factory());
  EXPECT_EQ(result.outcome, FinderResult::Outcome::kNotFound);
  EXPECT_EQ(result.tries, 36);
  EXPECT_EQ(line.open, 0);
  EXPECT_EQ(NotFoundText(ports), "No indicator answered on COM2.");
}

TEST(LineFinder, CancelStopsBeforeTheNextTry) {
  Line line;
  line.answeringDevice = "elsewhere";
  const FinderPort ports[] = {{"COM2", "/dev/ttyS1"}};
  std::vector<int> told;
  const FinderResult result = FindIndicator(ports, line.Factory(), [&](const FinderTry& t) {
    told.push_back(t.number);
    EXPECT_EQ(t.total, 36);
    return t.number < 3;
  });
  EXPECT_EQ(result.outcome, FinderResult::Outcome::kCancelled);
  EXPECT_EQ(result.tries, 2);
  EXPECT_EQ(line.opened.size(), 2u);
  EXPECT_EQ(told, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(line.open, 0);
}

TEST(LineFinder, PortThatCannotOpenIsPassedOverForTheNext) {
  Line line;
  line.missing = {"/dev/ttyS0"};
  line.answeringDevice = "/dev/ttyUSB0";
  line.answersAt = {9600, 8, 1, Parity::kNone};
  const FinderPort ports[] = {{"COM1", "/dev/ttyS0"}, {"/dev/ttyUSB0", "/dev/ttyUSB0"}};
  std::vector<int> numbers;
  const FinderResult result = FindIndicator(ports, line.Factory(), [&](const FinderTry& t) {
    numbers.push_back(t.number);
    return true;
  });
  ASSERT_EQ(result.outcome, FinderResult::Outcome::kFound);
  EXPECT_EQ(result.port.name, "/dev/ttyUSB0");
  EXPECT_EQ(result.tries, 1);
  ASSERT_EQ(result.openFailures.size(), 1u);
  EXPECT_EQ(result.openFailures[0].first, "COM1");
  EXPECT_EQ(result.openFailures[0].second, "CommPort not Exist!");
  // The second port's tries are numbered after all of the first port's.
  EXPECT_EQ(numbers, (std::vector<int>{1, 37}));
}

}  // namespace
}  // namespace tamarack
