#include "ui/device_canvas.h"

#include <cmath>

namespace tamarack {

QPixmap DeviceCanvas(const QSize& size, qreal devicePixelRatio) {
  const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  QPixmap canvas(static_cast<int>(std::ceil(size.width() * ratio)),
                 static_cast<int>(std::ceil(size.height() * ratio)));
  canvas.setDevicePixelRatio(ratio);
  return canvas;
}

}  // namespace tamarack
