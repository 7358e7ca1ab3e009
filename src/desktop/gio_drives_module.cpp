// The GVfs network drives as a module the program loads when drives are
// first used: GIO and the keyring's libraries then cost nothing before the
// main window is up. The module takes the waiting functions (net::WaitScope
// and its kin) from the program, so a mount shows in the program's wait
// window and the program's Cancel reaches it.

#include "desktop/gio_drives.h"

extern "C" __attribute__((visibility("default"))) desktop::NetworkDrives* BrevaneMakeGioDrives() {
  return new desktop::GioNetworkDrives();
}
