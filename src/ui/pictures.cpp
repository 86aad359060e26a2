#include "ui/pictures.h"

#include <QFont>
#include <QLabel>
#include <QPainter>

#include "ui/device_canvas.h"

// A resource compiled into a static library is dropped by the linker unless something refers to
// it; this reference keeps it and registers it.
static void InitUiResources() {
  Q_INIT_RESOURCE(ui);
}

namespace tamarack {
namespace {

void LoadResources() {
  static const bool loaded = (InitUiResources(), true);
  (void)loaded;
}

}  // namespace

QIcon ProductIcon() {
  LoadResources();
  return QIcon(":/tamarack/icon.png");
}

QPixmap LogoPixmap(qreal devicePixelRatio) {
  constexpr QSize kSize(180, 60);
  QPixmap logo = DeviceCanvas(kSize, devicePixelRatio);
  logo.fill(Qt::transparent);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(31, 95, 139));
  painter.drawRoundedRect(QRectF(QPointF(0, 0), kSize), 6, 6);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(27);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(0, 8, kSize.width(), 34), Qt::AlignCenter, QStringLiteral("Tamarack"));
  painter.fillRect(QRectF(20, 48, 141, 4), QColor(255, 211, 77));
  return logo;
}

QLabel* MakeLogo(QWidget* parent) {
  auto* logo = new QLabel(parent);
  logo->setPixmap(LogoPixmap(parent != nullptr ? parent->devicePixelRatioF() : 1.0));
  logo->setAccessibleName("Logo");
  return logo;
}

}  // namespace tamarack
