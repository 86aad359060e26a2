#pragma once

#include "app/main_dialog.h"

namespace tamarack {

// The working windows the main window leads to, the Simulated Scale window over the program's
// built-in simulated indicator, and the Records window.
MainWindowParts AppWindows();

}  // namespace tamarack
