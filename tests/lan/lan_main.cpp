// LAN tests open real sockets, so they run only inside the test LAN's
// workstation namespace (scripts/testlan exec ... ws -- lan_tests).

#include "sim/netns_guard.h"
#include "support/scratch_main.h"

int main(int argc, char** argv) {
  sim::RequirePrivateNetworkNamespace("lan_tests");
  return RunWindowTests(argc, argv, "/tmp/brevane-lan-test-");
}
