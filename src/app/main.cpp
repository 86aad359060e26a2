#include <QApplication>

#include "app/app_windows.h"
#include "app/main_dialog.h"
#include "ui/product.h"
#include "ui/text.h"

namespace tamarack {

// The application: starts the toolkit, runs the main window modally, and ends when it returns.
class CSetupApp : public QApplication {
 public:
  CSetupApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(FromSingleByte(kProductName));
    setDesktopFileName("tamarack");
  }

  int Run() {
    CMainDlg main;
    WireWindows(main);
    // "Exit" ends the window with result 1; for the shell that is a normal end.
    main.exec();
    return 0;
  }
};

}  // namespace tamarack

int main(int argc, char* argv[]) {
  tamarack::CSetupApp app(argc, argv);
  return app.Run();
}
