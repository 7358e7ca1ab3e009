// brevane-ctl: manages a network-storage device from a terminal.

#include "ctl/ctl.h"

int main(int argc, char** argv) {
  return ctl::Run(argc, argv);
}
