// CSetupApp: starts the toolkit, runs the main window modally, and ends when it returns.

#include <QApplication>

#include "app/app_windows.h"
#include "app/main_dialog.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tamarack");
  QApplication::setDesktopFileName("tamarack");

  tamarack::CMainDlg main;
  tamarack::WireWindows(main);
  // "Exit" ends the window with result 1; for the shell that is a normal end.
  main.exec();
  return 0;
}
