// Brevane: finds network-storage devices on the LAN and manages them.

#include "app/program.h"
#include "platform/platform.h"
#include "ui/ui.h"

int main(int argc, char** argv) {
  ui::Application application(argc, argv);
  application.setApplicationName("Brevane");
  // Only closing the main window ends the program; closing a dialog while the
  // main window is hidden for it must not.
  application.setQuitOnLastWindowClosed(false);
  platform::Install(platform::RealServices());
  const int status = app::RunProgram();
  platform::Install({});
  return status;
}
