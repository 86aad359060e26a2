#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include "link/commands.h"
#include "sim_test_util.h"
#include "support/quick_sim.h"
#include "support/test_names.h"

namespace tamarack::sim {
namespace {

struct SettingCase {
  const char* what;
  const char* text;
  bool ok;
  FaultKind fault;
  std::optional<RequestKind> request;
  int count;
};

class FaultSettingTest : public testing::TestWithParam<SettingCase> {};

TEST_P(FaultSettingTest, Parses) {
  const SettingCase& c = GetParam();
  const auto setting = ParseFaultSetting(c.text);
  ASSERT_EQ(setting.has_value(), c.ok);
  if (!c.ok) return;
  EXPECT_EQ(setting->fault, c.fault);
  EXPECT_EQ(setting->request, c.request);
  EXPECT_EQ(setting->count, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, FaultSettingTest,
    testing::Values(
        SettingCase{"next reply", "silence", true, FaultKind::kSilence, std::nullopt, 1},
        SettingCase{"next three", "late:3", true, FaultKind::kLate, std::nullopt, 3},
        SettingCase{"for good", "refuse@write-all", true, FaultKind::kRefuse,
                    RequestKind::kWriteAll, FaultPlan::kForever},
        SettingCase{"kind twice", "bad-check@poll:2", true, FaultKind::kBadCheck,
                    RequestKind::kPoll, 2},
        SettingCase{"unknown fault", "explode", false, FaultKind::kSilence, std::nullopt, 0},
        SettingCase{"unknown request", "silence@coffee", false, FaultKind::kSilence, std::nullopt,
                    0},
        SettingCase{"zero count", "silence:0", false, FaultKind::kSilence, std::nullopt, 0},
        SettingCase{"bad count", "silence:x", false, FaultKind::kSilence, std::nullopt, 0}),
    test::ByWhat());

TEST(SimOptionsTest, ParsesTheCommandLine) {
  const std::vector<std::string_view> args = {
      "--link", "/tmp/x",    "--baud", "2400",    "--data",   "7",      "--parity",
      "odd",    "--stop",    "2",      "--pace",  "--caj",    "off",    "--load",
      "12.5",   "--step-ms", "0",      "--fault", "late@key", "--trace"};
  std::string error;
  const auto options = ParseSimOptions(args, &error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->transport.linkPath, "/tmp/x");
  EXPECT_EQ(options->transport.line.BitsPerByte(), 1 + 7 + 1 + 2);
  EXPECT_EQ(options->transport.line.ByteTime(), std::chrono::nanoseconds(4583333));
  EXPECT_TRUE(options->transport.pacing);
  EXPECT_FALSE(options->cajOn);
  EXPECT_EQ(options->loadKg, 12.5);
  EXPECT_EQ(options->stepMs, 0);
  EXPECT_TRUE(options->trace);
  ASSERT_EQ(options->faults.size(), 1u);
  EXPECT_EQ(options->faults[0].request, RequestKind::kKey);

  for (const std::vector<std::string_view>& bad : {std::vector<std::string_view>{"--baud", "1200"},
                                                   {"--data", "9"},
                                                   {"--parity", "mark"},
                                                   {"--link"},
                                                   {"--step-ms", "6000"},
                                                   {"--whatever", "1"},
                                                   {"--load", "heavy"}}) {
    EXPECT_FALSE(ParseSimOptions(bad, &error)) << bad[0];
  }
}

TEST(SimOptionsTest, ConsoleCommandsReachTheIndicator) {
  Simulator sim(test::FixedClockSim());
  RunConsoleCommand(sim, "load 12.5");
  RunConsoleCommand(sim, "motion on");
  EXPECT_EQ(sim.With([](SimulatedIndicator& m) { return m.DisplayText(); }), "   12.5");
  EXPECT_EQ(sim.With([](SimulatedIndicator& m) { return m.DisplayReply()[7] & 1; }), 0);
  RunConsoleCommand(sim, "fault refuse@key");
  EXPECT_EQ(sim.Feed(KeyRequest(key::kZero)), ShortFrame("NO"));
  RunConsoleCommand(sim, "clear");
  EXPECT_EQ(sim.Feed(KeyRequest(key::kZero)), ShortFrame("OK"));
  RunConsoleCommand(sim, "caj off");
  EXPECT_EQ(RunConsoleCommand(sim, "tickets"), "no tickets");
  EXPECT_NE(RunConsoleCommand(sim, "frobnicate").find("unknown command"), std::string::npos);
}

TEST(SimOptionsTest, TakesTheScalesErrorsAndDynamics) {
  std::string error;
  const std::vector<std::string_view> args = {"--sim-errors", "span=+0.03%,fl=+0.05%,noise=0.3",
                                              "--dynamics"};
  const auto options = ParseSimOptions(args, &error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(ScaleErrorsText(options->errors), "span=+0.03%,fl=+0.05%,noise=0.3");
  EXPECT_TRUE(options->dynamics);
  EXPECT_FALSE(ParseSimOptions({}, &error)->dynamics) << "off unless asked for";

  // Every bad item is named before the program starts.
  const std::vector<std::string_view> bad = {"--sim-errors", "span=x,hyst"};
  EXPECT_FALSE(ParseSimOptions(bad, &error));
  EXPECT_EQ(error,
            "--sim-errors: \"span=x\": \"x\" is not a number; \"hyst\": give a value, as in "
            "hyst=1");
  EXPECT_NE(SimUsage().find("--sim-errors LIST"), std::string_view::npos);
  EXPECT_NE(SimUsage().find("vibration=E"), std::string_view::npos);
}

TEST(SimOptionsTest, ConsoleSetsErrorsPositionAndDynamics) {
  Simulator sim(test::FixedClockSim());
  const auto shown = [&] {
    return sim.With([](SimulatedIndicator& m) { return m.DisplayText(); });
  };
  RunConsoleCommand(sim, "load 200");
  EXPECT_EQ(RunConsoleCommand(sim, "errors fl=+0.05%, span=+0.05%"),
            "errors span=+0.05%,fl=+0.05%");
  EXPECT_EQ(shown(), "  200.1");
  EXPECT_EQ(RunConsoleCommand(sim, "position front left"), "load at the front left");
  EXPECT_EQ(shown(), "  200.2");
  EXPECT_EQ(RunConsoleCommand(sim, "errors span=oops"),
            "errors not changed: \"span=oops\": \"oops\" is not a number");
  EXPECT_EQ(shown(), "  200.2");
  EXPECT_EQ(RunConsoleCommand(sim, "errors none"), "errors none (the ideal scale)");
  EXPECT_EQ(shown(), "  200.0");
  EXPECT_NE(RunConsoleCommand(sim, "position middle").find("unknown command"), std::string::npos);
  EXPECT_EQ(RunConsoleCommand(sim, "dynamics on"), "dynamics on");
  EXPECT_TRUE(sim.Snapshot().dynamics);
  EXPECT_EQ(sim.Snapshot().position, Position::kFrontLeft);
}

}  // namespace
}  // namespace tamarack::sim
