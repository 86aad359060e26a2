#pragma once

#include <QRect>
#include <QSize>

class QScrollArea;
class QWidget;

namespace tamarack {

// What a window's title bar and borders take beyond its client area, kept free of the screen.
inline constexpr QSize kWindowFrameAllowance{16, 40};

// The room a window's client area has on the screen it opens on: the screen's available area
// (without its panels) less the window's frame.
QRect UsableArea(const QWidget& window);

// Keeps a top-level window within `usable`. A window whose content fits is left exactly as it is.
// One that does not gets its content moved, unchanged, into a scroll area, and the window takes
// the content's size up to `usable`, so that every control stays reachable by scrolling rather
// than being cut at the screen's edge. A window fitted before is only capped again. Call it
// before the window is first shown.
void FitToScreen(QWidget& window, const QRect& usable);

// The scroll area FitToScreen put around the window's content, or null when it fitted as it was.
QScrollArea* FitScrollArea(const QWidget& window);

}  // namespace tamarack
