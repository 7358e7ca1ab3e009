#include "support/scratch_main.h"

int main(int argc, char** argv) {
  return RunWindowTests(argc, argv, "/tmp/brevane-gui-");
}
