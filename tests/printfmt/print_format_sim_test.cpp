// The print format transfers against the simulated indicator, through the real serial port on a
// pseudo-terminal: what goes over the line, what the indicator keeps and what comes back.

#include <gtest/gtest.h>

#include "link/commands.h"
#include "printfmt/print_format_model.h"
#include "support/sim_port.h"

namespace tamarack {
namespace {

using test::RecordingFeedback;
using Kind = RecordingFeedback::Kind;

class PrintFormatSim : public test::SimPortTest {
 protected:
  PrintFormatSim() { ui.realWaits = true; }

  PrintFormatModel model;
};

TEST_F(PrintFormatSim, SendsGrossNewLineFrame) {
  Line(model, 1) = "<G><NL>";
  SendPrintFormat(model, port, ui);
  EXPECT_EQ(Requests(), (std::vector<Frame>{{0x01, 0x31, 0x02, 0x46, 0x0B, 0x47, 0x3C, 0x47, 0x3E,
                                             0x3C, 0x4E, 0x4C, 0x3E, 0x3C, 0x45, 0x3E, 0x75}}));
  EXPECT_EQ(sim.With([](auto& m) { return m.PrintFormat('G'); }), "<G><NL><E>");
  EXPECT_EQ(
      ui.messages,
      (std::vector<RecordingFeedback::Message>{{Kind::kSuccess, "Print Format Send Sucess!"}}));
}

TEST_F(PrintFormatSim, SendsTheEmptyFormat) {
  SendPrintFormat(model, port, ui);
  EXPECT_EQ(Requests(),
            (std::vector<Frame>{{0x01, 0x31, 0x02, 0x46, 0x04, 0x47, 0x3C, 0x45, 0x3E, 0x30}}));
  EXPECT_EQ(sim.With([](auto& m) { return m.PrintFormat('G'); }), "<E>");
  EXPECT_EQ(Line(model, 15), "<E>");
}

TEST_F(PrintFormatSim, NetFormatGoesOutAndComesBackWithoutTouchingTheBackup) {
  SelectMode(model, FormatMode::NFMT);
  Line(model, 1) = "<g><nl>";
  Line(model, 2) = "Tare <t><nl2>";
  Line(model, 3) = "<n><NL>";
  SendPrintFormat(model, port, ui);
  EXPECT_EQ(sim.With([](auto& m) { return m.PrintFormat('N'); }), "<G><NL>Tare <T><NL2><N><NL><E>");
  const std::string backup = model.backupText;

  AllClear(model);
  ReadPrintFormat(model, port, ui);
  const auto requests = Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1], ReadFormatRequest('B'));
  EXPECT_EQ(Line(model, 1), "<G><NL>");
  EXPECT_EQ(Line(model, 2), "Tare <T><NL2>");
  EXPECT_EQ(Line(model, 3), "<N><NL>");
  EXPECT_EQ(Line(model, 4), "<E>");
  EXPECT_EQ(model.backupText, backup);

  AllClear(model);
  RestoreBackup(model);
  EXPECT_EQ(Line(model, 2), "Tare <T><NL2>");
  EXPECT_EQ(Line(model, 15), "<E>");
}

TEST_F(PrintFormatSim, RefusedOrSpoiltSendIsAFailureButRefreshesTheBackup) {
  for (sim::FaultKind fault : {sim::FaultKind::kRefuse, sim::FaultKind::kBadCheck}) {
    ui.messages.clear();
    model.backupText.clear();
    Line(model, 1) = "<g>";
    sim.InjectNext(fault);
    SendPrintFormat(model, port, ui);
    EXPECT_EQ(ui.messages.back().text, "Print Format Send False!");
    EXPECT_EQ(ui.messages.back().kind, Kind::kFailure);
    EXPECT_EQ(model.backupText, "<G>" + std::string(14, '\x0C') + "<E>");
  }
}

TEST_F(PrintFormatSim, SilentIndicatorLeavesTheLines) {
  Line(model, 1) = "mine<NL>";
  sim.InjectNext(sim::FaultKind::kSilence);
  ReadPrintFormat(model, port, ui);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Read from Indicator False!"});
  EXPECT_EQ(Line(model, 1), "mine<NL>");
}

}  // namespace
}  // namespace tamarack
