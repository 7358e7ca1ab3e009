#pragma once

// Window tests run offscreen, each binary in a scratch directory of its own
// (so no stray language file is picked up), removed afterwards.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "ui/ui.h"

inline int RunWindowTests(int argc, char** argv, const std::string& scratch_prefix) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  ui::Application app(argc, argv);
  std::string scratch = scratch_prefix + "XXXXXX";
  if (::mkdtemp(scratch.data()) == nullptr) return 1;
  std::filesystem::current_path(scratch);
  const int status = RUN_ALL_TESTS();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(scratch);
  return status;
}
