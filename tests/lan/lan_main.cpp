// LAN tests open real sockets, so they run only inside the test LAN's
// workstation namespace (scripts/testlan exec ... ws -- lan_tests).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "sim/netns_guard.h"
#include "ui/ui.h"

int main(int argc, char** argv) {
  sim::RequirePrivateNetworkNamespace("lan_tests");
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  ui::Application app(argc, argv);
  char scratch[] = "/tmp/brevane-lan-test-XXXXXX";
  if (::mkdtemp(scratch) == nullptr) return 1;
  std::filesystem::current_path(scratch);
  const int status = RUN_ALL_TESTS();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(scratch);
  return status;
}
