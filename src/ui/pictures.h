#pragma once

#include <QIcon>
#include <QPixmap>

class QLabel;
class QWidget;

namespace tamarack {

// The product's pictures. They are linked into the shared window library and load on first use,
// so any window shows them, whether or not the main window was ever built.
QIcon ProductIcon();
// The logo, 180 x 60 logical pixels, drawn with `devicePixelRatio` device pixels to each so that
// it is as sharp on a 2x screen as on a 1x one.
QPixmap LogoPixmap(qreal devicePixelRatio = 1.0);
// A label holding the logo at the screen's pixel ratio, named "Logo" for screen readers.
QLabel* MakeLogo(QWidget* parent);

}  // namespace tamarack
