// The one place where the working windows are plugged into the main window. Each window's folder
// adds its include and its SetOpener line here, and its Qt library to TAMARACK_WINDOW_LIBS in
// src/app/CMakeLists.txt. An opener runs its window modally over `parent` while the port is open:
//
//   main.SetOpener(WorkWindow::kIndicator,
//                  [](QWidget* parent, SerialLink& port, UserFeedback& ui, int /*dataBits*/) {
//                    CIndicatorDlg dlg(port, ui, parent);
//                    dlg.exec();
//                  });

#include "app/app_windows.h"

#include "app/main_dialog.h"
#include "indicator/indicator_dialog.h"
#include "count/count_setup_dialog.h"
#include "printfmt/print_format_dialog.h"
#include "setup/setup_dialog.h"

namespace tamarack {

void WireWindows(CMainDlg& main) {
  // "Print Format": the print format window (gets the data bits, 7 or 8).
  main.SetOpener(WorkWindow::kPrintFormat,
                 [](QWidget* parent, SerialLink& port, UserFeedback& ui, int dataBits) {
                   CPrintFormatDlg dlg(port, ui, dataBits, parent);
                   dlg.exec();
                 });

  // "Parameter Setup": the parameter setup window.
  main.SetOpener(WorkWindow::kParameterSetup,
                 [](QWidget* parent, SerialLink& port, UserFeedback& ui, int /*dataBits*/) {
                   CSetupDlg dlg(port, ui, parent);
                   dlg.exec();
                 });

  // "Indicator": the live indicator window.
  main.SetOpener(WorkWindow::kIndicator,
                 [](QWidget* parent, SerialLink& port, UserFeedback& ui, int /*dataBits*/) {
                   CIndicatorDlg dlg(port, ui, parent);
                   dlg.exec();
                 });

  // "Count Setup": the count setup window.
  main.SetOpener(WorkWindow::kCountSetup,
                 [](QWidget* parent, SerialLink& port, UserFeedback& ui, int /*dataBits*/) {
                   CCountSetupDlg dlg(port, ui, parent);
                   dlg.exec();
                 });

  // "Simulator" in the Comm list: starts the simulated indicator and names its device.

  (void)main;
}

}  // namespace tamarack
