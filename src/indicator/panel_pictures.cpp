#include "indicator/panel_pictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "ui/device_canvas.h"

namespace tamarack {
namespace {

// A transparent canvas with the screen's pixels, and a painter on it in logical pixels.
QPixmap Blank(const QSize& size, qreal devicePixelRatio) {
  QPixmap canvas = DeviceCanvas(size, devicePixelRatio);
  canvas.fill(Qt::transparent);
  return canvas;
}

void Smooth(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
}

}  // namespace

QPixmap LampPicture(bool lit, qreal devicePixelRatio) {
  QPixmap canvas = Blank(QSize(kPanelLampSize, kPanelLampSize), devicePixelRatio);
  QPainter painter(&canvas);
  Smooth(painter);
  const QPointF centre(10, 10);
  if (lit) {
    painter.setPen(QPen(QColor(112, 0, 0), 1));
    painter.setBrush(QColor(224, 16, 16));
    painter.drawEllipse(centre, 8, 8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 144, 144));
    painter.drawEllipse(QPointF(7.5, 7), 2, 2);
  } else {
    painter.setPen(QPen(QColor(184, 184, 184), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 8, 8);
  }
  return canvas;
}

QPixmap SymbolPicture(PanelSymbol symbol, qreal devicePixelRatio) {
  QPixmap canvas = Blank(QSize(kPanelLampSize, kPanelLampSize), devicePixelRatio);
  QPainter painter(&canvas);
  Smooth(painter);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  QPolygonF shape;
  switch (symbol) {
    case PanelSymbol::kCircle:
      painter.drawEllipse(QPointF(10, 10), 7.5, 7.5);
      return canvas;
    case PanelSymbol::kUp:
      shape << QPointF(10, 3) << QPointF(18, 17) << QPointF(2, 17);
      break;
    case PanelSymbol::kDown:
      shape << QPointF(2, 3) << QPointF(18, 3) << QPointF(10, 17);
      break;
    case PanelSymbol::kLeft:
      shape << QPointF(3, 10) << QPointF(17, 2) << QPointF(17, 18);
      break;
    case PanelSymbol::kRight:
      shape << QPointF(3, 2) << QPointF(17, 10) << QPointF(3, 18);
      break;
  }
  painter.drawPolygon(shape);
  return canvas;
}

QPixmap KeyPicture(const QString& caption, qreal devicePixelRatio) {
  QPixmap canvas = Blank(kPanelKeySize, devicePixelRatio);
  QPainter painter(&canvas);
  Smooth(painter);
  const QRectF cap(0.5, 0.5, kPanelKeySize.width() - 1, kPanelKeySize.height() - 1);
  painter.setPen(QPen(QColor(17, 19, 23), 2));
  painter.setBrush(QColor(43, 47, 54));
  painter.drawRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
  // The lighter band along the top of the cap.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(74, 80, 90));
  painter.drawRoundedRect(QRectF(4, 3.5, kPanelKeySize.width() - 8, 17), 5, 5);

  const qsizetype split = caption.indexOf('\n');
  const QString first = split < 0 ? caption : caption.left(split);
  const QString second = split < 0 ? QString() : caption.mid(split + 1);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(15);
  painter.setFont(font);
  painter.setPen(Qt::white);
  if (second.isEmpty()) {
    painter.drawText(QRectF(0, 22, kPanelKeySize.width(), 30), Qt::AlignCenter, first);
  } else {
    painter.drawText(QRectF(0, 17, kPanelKeySize.width(), 22), Qt::AlignCenter, first);
    font.setBold(false);
    font.setPixelSize(13);
    painter.setFont(font);
    painter.drawText(QRectF(0, 36, kPanelKeySize.width(), 18), Qt::AlignCenter, second);
  }
  return canvas;
}

}  // namespace tamarack
