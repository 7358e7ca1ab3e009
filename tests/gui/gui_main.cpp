// Window tests run offscreen, with fake platform services, in a scratch
// directory of their own (so no stray language file is picked up).

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "ui/ui.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  ui::Application app(argc, argv);
  char scratch[] = "/tmp/brevane-gui-XXXXXX";
  if (::mkdtemp(scratch) == nullptr) return 1;
  std::filesystem::current_path(scratch);
  const int status = RUN_ALL_TESTS();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(scratch);
  return status;
}
