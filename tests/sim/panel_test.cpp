#include <gtest/gtest.h>

#include "link/commands.h"
#include "sim/seven_segment.h"
#include "sim/simulated_indicator.h"
#include "sim_test_util.h"
#include "support/test_names.h"

namespace tamarack::sim {
namespace {

SimulatedIndicator MakeModel() {
  SimulatedIndicator::Options options;
  options.clock = [] { return test::kFixedNow; };
  options.localTime = false;
  return SimulatedIndicator(options);
}

void Press(SimulatedIndicator& m, std::string_view code) {
  const Frame request = KeyRequest(code);
  const Frame payload(request.begin() + 3, request.end() - 2);
  ASSERT_EQ(m.Handle(RequestKind::kKey, payload).payload, "OK");
}

struct DisplayCase {
  const char* what;
  int point;     // F2.2
  int division;  // F2.3
  double kg;
  bool units;  // UNITS pressed once: the assistant unit (lb, F2.4 = 0)
  const char* shown;
};

class DisplayTest : public testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayTest, ShowsTheWeightWithPointAndDivision) {
  const DisplayCase& c = GetParam();
  SimulatedIndicator m = MakeModel();
  m.SetValue("F2.2", "0" + std::to_string(c.point));
  m.SetValue("F2.3", "0" + std::to_string(c.division));
  m.SetLoad(c.kg);
  if (c.units) Press(m, key::kUnits);
  EXPECT_EQ(m.DisplayText(), c.shown);
  // The reply carries exactly those digits.
  const std::string reply = m.DisplayReply();
  ASSERT_EQ(reply.size(), 9u);
  const auto digits = SegmentDigits(c.shown);
  ASSERT_TRUE(digits);
  EXPECT_EQ(reply.substr(0, 6), std::string(digits->begin(), digits->end()));
  EXPECT_EQ((reply[7] & 0x0C) == 0x08, c.units) << "lb lamp";
}

INSTANTIATE_TEST_SUITE_P(
    Weights, DisplayTest,
    testing::Values(DisplayCase{"empty scale", 1, 0, 0, false, "    0.0"},
                    DisplayCase{"one decimal", 1, 0, 12.34, false, "   12.3"},
                    DisplayCase{"two decimals", 2, 0, 12.34, false, "  12.34"},
                    DisplayCase{"four decimals", 4, 0, 1.23456, false, " 1.2346"},
                    DisplayCase{"no point", 0, 0, 12.6, false, "    13"},
                    DisplayCase{"last digit fixed", 5, 0, 1234, false, "  1230"},
                    DisplayCase{"division 2", 1, 1, 12.34, false, "   12.4"},
                    DisplayCase{"division 5", 1, 2, 12.34, false, "   12.5"},
                    DisplayCase{"negative", 1, 0, -0.5, false, "   -0.5"},
                    DisplayCase{"largest", 1, 0, 99999.9, false, "99999.9"},
                    DisplayCase{"overload", 1, 0, 100000, false, "------"},
                    DisplayCase{"negative overload", 1, 0, -10000, false, "------"},
                    DisplayCase{"pounds", 1, 0, 10, true, "    22"}),
    test::ByWhat());

TEST(PanelTest, KeysActAsOnTheIndicator) {
  SimulatedIndicator m = MakeModel();
  m.SetLoad(0.3);
  Press(m, key::kZero);
  EXPECT_EQ(m.DisplayText(), "    0.0");
  EXPECT_TRUE(m.DisplayReply()[8] & 0x20) << "zero lamp";

  m.SetLoad(10.3);  // 10 kg in the bowl
  Press(m, key::kTare);
  EXPECT_TRUE(m.NetMode());
  EXPECT_EQ(m.DisplayText(), "    0.0");
  EXPECT_EQ(m.DisplayReply()[8] & 0x1C, 0x18) << "net and tare lamps";

  m.SetLoad(15.3);
  EXPECT_EQ(m.DisplayText(), "    5.0");
  Press(m, key::kGrossNet);
  EXPECT_EQ(m.DisplayText(), "   15.0");
  EXPECT_EQ(m.DisplayReply()[8] & 0x1C, 0x14) << "gross and tare lamps";
  Press(m, key::kGrossNet);
  EXPECT_EQ(m.DisplayText(), "    5.0");
  Press(m, key::kZero);  // no zeroing in net mode
  EXPECT_EQ(m.DisplayText(), "    5.0");

  // Nothing is tared or printed while the scale moves; the key is still acknowledged.
  m.SetMotion(true);
  Press(m, key::kTare);
  Press(m, key::kPrint);
  EXPECT_TRUE(m.Tickets().empty());
  EXPECT_EQ(m.DisplayReply()[7] & 0x01, 0) << "stable lamp";
  m.SetMotion(false);

  // TARE on an empty scale clears the tare.
  m.SetLoad(0.3);
  Press(m, key::kTare);
  EXPECT_FALSE(m.NetMode());
  EXPECT_EQ(m.TareKg(), 0);
  EXPECT_EQ(m.DisplayReply()[8] & 0x10, 0);
}

TEST(PanelTest, PrintRecordsATicketAndCountsOn) {
  SimulatedIndicator m = MakeModel();
  m.SetPrintFormat('N', "No.<CN><SP2><D> <I><NL><g><G> T<T> N<N><NL2>x<E>ignored");
  m.SetValue("F7.1", "000041");
  m.SetLoad(2);
  Press(m, key::kTare);
  m.SetLoad(7.5);
  Press(m, key::kPrint);
  Press(m, key::kPrint);
  ASSERT_EQ(m.Tickets().size(), 2u);
  EXPECT_EQ(m.Tickets()[0], "No.000041  07-12-26 09:30:45\n<g>7.5 kg T2.0 kg N5.5 kg\n\nx");
  EXPECT_TRUE(m.Tickets()[1].starts_with("No.000042"));
  EXPECT_EQ(m.Value("F7.1"), "000043");
  // The gross format in gross mode.
  Press(m, key::kGrossNet);
  Press(m, key::kPrint);
  EXPECT_EQ(m.Tickets()[2], "7.5 kg\n");
}

TEST(PanelTest, PeakModeHoldsTheHighestGross) {
  SimulatedIndicator m = MakeModel();
  m.SetValue("F5.1", "01");
  for (double kg : {5.0, 8.0, 3.0}) m.SetLoad(kg);
  EXPECT_EQ(m.DisplayText(), "    8.0");
  EXPECT_EQ(m.DisplayReply()[8] & 0x03, 0x01) << "peak lamp";
  Press(m, key::kZero);
  EXPECT_EQ(m.DisplayText(), "    0.0");
}

TEST(PanelTest, StatusBytesNeverReadAsTheClosingByte) {
  SimulatedIndicator m = MakeModel();
  // Stable and Set together are bits 0 and 1 of byte 7: 03 without the marker bit.
  m.SetLoad(20);
  m.SetEditDigit(3);
  std::string reply = m.DisplayReply();
  EXPECT_EQ(static_cast<std::uint8_t>(reply[6]), 0x43);
  EXPECT_EQ(static_cast<std::uint8_t>(reply[7]), 0x47);
  m.SetEditDigit(2);
  m.SetShiftFlags(1);
  reply = m.DisplayReply();
  EXPECT_EQ(static_cast<std::uint8_t>(reply[6]), 0x52);
  m.SetEditDigit(-1);
  m.SetShiftFlags(3);
  EXPECT_EQ(static_cast<std::uint8_t>(m.DisplayReply()[6]), 0x77);
  for (double kg : {0.0, 0.05, 1.0, 20.0, -3.0, 123456.0}) {
    m.SetLoad(kg);
    for (char c : m.DisplayReply()) EXPECT_NE(c, '\x03');
  }
}

}  // namespace
}  // namespace tamarack::sim
