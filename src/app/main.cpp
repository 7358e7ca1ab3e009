// Brevane: finds network-storage devices on the LAN and manages them.

#include "app/program.h"

int main(int argc, char** argv) {
  return app::ProgramMain(argc, argv);
}
