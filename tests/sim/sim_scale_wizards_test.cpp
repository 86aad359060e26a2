// The calibration and average weight wizards run through their windows against the simulated
// indicator on a pseudo-terminal, while the Simulated Scale window, open beside them, changes the
// load on its platform.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "count/aws_dialog.h"
#include "count/count_setup_dialog.h"
#include "setup/calibration_dialog.h"
#include "setup/setup_dialog.h"
#include "sim/sim_scale_window.h"
#include "support/quick_sim.h"
#include "support/sim_port.h"
#include "support/when_modal.h"

namespace tamarack {

using sim::SimulatedIndicator;
using test::RecordingFeedback;
using test::WhenModal;

namespace {

// Clicks `widget` through its top-level window, as the window system delivers a click: a window
// blocked by a modal one does not get it.
void SystemClick(QWidget* widget) {
  QWidget* top = widget->window();
  QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {},
                    widget->mapTo(top, widget->rect().center()));
}

// Types a load into the scale window's field, as a user would.
void TypeLoad(CSimScaleWindow& scale, const char* kg) {
  scale.LoadField()->findChild<QLineEdit*>()->selectAll();
  QTest::keyClicks(scale.LoadField(), kg);
}

}  // namespace

class SimScaleWizardsTest : public QObject {
  Q_OBJECT

  struct Rig {
    sim::Simulator sim{test::QuickSim()};
    sim::PtyTransport transport{sim, {}};
    CommPort port;
    RecordingFeedback ui;
    CSimScaleWindow scale{sim};
    std::string error = test::ServeAndOpen(transport, port, ui);

    Rig() { scale.show(); }
    ~Rig() {
      port.Close();
      transport.Stop();
    }
    std::string Value(std::string_view number) {
      return sim.With([&](SimulatedIndicator& m) { return m.Value(number); });
    }
  };

 private slots:
  void calibrationWithLoadsFromTheScaleWindow() {
    Rig rig;
    QVERIFY2(rig.error.empty(), rig.error.c_str());
    CSetupDlg setup(rig.port, rig.ui);
    setup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setup));
    QPushButton* readAll = setup.Button(SetupButton::kReadAll);

    bool ran = false;
    WhenModal<CCalibrationDlg>(ran, [&](CCalibrationDlg& wizard) {
      QVERIFY(QTest::qWaitForWindowExposed(&wizard));
      // The scale window takes clicks while the wizard runs; the setup window below does not.
      SystemClick(rig.scale.MotionBox());
      QVERIFY(rig.scale.MotionBox()->isChecked());
      const std::size_t before = rig.sim.Trace().size();
      SystemClick(readAll);
      QCOMPARE(rig.sim.Trace().size(), before);

      // A moving scale cannot be zeroed.
      TypeLoad(rig.scale, "0");
      QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
      QCOMPARE(wizard.ActionButton()->text(), "WZERO");
      SystemClick(rig.scale.MotionBox());
      QVERIFY(!rig.scale.MotionBox()->isChecked());

      QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
      QCOMPARE(wizard.ActionButton()->text(), "WVALUE");
      TypeLoad(rig.scale, "100");
      wizard.TestWeightField()->setText("1000");
      QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
      QCOMPARE(wizard.ActionButton()->text(), "WSPAN");
      QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
      QCOMPARE(wizard.ActionButton()->text(), "REZERO");
      rig.scale.LoadSlider()->setValue(0);
      QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
    });
    QTest::mouseClick(setup.Button(SetupButton::kCalibration), Qt::LeftButton);
    QVERIFY(ran);
    QCOMPARE(rig.ui.Texts(), (std::vector<std::string>{"WZERO False!", "Calibration Finished!"}));
    // Zero with the empty platform, span with 100 kg on it (100 A/D counts per kg above 12000).
    QCOMPARE(rig.Value("F3.1"), "012000");
    QCOMPARE(rig.Value("F3.2"), "001000");
    QCOMPARE(rig.Value("F3.3"), "022000");
  }

  void averageWeightOfItemFiveFromASample() {
    Rig rig;
    QVERIFY2(rig.error.empty(), rig.error.c_str());
    CCountSetupDlg count(rig.port, rig.ui);
    count.show();
    count.ItemList()->setCurrentIndex(5);

    bool ran = false;
    WhenModal<CAwsDlg>(ran, [&](CAwsDlg& wizard) {
      TypeLoad(rig.scale, "0");
      QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
      QCOMPARE(wizard.ActionButton()->text(), "Sample Quantity");
      TypeLoad(rig.scale, "2.5");
      QCOMPARE(wizard.QuantityList()->currentText(), "100");
      QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
      QCOMPARE(wizard.ActionButton()->text(), "Confirming");
      QTest::mouseClick(wizard.ActionButton(), Qt::LeftButton);
    });
    QTest::mouseClick(count.SetupButton(), Qt::LeftButton);
    QVERIFY(ran);
    QVERIFY2(rig.ui.messages.empty(), testing::PrintToString(rig.ui.Texts()).c_str());
    // 25 g a piece at the indicator's inner resolution of 10 g: 2.5 x 2^24.
    const std::string worked =
        rig.sim.With([](SimulatedIndicator& m) { return m.AverageWeight(5); });
    QCOMPARE(worked, "0041943040");
    QCOMPARE(count.WeightField()->text().toStdString(), worked);
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::SimScaleWizardsTest)
#include "sim_scale_wizards_test.moc"
