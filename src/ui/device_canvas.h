#pragma once

#include <QPixmap>
#include <QSize>

namespace tamarack {

// An off-screen canvas of `size` logical pixels with `devicePixelRatio` device pixels to each,
// so that what is drawn on it stays as sharp as the screen it is shown on (a 2x screen gets
// twice the pixels each way, not a stretched copy). Its contents start undefined.
QPixmap DeviceCanvas(const QSize& size, qreal devicePixelRatio);

}  // namespace tamarack
