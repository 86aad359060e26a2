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

namespace tamarack {

MainWindowParts AppWindows() {
  MainWindowParts parts;
  parts.windows = {
      // The print format window gets the data bits, 7 or 8.
      {"Print Format", "Go to Print Format Setup Window",
       [](const WorkWindowContext& c) {
         CPrintFormatDlg dlg(c.link, c.services, c.opened.settings.dataBits, &c.main);
         c.services.runWindow(dlg);
       }},
      // The open port's name and line settings go into the history and the service record.
      {"Parameter Setup", "Go to Parameter Setup Window",
       [](const WorkWindowContext& c) {
         CSetupDlg::Options options;
         options.line = c.opened;
         CSetupDlg dlg(c.link, c.services, std::move(options), &c.main);
         c.services.runWindow(dlg);
       }},
      // The live window's Trend button shows the main window's Weight Trend window.
      {"Indicator", "Go to Indicator Window",
       [](const WorkWindowContext& c) {
         CIndicatorDlg dlg(c.link, c.services, &c.main);
         dlg.SetTrendOpener([&main = c.main] { main.OnTrend(); });
         c.services.runWindow(dlg);
       }},
      {"Count Setup", "Go to Count Setup Window",
       [](const WorkWindowContext& c) {
         CCountSetupDlg dlg(c.link, c.services, &c.main);
         c.services.runWindow(dlg);
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
