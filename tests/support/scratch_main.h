#pragma once

// Window tests run offscreen, each binary in a scratch directory of its own
// (so no stray language file is picked up), removed afterwards. The same
// on Linux and, built for Windows, under Wine.

#include <gtest/gtest.h>

#include <QtGlobal>
#include <filesystem>
#include <random>
#include <string>

#include "ui/ui.h"

inline int RunWindowTests(int argc, char** argv, const std::string& scratch_prefix) {
  // Set here: Wine would not even hand a variable that begins with QT_ on.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  ui::Application app(argc, argv);
  std::filesystem::path scratch;
  std::random_device random;
  for (int tries = 0; tries < 100 && scratch.empty(); ++tries) {
    std::error_code error;
    const std::filesystem::path name = scratch_prefix + std::to_string(random());
    if (std::filesystem::create_directory(name, error)) scratch = name;
  }
  if (scratch.empty()) return 1;
  std::filesystem::current_path(scratch);
  const int status = RUN_ALL_TESTS();
  std::filesystem::current_path(scratch.parent_path());
  std::filesystem::remove_all(scratch);
  return status;
}
