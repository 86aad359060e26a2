#pragma once

#include "app/main_dialog.h"

namespace tamarack {

// The working windows the main window leads to, and the Simulated Scale window over the
// program's built-in simulated indicator.
MainWindowParts AppWindows();

}  // namespace tamarack
