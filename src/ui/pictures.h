#pragma once

#include <QIcon>
#include <QPixmap>

class QLabel;
class QWidget;

namespace tamarack {

// The product's pictures. They are linked into the shared window library and load on first use,
// so any window shows them, whether or not the main window was ever built.
QIcon ProductIcon();
QPixmap LogoPixmap();
// A label holding the logo, named "Logo" for screen readers.
QLabel* MakeLogo(QWidget* parent);

}  // namespace tamarack
