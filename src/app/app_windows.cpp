// The working windows of the main window, one row each: its button's caption, its tip and how it
// runs. A new working window is one more row here, with its include, and its Qt library on the
// link line of tamarack_app_windows_qt in src/app/CMakeLists.txt. An opener runs its window over
// the main window while the port is open, through the services every window gets.

#include "app/app_windows.h"

#include "count/count_setup_dialog.h"
#include "indicator/indicator_dialog.h"
#include "printfmt/print_format_dialog.h"
#include "records/records_window.h"
#include "setup/setup_dialog.h"
#include "sim/builtin_simulator.h"
#include "sim/sim_scale_window.h"
#include "verify/test_scale_dialog.h"

namespace tamarack {
namespace {

// The Test Scale window over the open port: its polls wait for the exchanges of the other
// windows (the trend's Watch). `setup` is the setup window's session when the test is run from
// it: the test then joins its service record, and an as-found test there pairs with a later
// as-left one on the certificate.
void RunTestScale(const WorkWindowContext& c, QWidget* parent, SetupSession* setup,
                  std::vector<VerificationResult>& earlier) {
  CTestScaleDlg::Options options;
  options.line = c.opened;
  options.exchangeOpen = [&trace = c.link] { return trace.ExchangeOpen(); };
  options.earlier = earlier;
  if (setup != nullptr) {
    if (setup->LatestRead() && !setup->WrittenSinceLatestRead()) {
      options.setupValues = setup->LatestRead()->values;
    }
    // After an adjustment in this opening, the scale is tested as left.
    const bool adjusted = std::ranges::any_of(setup->Operations(), [](const LoggedOperation& op) {
      return op.entry.outcome == Outcome::kSucceeded && op.entry.kind != OperationKind::kVerify &&
             op.entry.kind != OperationKind::kSave;
    });
    if (adjusted || !earlier.empty()) options.stage = kAsLeft;
    options.onCertificate = [setup](const FinishedCertificate& finished) {
      setup->SetScaleTest(finished.certificate.report);
    };
  }
  CTestScaleDlg dlg(c.link, c.services, std::move(options), parent);
  c.services.runWindow(dlg);
  earlier.insert(earlier.end(), dlg.Finished().begin(), dlg.Finished().end());
}

}  // namespace

MainWindowParts AppWindows() {
  MainWindowParts parts;
  parts.windows = {
      // The print format window gets the data bits, 7 or 8.
      {"Print Format", "Go to Print Format Setup Window",
       [](const WorkWindowContext& c) {
         CPrintFormatDlg dlg(c.link, c.services, c.opened.settings.dataBits, &c.main);
         c.services.runWindow(dlg);
       }},
      // The open port's name and line settings go into the history and the service record; the
      // scale tests of one opening are kept together.
      {"Parameter Setup", "Go to Parameter Setup Window",
       [](const WorkWindowContext& c) {
         CSetupDlg::Options options;
         options.line = c.opened;
         auto tests = std::make_shared<std::vector<VerificationResult>>();
         options.runTestScale = [&c, tests](QWidget* parent, SetupSession& session) {
           RunTestScale(c, parent, &session, *tests);
         };
         CSetupDlg dlg(c.link, c.services, std::move(options), &c.main);
         c.services.runWindow(dlg);
       }},
      // The live window's Trend button shows the main window's Weight Trend window.
      {"Indicator", "Go to Indicator Window",
       [](const WorkWindowContext& c) {
         CIndicatorDlg dlg(
             c.link, c.services, [&main = c.main] { main.OnTrend(); }, &c.main);
         c.services.runWindow(dlg);
       }},
      {"Count Setup", "Go to Count Setup Window",
       [](const WorkWindowContext& c) {
         CCountSetupDlg dlg(c.link, c.services, &c.main);
         c.services.runWindow(dlg);
       }},
      {"Test Scale…",
       "Test the scale with certified weights against the tolerances of its regulation",
       [](const WorkWindowContext& c) {
         std::vector<VerificationResult> none;
         RunTestScale(c, &c.main, nullptr, none);
       }},
  };
  // Over the simulated indicator that "Simulator" opens.
  parts.simulatedScale = []() -> QWidget* {
    return new CSimScaleWindow(sim::ProgramSimulator().Indicator());
  };
  parts.records = [](const WindowServices& services) -> QWidget* {
    return services.records != nullptr ? new CRecordsWindow(*services.records, services) : nullptr;
  };
  return parts;
}

}  // namespace tamarack
