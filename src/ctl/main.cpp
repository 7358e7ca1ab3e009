// brevane-ctl: manages a network-storage device from a terminal.

#include "ctl/ctl.h"
#include "os/console.h"

int main(int argc, char** argv) {
  os::UseUtf8Console();
  os::Arguments arguments(argc, argv);
  return ctl::Run(arguments.argc(), arguments.argv());
}
