// The live window's display field and panel pictures on a 2x screen (run with QT_SCALE_FACTOR=2):
// drawn with the screen's own pixels, not as a 1x picture stretched.

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include "indicator/indicator_dialog.h"
#include "indicator/panel_pictures.h"
#include "sim/simulator.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"
#include "ui/device_canvas.h"
#include "ui/pictures.h"

namespace tamarack {

namespace {

// The 2 x 2 blocks of device pixels, aligned to whole logical pixels, that are not one colour.
// A 1x picture stretched to 2x has none.
int SplitBlocks(const QImage& image) {
  int split = 0;
  for (int y = 0; y + 1 < image.height(); y += 2) {
    for (int x = 0; x + 1 < image.width(); x += 2) {
      const QRgb c = image.pixel(x, y);
      if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c ||
          image.pixel(x + 1, y + 1) != c) {
        ++split;
      }
    }
  }
  return split;
}

}  // namespace

class IndicatorCrispTest : public QObject {
  Q_OBJECT

 private slots:
  void aCanvasHasTheScreensPixels() {
    const QPixmap canvas = DeviceCanvas(QSize(550, 140), 2.0);
    QCOMPARE(canvas.size(), QSize(1100, 280));
    QCOMPARE(canvas.devicePixelRatio(), 2.0);
    QCOMPARE(canvas.deviceIndependentSize(), QSizeF(550, 140));
    QCOMPARE(DeviceCanvas(QSize(5, 3), 1.5).size(), QSize(8, 5));  // rounded up, never cut
  }

  // The lamps, key caps, symbols and the logo are drawn at the ratio asked for, with edges inside
  // whole logical pixels at 2x; at 1x they keep the panel's sizes.
  void panelPicturesAreDrawnAtTheRatioAskedFor() {
    const struct {
      const char* name;
      QPixmap (*draw)(qreal);
      QSize size;
    } pictures[] = {
        {"lamp on", [](qreal r) { return LampPicture(true, r); }, QSize(20, 20)},
        {"lamp off", [](qreal r) { return LampPicture(false, r); }, QSize(20, 20)},
        {"key", [](qreal r) { return KeyPicture("UNITS\nkg/lb", r); }, kPanelKeySize},
        {"symbol", [](qreal r) { return SymbolPicture(PanelSymbol::kLeft, r); }, QSize(20, 20)},
        {"logo", [](qreal r) { return LogoPixmap(r); }, QSize(180, 60)},
    };
    for (const auto& picture : pictures) {
      const QPixmap one = picture.draw(1.0);
      const QPixmap two = picture.draw(2.0);
      QVERIFY2(one.size() == picture.size, picture.name);
      QVERIFY2(two.size() == picture.size * 2, picture.name);
      QVERIFY2(two.devicePixelRatio() == 2.0, picture.name);
      QVERIFY2(SplitBlocks(two.toImage()) > 4, picture.name);
    }
    QVERIFY(LampPicture(true, 1.0).toImage() != LampPicture(false, 1.0).toImage());
  }

  void theDisplayIsDrawnAtTwiceThePixels() {
    if (QGuiApplication::primaryScreen()->devicePixelRatio() != 2.0) {
      QSKIP("needs QT_SCALE_FACTOR=2");
    }
    sim::Simulator simulator;
    simulator.With([](sim::SimulatedIndicator& m) { m.SetLoad(25.0); });
    test::SimLine line(simulator);
    test::RecordingFeedback ui;
    CIndicatorDlg dlg(line, ui);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    // The measure sees a stretched 1x picture for what it is.
    QPixmap small(CIndicatorDlg::kFieldRect.size());
    small.fill(Qt::green);
    {
      QPainter painter(&small);
      painter.setFont(dlg.Field()->font());
      painter.drawText(small.rect(), Qt::AlignCenter, "25.0");
    }
    QPixmap stretched = DeviceCanvas(CIndicatorDlg::kFieldRect.size(), 2.0);
    {
      QPainter painter(&stretched);
      painter.drawPixmap(QPoint(0, 0), small);
    }
    QCOMPARE(SplitBlocks(stretched.toImage()), 0);

    const QPixmap shot = dlg.Field()->grab();
    QCOMPARE(shot.devicePixelRatio(), 2.0);
    QCOMPARE(shot.size(), CIndicatorDlg::kFieldRect.size() * 2);
    // The digits' edges fall between whole logical pixels.
    QVERIFY2(SplitBlocks(shot.toImage()) > 200,
             qPrintable(QString::number(SplitBlocks(shot.toImage()))));
    // So are the lamps, whichever way they are lit.
    const QPixmap lamp = dlg.LampLabel(Lamp::kStable)->pixmap();
    QCOMPARE(lamp.devicePixelRatio(), 2.0);
    QCOMPARE(lamp.size(), QSize(kPanelLampSize, kPanelLampSize) * 2);
    dlg.OnExit();
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::IndicatorCrispTest)
#include "indicator_crisp_test.moc"
