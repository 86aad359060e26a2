#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <optional>

#include "app/app_start.h"
#include "app/app_windows.h"
#include "app/main_dialog.h"
#include "records/record_session.h"
#include "records/scale_dialog.h"
#include "sim/builtin_simulator.h"
#include "ui/product.h"
#include "ui/qt_feedback.h"
#include "ui/text.h"
#include "ui/window_services.h"
#include "verify/finished_certificate.h"
#include "version.h"

namespace tamarack {

// The application: starts the toolkit, runs the main window modally, and ends when it returns.
class CSetupApp : public QApplication {
 public:
  CSetupApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(FromSingleByte(kProductName));
    setDesktopFileName("example.tamarack_scales.Tamarack");
  }

  int Run() {
    // Message boxes belong to the window in front, the main window while no other runs.
    QtFeedback feedback;
    records::RecordKeeper keeper({{}, records::RecordKeeper::DefaultHistoryFolder(), {}});
    WindowServices services(feedback);
    services.records = &keeper;
    // A person watches the program's simulated indicator (in the Weight Trend, the Indicator
    // window): its loads settle as a real scale's do, so that the filters' setting shows.
    sim::ProgramSimulator().Indicator().With(
        [](sim::SimulatedIndicator& m) { m.SetDynamics(true); });
    CMainDlg main(services, AppWindows());
    OpenRecordsWhenShown(main, keeper, feedback);
    // Every finished certificate is kept on the scale the technician names for that test.
    SetCertificateHook([&](const FinishedCertificate& finished) {
      // The test names its technician; one name for the run, whichever window asked first.
      const Certificate& c = finished.certificate;
      if (keeper.Technician().empty() && !c.tests.empty()) {
        keeper.SetTechnician(c.tests.back().setup.details.technician);
      }
      records::KeepCertificate(keeper, feedback,
                               ScaleAskerFor(keeper, feedback, services.runWindow, &main),
                               CertificateRecord(finished));
    });
    // "Exit" ends the window with result 1; for the shell that is a normal end.
    main.exec();
    SetCertificateHook({});  // it holds this run's keeper and window
    return 0;
  }
};

// The program takes no argument but --help and --version. They are answered before the window
// system is started, so that both work without a display; anything else is refused.
// Returns the exit status when the program should end here.
std::optional<int> AnswerCommandLine(int argc, char** argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Sets up an industrial weighing indicator over its serial port: watch and press its front "
      "panel, read and write its setup, calibrate, edit print formats and set up counting. "
      "Without an indicator, choose \"Simulator\" in the Comm list.");
  const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
  parser.addOption(help);
  parser.addOption(version);
  const bool parsed = parser.parse(args);
  // Without the application object Qt cannot know the program's name.
  const QString usage = parser.helpText().replace("<executable_name>", "tamarack");
  if (parsed && parser.isSet(help)) {
    std::fputs(qPrintable(usage), stdout);
    return 0;
  }
  if (parsed && parser.isSet(version)) {
    std::printf("tamarack %s\n", kVersion);
    return 0;
  }
  if (!parsed || !parser.positionalArguments().isEmpty()) {
    const QString error = parsed ? "Unexpected argument: " + parser.positionalArguments().first()
                                 : parser.errorText();
    std::fprintf(stderr, "tamarack: %s\n\n%s", qPrintable(error), qPrintable(usage));
    return 2;
  }
  return std::nullopt;
}

}  // namespace tamarack

int main(int argc, char* argv[]) {
  QCoreApplication::setApplicationName("tamarack");
  if (const auto status = tamarack::AnswerCommandLine(argc, argv)) return *status;
  tamarack::CSetupApp app(argc, argv);
  return app.Run();
}
