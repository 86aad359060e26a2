#pragma once

namespace tamarack {

class CMainDlg;

// Plugs the working windows and the simulated indicator into the main window.
void WireWindows(CMainDlg& main);

}  // namespace tamarack
