#include "ui/pictures.h"

#include <QLabel>

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

QPixmap LogoPixmap() {
  LoadResources();
  return QPixmap(":/tamarack/logo.png");
}

QLabel* MakeLogo(QWidget* parent) {
  auto* logo = new QLabel(parent);
  logo->setPixmap(LogoPixmap());
  logo->setAccessibleName("Logo");
  return logo;
}

}  // namespace tamarack
