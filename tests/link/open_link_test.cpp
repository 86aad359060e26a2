// OpenLink on the names that stand for a simulated indicator: "Simulator" reaches the program's
// one, "sim" one of its own; either way the link names what was opened.

#include "link/open_link.h"

#include <gtest/gtest.h>

#include "link/commands.h"
#include "link/port_names.h"
#include "link/transact.h"
#include "sim/builtin_simulator.h"
#include "support/recording_feedback.h"
#include "support/sim_port.h"

namespace tamarack {
namespace {

std::size_t ProgramSimulatorRequests() {
  std::size_t requests = 0;
  for (const sim::TraceEntry& e : sim::ProgramSimulator().Indicator().Trace()) {
    if (e.direction == sim::TraceEntry::Direction::kRequest) ++requests;
  }
  return requests;
}

TEST(OpenLinkTest, SimulatorNamesOpenASimulatedIndicator) {
  test::EnsureCoreApplication();
  const struct {
    const char* name;
    bool programs;  // reaches the program's one simulated indicator
  } rows[] = {{kSimulatorPort, true}, {kSimPortName, false}, {kSimulatorPort, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    test::RecordingFeedback ui;
    const PortLine line{row.name, {9600, 8, 1, Parity::kNone}};
    std::unique_ptr<PortLink> link = OpenLink(line, ui);
    ASSERT_NE(link, nullptr) << testing::PrintToString(ui.Texts());
    EXPECT_EQ(link->Opened().port, row.name);
    EXPECT_EQ(link->Opened().settings, line.settings);
    const std::size_t before = ProgramSimulatorRequests();
    ReplyArea reply;
    EXPECT_EQ(Transact(*link, ui, DisplayPollRequest(), kPollWaitMs, reply), TransactStatus::kOk);
    EXPECT_EQ(ProgramSimulatorRequests() > before, row.programs);
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST(OpenLinkTest, WhatCannotBeOpenedSaysWhy) {
  test::EnsureCoreApplication();
  for (const char* port : {"/dev/tamarack-no-such-port", "rfc2217://:4001", "Network\u2026"}) {
    SCOPED_TRACE(port);
    test::RecordingFeedback ui;
    EXPECT_EQ(OpenLink({port, {}}, ui), nullptr);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"CommPort not Exist!"});
  }
}

}  // namespace
}  // namespace tamarack
