#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

namespace tamarack {

// The pictures of the indicator's front panel, drawn rather than loaded, so that each is made
// with the screen's own pixels: as sharp on a 2x screen as on a 1x one.

// The mark printed under a key: what the key does while a value is being entered.
enum class PanelSymbol { kUp, kDown, kCircle, kLeft, kRight };

inline constexpr int kPanelLampSize = 20;  // a lamp and a symbol, logical pixels each way
inline constexpr QSize kPanelKeySize{76, 60};

// A lamp: red with a highlight when lit, a grey ring when not.
QPixmap LampPicture(bool lit, qreal devicePixelRatio);
// A black symbol.
QPixmap SymbolPicture(PanelSymbol symbol, qreal devicePixelRatio);
// A dark key cap with its caption in white; a "\n" in the caption starts a second, smaller line.
QPixmap KeyPicture(const QString& caption, qreal devicePixelRatio);

}  // namespace tamarack
