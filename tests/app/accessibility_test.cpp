// Every window as a screen reader and a keyboard meet it: each label is announced by the text it
// shows, each tip reaches the accessibility tools as the control's description, and Tab walks the
// controls in reading order (row by row, left to right) and reaches every one that is enabled.

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <map>
#include <memory>

#include "app/app_windows.h"
#include "app/find_dialog.h"
#include "app/main_dialog.h"
#include "app/network_dialog.h"
#include "count/aws_dialog.h"
#include "count/count_setup_dialog.h"
#include "indicator/indicator_dialog.h"
#include "indicator/trend_window.h"
#include "link/tracing_link.h"
#include "printfmt/print_format_dialog.h"
#include "records/history_dialog.h"
#include "records/record_keeper.h"
#include "records/records_window.h"
#include "records/scale_dialog.h"
#include "records/service_record.h"
#include "records/service_record_dialog.h"
#include "records/setup_history.h"
#include "setup/calibration_dialog.h"
#include "setup/password_dialog.h"
#include "setup/setup_dialog.h"
#include "sim/sim_scale_window.h"
#include "sim/simulator.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"
#include "traffic/traffic_window.h"
#include "ui/accessible.h"
#include "ui/tooltip_relay.h"
#include "ui/wait_dialog.h"
#include "ui/window_services.h"
#include "verify/test_scale_dialog.h"

namespace tamarack {

using test::FakeLink;
using test::RecordingFeedback;

namespace {

// What the windows are made with: a silent line, feedback that only records, no indicator.
struct Bench {
  QTemporaryDir dir;
  FakeLink link;
  RecordingFeedback ui;
  WindowServices services{ui};
  TracingLink trace{link};
  sim::Simulator simulator;
  SetupHistory history{dir.filePath("history").toStdString()};
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  SetupSession session{{{"COM2", {}}, "", [] { return std::time_t{1796630400}; }}};
  records::RecordKeeper keeper{{dir.filePath("records").toStdString(), {}, "pc"}};

  // The records with a scale and a visit on it.
  records::RecordKeeper& Records() {
    if (!keeper.Opened()) {
      keeper.Open();
      records::Scale scale;
      scale.site = "Mill 3";
      scale.tag = "Hopper";
      std::string error;
      keeper.Store()->AddScale(scale, keeper.Who(), error);
      records::ReadContent read;
      read.port = "COM2";
      records::Record record = records::MakeRecord(read, keeper.Who(), scale.id);
      keeper.Store()->Add(record, error);
    }
    return keeper;
  }
};

using Maker = std::function<std::unique_ptr<QWidget>(Bench&)>;

const std::map<QString, Maker>& Windows() {
  static const std::map<QString, Maker> windows{
      {"main",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CMainDlg>(b.ui, AppWindows());
       }},
      {"indicator",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CIndicatorDlg>(b.link, b.services);
       }},
      {"setup",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         // Nothing is read, so nothing is kept in the (test mode) history folder.
         return std::make_unique<CSetupDlg>(b.link, b.services);
       }},
      {"calibration",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CCalibrationDlg>(b.link, b.ui);
       }},
      {"print format",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CPrintFormatDlg>(b.link, b.services, 8);
       }},
      {"count setup",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CCountSetupDlg>(b.link, b.services);
       }},
      {"average weight",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CAwsDlg>(b.link, b.ui, "05");
       }},
      {"traffic",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CTrafficWindow>(b.trace, b.ui);
       }},
      {"find",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         FinderLinkFactory none = [](const std::string&, const LineSettings&, std::string& error) {
           error = "no port";
           return std::unique_ptr<SerialLink>();
         };
         return std::make_unique<CFindDlg>(FinderPort{"COM2", "/dev/null"},
                                           std::vector<FinderPort>{{"COM3", "/dev/null"}}, none,
                                           b.ui);
       }},
      {"history",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CHistoryDlg>(b.history, b.model);
       }},
      {"service record",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CServiceRecordDlg>(b.session, b.services);
       }},
      {"simulated scale",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CSimScaleWindow>(b.simulator);
       }},
      {"weight trend",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CTrendWindow>(b.trace, b.ui, [] { return false; });
       }},
      {"network",
       [](Bench& b) -> std::unique_ptr<QWidget> { return std::make_unique<CNetworkDlg>(b.ui); }},
      {"password",
       [](Bench& b) -> std::unique_ptr<QWidget> { return std::make_unique<CPasswordDlg>(b.ui); }},
      {"wait", [](Bench&) -> std::unique_ptr<QWidget> { return std::make_unique<CWaitDlg>(0); }},
      {"test scale",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         test::SimLine scale(b.simulator);
         CTestScaleDlg::Options options;
         options.setupValues = ReadInstrumentValues(scale, b.ui);
         return std::make_unique<CTestScaleDlg>(b.link, b.services, std::move(options));
       }},
      {"records",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         return std::make_unique<CRecordsWindow>(b.Records(), b.services);
       }},
      {"which scale",
       [](Bench& b) -> std::unique_ptr<QWidget> {
         records::ScaleQuestion question;
         question.what = "Read All on COM2";
         question.proposed = b.Records().Store()->FindScale("Mill 3/Hopper");
         return std::make_unique<CScaleDlg>(b.Records(), question, b.ui);
       }},
  };
  return windows;
}

QString Text(QWidget* widget, QAccessible::Text which) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face != nullptr ? face->text(which) : QString("(no interface)");
}

QRect Place(QWidget* widget) {
  return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

// `b` may follow `a` in reading order as laid out: further right on the same line, on a later
// line, or at the top of the next column; never back up to the left, nor left on the same line.
bool ReadsAfter(QWidget* a, QWidget* b) {
  const QRect ra = Place(a), rb = Place(b);
  const bool sameLine = ra.top() < rb.bottom() && rb.top() < ra.bottom();
  if (sameLine) return rb.left() > ra.left();
  const bool upLeft = rb.bottom() < ra.top() && rb.right() < ra.left();
  return !upLeft;
}

QString Describe(QWidget* widget) {
  const QString name = Text(widget, QAccessible::Name);
  const QRect r = Place(widget);
  return QString("%1 \"%2\" at %3,%4")
      .arg(widget->metaObject()->className(), name)
      .arg(r.left())
      .arg(r.top());
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void windows_data() {
    QTest::addColumn<QString>("window");
    for (const auto& [name, make] : Windows()) QTest::newRow(qPrintable(name)) << name;
  }

  void windows() {
    QFETCH(QString, window);
    Bench bench;
    std::unique_ptr<QWidget> w = Windows().at(window)(bench);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));

    // Labels: what they show.
    for (QLabel* label : w->findChildren<QLabel*>()) {
      if (label->text().isEmpty() || !label->isVisibleTo(w.get())) continue;
      QString shown = label->text();
      if (label->buddy() != nullptr) shown.remove('&');
      QCOMPARE(Text(label, QAccessible::Name), shown);
    }

    // Tips: the description, with the line breaks the tip shows.
    if (auto* relay = w->findChild<ToolTipRelay*>()) {
      for (QWidget* control : relay->Controls()) {
        QCOMPARE(Text(control, QAccessible::Description),
                 ToolTipRelay::Displayed(relay->TipOf(control)));
      }
    }

    // Tab: once round from the first control, in reading order, every enabled control reached.
    QList<QWidget*> expected;
    for (QWidget* control : ReadingOrder(w.get())) {
      // Of a set of radio buttons Tab stops at the chosen one; the arrows choose.
      auto* radio = qobject_cast<QRadioButton*>(control);
      if (radio != nullptr && radio->autoExclusive() && !radio->isChecked()) continue;
      if (control->isEnabled()) expected << control;
    }
    if (expected.isEmpty()) return;  // the wait window has nothing to press
    expected.front()->setFocus(Qt::TabFocusReason);
    QList<QWidget*> walked;
    for (int i = 0; i < 1000; ++i) {
      QWidget* now = QApplication::focusWidget();
      QVERIFY(now != nullptr);
      // A date field's Tab goes through its sections before it leaves.
      if (walked.isEmpty() || walked.back() != now) {
        if (!walked.isEmpty() && now == walked.front()) break;
        walked << now;
      }
      QTest::keyClick(now, Qt::Key_Tab);
    }
    for (int i = 1; i < walked.size(); ++i) {
      QVERIFY2(ReadsAfter(walked[i - 1], walked[i]),
               qPrintable(Describe(walked[i - 1]) + " then " + Describe(walked[i])));
    }
    QCOMPARE(QSet<QWidget*>(walked.begin(), walked.end()),
             QSet<QWidget*>(expected.begin(), expected.end()));
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::AccessibilityTest)
#include "accessibility_test.moc"
