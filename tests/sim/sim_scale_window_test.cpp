// The Simulated Scale window over a simulator that no thread serves: every change it posts is
// made when the test runs the posted changes, so each step can be checked on its own.

#include "sim/sim_scale_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <map>

#include "link/commands.h"
#include "link/frame.h"
#include "ui/product.h"
#include "ui/tooltip_relay.h"

namespace tamarack {

using sim::SimulatedIndicator;

class SimScaleWindowTest : public QObject {
  Q_OBJECT

  static double Load(sim::Simulator& s) {
    return s.With([](SimulatedIndicator& m) { return m.Load(); });
  }

 private slots:
  void showsTheScaleAsItIs() {
    sim::Simulator s;
    s.With([](SimulatedIndicator& m) {
      m.SetLoad(25);
      m.SetCaj(false);
    });
    CSimScaleWindow dlg(s);
    QCOMPARE(dlg.windowTitle(), QString::fromStdString(WindowTitle("Simulated Scale")));
    QCOMPARE(dlg.LoadField()->value(), 25.0);
    QCOMPARE(dlg.LoadField()->maximum(), 1000.0);
    QCOMPARE(dlg.LoadSlider()->value(), 2500);
    QVERIFY(!dlg.MotionBox()->isChecked());
    QVERIFY(!dlg.CajBox()->isChecked());
    QCOMPARE(dlg.FaultList()->count(), sim::kFaultKindCount);
    QCOMPARE(dlg.FaultList()->item(0)->text(), "silence");
    QCOMPARE(dlg.FaultList()->item(sim::kFaultKindCount - 1)->text(), "hang-up");
    const std::pair<QWidget*, const char*> names[] = {{dlg.LoadField(), "Load (kg)"},
                                                      {dlg.MotionBox(), "Motion"},
                                                      {dlg.CajBox(), "CAJ switch"},
                                                      {dlg.FaultList(), "Faults"},
                                                      {dlg.NextRepliesField(), "Next replies"},
                                                      {dlg.InjectButton(), "Inject"},
                                                      {dlg.TicketsView(), "Printed Tickets"},
                                                      {dlg.ClearButton(), "Clear"}};
    for (const auto& [widget, name] : names) QCOMPARE(widget->accessibleName(), QString(name));
    QVERIFY(dlg.TicketsView()->isReadOnly());
  }

  // The field and the slider move together, and the field takes no load beyond the capacity.
  void loadStaysWithinTheCapacity() {
    sim::Simulator s;
    CSimScaleWindow dlg(s);
    dlg.show();
    QLineEdit* text = dlg.LoadField()->findChild<QLineEdit*>();
    text->selectAll();
    QTest::keyClicks(dlg.LoadField(), "2000");
    s.RunPosted();
    QCOMPARE(dlg.LoadField()->value(), 200.0);  // the last 0 would have made it 2000
    QCOMPARE(Load(s), dlg.LoadField()->value());

    dlg.LoadSlider()->setValue(1234);
    s.RunPosted();
    QCOMPARE(dlg.LoadField()->value(), 12.34);
    QCOMPARE(Load(s), 12.34);

    dlg.LoadField()->setValue(-3);
    s.RunPosted();
    QCOMPARE(Load(s), 0.0);
    QCOMPARE(dlg.LoadSlider()->value(), 0);

    // A smaller scale (F1.1 = 500 graduations of 0.1 kg) takes the load down with it.
    dlg.LoadField()->setValue(80);
    s.With([](SimulatedIndicator& m) { m.SetValue("F1.1", "000500"); });
    dlg.Refresh();
    s.RunPosted();
    QCOMPARE(dlg.LoadField()->maximum(), 50.0);
    QCOMPARE(Load(s), 50.0);
  }

  void switchesReachTheIndicator() {
    sim::Simulator s;
    CSimScaleWindow dlg(s);
    dlg.MotionBox()->click();
    dlg.CajBox()->click();
    s.RunPosted();
    QVERIFY(s.Snapshot().motion);
    QVERIFY(!s.Snapshot().caj);
    // With the scale moving, PRINT prints nothing.
    s.Feed(KeyRequest(key::kPrint));
    QVERIFY(s.Snapshot().tickets.empty());
  }

  // Faults wait in the plan for the next exchange, however long that takes.
  void injectedFaultsWaitForTheNextReplies() {
    sim::Simulator s;
    CSimScaleWindow dlg(s);
    dlg.FaultList()->setCurrentRow(static_cast<int>(sim::FaultKind::kRefuse));
    dlg.NextRepliesField()->setValue(2);
    QTest::mouseClick(dlg.InjectButton(), Qt::LeftButton);
    s.RunPosted();
    dlg.Refresh();
    QVERIFY(dlg.FaultsWaitingLabel()->text().endsWith(": 2"));
    QCOMPARE(s.Feed(KeyRequest(key::kZero)), ShortFrame("NO"));
    QCOMPARE(s.Feed(KeyRequest(key::kZero)), ShortFrame("NO"));
    QCOMPARE(s.Feed(KeyRequest(key::kZero)), ShortFrame("OK"));
    dlg.Refresh();
    QVERIFY(dlg.FaultsWaitingLabel()->text().endsWith(": 0"));
  }

  // The Errors group, the Position choice and the Dynamics switch show the scale as it is and
  // reach it; each is named by its label and has its tip.
  void errorsPositionAndDynamicsReachTheScale() {
    sim::Simulator s;
    s.With([](SimulatedIndicator& m) {
      m.SetErrors(sim::ParseScaleErrors("hyst=1,seed=5").errors);
      m.SetPosition(Position::kBackRight);
    });
    CSimScaleWindow dlg(s);
    const std::vector<QDoubleSpinBox*>& fields = dlg.ErrorFields();
    const std::vector<QString>& names = CSimScaleWindow::ErrorFieldNames();
    QCOMPARE(fields.size(), std::size_t{10});
    auto* tips = dlg.findChild<ToolTipRelay*>();
    QVERIFY(tips != nullptr);
    std::map<QString, QDoubleSpinBox*> byName;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      QCOMPARE(fields[i]->accessibleName(), names[i]);
      QVERIFY(!tips->TipOf(fields[i]).isEmpty());
      byName[names[i]] = fields[i];
    }
    QCOMPARE(byName.at("Hysteresis (e)")->value(), 1.0);
    QCOMPARE(dlg.PositionList()->currentText(), QString("Back right"));
    QCOMPARE(dlg.PositionList()->accessibleName(), QString("Position"));
    QCOMPARE(dlg.DynamicsBox()->accessibleName(), QString("Dynamics"));
    QVERIFY(!tips->TipOf(dlg.PositionList()).isEmpty());
    QVERIFY(!tips->TipOf(dlg.DynamicsBox()).isEmpty());
    QVERIFY(!dlg.DynamicsBox()->isChecked());

    byName.at("Span (%)")->setValue(0.03);
    byName.at("Front left (%)")->setValue(0.05);
    byName.at("Noise (e)")->setValue(-1);  // no negative spread
    dlg.PositionList()->setCurrentIndex(1);
    dlg.DynamicsBox()->click();
    s.RunPosted();
    const sim::SimSnapshot now = s.Snapshot();
    QCOMPARE(QString::fromStdString(sim::ScaleErrorsText(now.errors)),
             QString("span=+0.03%,fl=+0.05%,hyst=+1,seed=5"));
    QCOMPARE(now.position, Position::kFrontLeft);
    QVERIFY(now.dynamics);
  }

  void printedTicketsNewestLastUntilCleared() {
    sim::Simulator s;
    s.With([](SimulatedIndicator& m) { m.SetPrintFormat('G', "No.<CN><NL><E>"); });
    CSimScaleWindow dlg(s);
    s.Feed(KeyRequest(key::kPrint));
    s.Feed(KeyRequest(key::kPrint));
    dlg.Refresh();
    const QString roll = dlg.TicketsView()->toPlainText();
    QVERIFY2(roll.indexOf("No.000000") < roll.indexOf("No.000001") && roll.contains("No.000000"),
             qPrintable(roll));
    QTest::mouseClick(dlg.ClearButton(), Qt::LeftButton);
    s.RunPosted();
    dlg.Refresh();
    QVERIFY(dlg.TicketsView()->toPlainText().isEmpty());
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::SimScaleWindowTest)
#include "sim_scale_window_test.moc"
