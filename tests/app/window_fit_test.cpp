// Every window against the screen the test runs on: it fits within the screen's usable area, and
// every button in it can be reached, at once or by scrolling. Prints each window's size, so that
// run on a display of a given size it measures the windows there.

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/app_windows.h"
#include "app/find_dialog.h"
#include "app/main_dialog.h"
#include "app/network_dialog.h"
#include "count/aws_dialog.h"
#include "count/count_setup_dialog.h"
#include "indicator/indicator_dialog.h"
#include "indicator/trend_window.h"
#include "link/line_finder.h"
#include "link/tracing_link.h"
#include "printfmt/print_format_dialog.h"
#include "records/history_dialog.h"
#include "records/record_keeper.h"
#include "records/records_window.h"
#include "records/scale_dialog.h"
#include "records/service_record_dialog.h"
#include "setup/calibration_dialog.h"
#include "setup/password_dialog.h"
#include "setup/setup_dialog.h"
#include "sim/sim_scale_window.h"
#include "sim/simulator.h"
#include "support/quick_sim.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"
#include "traffic/traffic_window.h"
#include "ui/fit_screen.h"
#include "ui/wait_dialog.h"
#include "verify/test_scale_dialog.h"

namespace tamarack {

using test::RecordingFeedback;

namespace {

// Whether `control` can be seen in `window`: within the window now, or within the scroll area's
// view once it has scrolled to it.
bool Reachable(QWidget& window, QWidget& control) {
  QRect view = window.rect();
  if (QScrollArea* scroll = FitScrollArea(window)) {
    scroll->ensureWidgetVisible(&control, 0, 0);
    view = QRect(scroll->viewport()->mapTo(&window, QPoint(0, 0)), scroll->viewport()->size());
  }
  return view.contains(QRect(control.mapTo(&window, QPoint(0, 0)), control.size()));
}

}  // namespace

class WindowFitTest : public QObject {
  Q_OBJECT

  struct Window {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
  };

  RecordingFeedback ui_;
  sim::Simulator simulator_{test::QuickSim()};
  test::SimLine line_{simulator_};
  TracingLink tracing_{line_};
  SetupSession session_{SetupSession::Options{}};
  SetupHistory history_{""};
  SetupModel model_ = OpeningModel("07-12-2026", "09:30:45");
  QTemporaryDir dir_;
  records::RecordKeeper keeper_{{dir_.filePath("records").toStdString(), {}, "pc"}};

  std::vector<Window> Windows() {
    WindowServices services(ui_);
    CSetupDlg::Options noHistory;
    noHistory.historyFolder = QString();
    noHistory.runTestScale = [](QWidget*, SetupSession&) {};
    const FinderLinkFactory noPort = [](const std::string&, const LineSettings&, std::string&) {
      return std::unique_ptr<SerialLink>();
    };
    return {
        {"Main", [this] { return std::make_unique<CMainDlg>(ui_, AppWindows()); }},
        {"Indicator", [=, this] { return std::make_unique<CIndicatorDlg>(line_, services); }},
        {"Setup", [=, this] { return std::make_unique<CSetupDlg>(line_, services, noHistory); }},
        {"Calibration", [this] { return std::make_unique<CCalibrationDlg>(line_, ui_); }},
        {"Print Format",
         [=, this] { return std::make_unique<CPrintFormatDlg>(line_, services, 8); }},
        {"Count Setup", [=, this] { return std::make_unique<CCountSetupDlg>(line_, services); }},
        {"Average Weight", [this] { return std::make_unique<CAwsDlg>(line_, ui_, "05"); }},
        {"Traffic", [this] { return std::make_unique<CTrafficWindow>(tracing_, ui_); }},
        {"Find",
         [=, this] {
           return std::make_unique<CFindDlg>(FinderPort{"COM2", "/dev/null"},
                                             std::vector<FinderPort>{}, noPort, ui_);
         }},
        {"History", [this] { return std::make_unique<CHistoryDlg>(history_, model_); }},
        {"Service Record",
         [=, this] { return std::make_unique<CServiceRecordDlg>(session_, services); }},
        {"Simulated Scale", [this] { return std::make_unique<CSimScaleWindow>(simulator_); }},
        {"Weight Trend",
         [this] { return std::make_unique<CTrendWindow>(tracing_, ui_, [] { return true; }); }},
        {"Test Scale",
         [=, this] {
           CTestScaleDlg::Options options;
           options.setupValues = ReadInstrumentValues(line_, ui_);
           return std::make_unique<CTestScaleDlg>(line_, services, std::move(options));
         }},
        {"Network", [this] { return std::make_unique<CNetworkDlg>(ui_); }},
        {"Password", [this] { return std::make_unique<CPasswordDlg>(ui_); }},
        {"Wait", [] { return std::make_unique<CWaitDlg>(0); }},
        {"Records", [=, this] { return std::make_unique<CRecordsWindow>(keeper_, services); }},
        {"Which Scale",
         [this] {
           records::ScaleQuestion question;
           question.what = "Read All on COM2";
           question.proposed = keeper_.Store()->FindScale("Mill 3/Hopper");
           return std::make_unique<CScaleDlg>(keeper_, question, ui_);
         }},
    };
  }

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    // Two scales with their visits, so that the lists hold something.
    keeper_.Open();
    for (const char* tag : {"Hopper", "Bagger"}) {
      records::Scale scale;
      scale.site = "Mill 3";
      scale.tag = tag;
      std::string error;
      keeper_.Store()->AddScale(scale, keeper_.Who(), error);
      for (int i = 0; i < 12; ++i) {
        records::Record record =
            records::MakeRecord(records::ReadContent{}, keeper_.Who(), scale.id);
        keeper_.Store()->Add(record, error);
      }
    }
  }

  void everyWindowFitsAndEveryButtonCanBeReached() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // A screen of 1366 x 768 or more shows every window whole, without scrolling.
    const bool roomy = screen.width() >= 1366 && screen.height() >= 768;
    std::printf("screen %dx%d\n", screen.width(), screen.height());
    for (const Window& w : Windows()) {
      std::unique_ptr<QWidget> window = w.make();
      window->show();
      const QSize room = UsableArea(*window).size();
      const bool scrolls = FitScrollArea(*window) != nullptr;
      std::printf("%-16s %4d x %3d%s\n", w.name, window->width(), window->height(),
                  scrolls ? "  (scrolls)" : "");
      QVERIFY2(window->width() <= room.width() && window->height() <= room.height(), w.name);
      // With a panel and a title bar, some 700 pixels are left of 768.
      if (roomy) QVERIFY2(!scrolls && window->height() <= 700, w.name);
      for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(window.get())) continue;
        const QString what =
            QString("%1: %2 (%3)").arg(w.name, button->accessibleName(), button->text());
        QVERIFY2(Reachable(*window, *button), qPrintable(what));
      }
      window->hide();
    }
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::WindowFitTest)
#include "window_fit_test.moc"
