// The one place where the working windows are plugged into the main window. Each window's folder
// adds its include and its SetOpener line here, and its Qt library to the program's link line in
// src/app/CMakeLists.txt. An opener runs its window modally over `parent` while the port is open:
//
//   main.SetOpener(WorkWindow::kIndicator,
//                  [](QWidget* parent, SerialLink& port, UserFeedback& ui, int /*dataBits*/) {
//                    CIndicatorDlg dlg(port, ui, parent);
//                    dlg.exec();
//                  });

#include "app/app_windows.h"

#include "app/main_dialog.h"
#include "count/count_setup_dialog.h"
#include "indicator/indicator_dialog.h"
#include "printfmt/print_format_dialog.h"
#include "setup/setup_dialog.h"
#include "sim/pty_transport.h"
#include "sim/sim_scale_window.h"
#include "sim/simulator.h"

namespace tamarack {
namespace {

// The built-in simulated indicator, made at its first use and kept until the program ends. A
// 25 kg load lies on its scale, so that ZERO, TARE, GR/NET and UNITS show what they do.
sim::Simulator& BuiltInSimulator() {
  static sim::Simulator simulator;
  static const bool loaded = [] {
    simulator.With([](sim::SimulatedIndicator& m) { m.SetLoad(25.0); });
    return true;
  }();
  (void)loaded;
  return simulator;
}

}  // namespace

void WireWindows(CMainDlg& main) {
  // "Print Format": the print format window (gets the data bits, 7 or 8).
  main.SetOpener(WorkWindow::kPrintFormat,
                 [](QWidget* parent, SerialLink& port, UserFeedback& ui, int dataBits) {
                   CPrintFormatDlg dlg(port, ui, dataBits, parent);
                   dlg.exec();
                 });

  // "Parameter Setup": the parameter setup window.
  // The port's name and line settings go into the history and the service record.
  main.SetOpener(WorkWindow::kParameterSetup,
                 [&main](QWidget* parent, SerialLink& port, UserFeedback& ui, int /*dataBits*/) {
                   const PortSettings& line = main.Port().Settings();
                   CSetupDlg::Options options;
                   options.line = {line.port, LineSettingsText(line.baud, line.dataBits,
                                                               line.parity, line.stopBits)};
                   CSetupDlg dlg(port, ui, std::move(options), parent);
                   dlg.exec();
                 });

  // "Indicator": the live indicator window.
  main.SetOpener(WorkWindow::kIndicator,
                 [&main](QWidget* parent, SerialLink& port, UserFeedback& ui, int /*dataBits*/) {
                   CIndicatorDlg dlg(port, ui, parent);
                   dlg.SetTrendOpener([&main] { main.OnTrend(); });
                   dlg.exec();
                 });

  // "Count Setup": the count setup window.
  main.SetOpener(WorkWindow::kCountSetup,
                 [](QWidget* parent, SerialLink& port, UserFeedback& ui, int /*dataBits*/) {
                   CCountSetupDlg dlg(port, ui, parent);
                   dlg.exec();
                 });

  // "Simulator" in the Comm list: starts the simulated indicator and names its device.
  // It is started at the first use, served by its own thread on a pseudo-terminal with the wire
  // timing of 9600 baud 8N1, and runs until the program ends.
  main.SetSimulatorStarter([]() -> std::optional<std::string> {
    static sim::PtyTransport transport(BuiltInSimulator(), [] {
      sim::PtyTransport::Options options;
      options.pacing = true;
      return options;
    }());
    static const bool started = transport.Start(nullptr);
    if (!started) return std::nullopt;
    return transport.DevicePath();
  });

  // "Simulated Scale": the tool window over the same simulated indicator.
  main.SetSimulatedScaleMaker([]() -> QWidget* { return new CSimScaleWindow(BuiltInSimulator()); });
}

}  // namespace tamarack
