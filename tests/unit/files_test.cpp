// A file written whole: what a reader finds, who may read it, and what a
// write that stopped half-way or a planted link leaves.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "os/files.h"

namespace {

namespace fs = std::filesystem;

class WriteWholeTest : public ::testing::Test {
 protected:
  WriteWholeTest() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = fs::temp_directory_path() / ("brevane-write-whole-" + std::to_string(now));
    fs::create_directories(folder_);
  }
  ~WriteWholeTest() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string At(const std::string& name) const { return (folder_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  fs::path folder_;
};

TEST_F(WriteWholeTest, AReaderFindsTheWholeTextAndNothingBeside) {
  const struct {
    const char* what;
    std::string before;  // "" for no file
    std::string text;
  } cases[] = {
      {"a new file", "", "[Desktop Entry]\nExec=x\n"},
      {"a file replaced", "old text, longer than the new one", "new"},
      {"nothing", "old", ""},
      {"several MiB with every byte", "", std::string(3 << 20, '\0') + "\r\n\xff\x01 end"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = At("setup.json");
    if (!c.before.empty()) Put(path, c.before);
    int error = -1;
    ASSERT_TRUE(os::WriteWhole(path, c.text, error));
    EXPECT_EQ(Read(path), c.text);
    EXPECT_FALSE(fs::exists(path + ".new"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
#ifndef _WIN32
    // It may hold anything private: its owner alone reads it, whatever the
    // file it replaced allowed.
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
#endif
    fs::remove(path);
  }
}

TEST_F(WriteWholeTest, WhatAWriteThatStoppedHalfWayLeftIsReplaced) {
  const std::string path = At("Z.unc");
  Put(path, "\\\\10.0.0.1\\PUBLIC\n");
  Put(path + ".new", "\\\\10.0.0.2\\PU");  // the rest never came
  int error = 0;
  ASSERT_TRUE(os::WriteWhole(path, "\\\\10.0.0.3\\PUBLIC\n", error));
  EXPECT_EQ(Read(path), "\\\\10.0.0.3\\PUBLIC\n");
  EXPECT_FALSE(fs::exists(path + ".new"));
}

TEST_F(WriteWholeTest, AFolderThatIsNotThereLeavesNothingAndSaysWhy) {
  const std::string path = At("missing/setup.json");
  int error = 0;
  EXPECT_FALSE(os::WriteWhole(path, "text", error));
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(fs::exists(At("missing")));
}

#ifndef _WIN32
TEST_F(WriteWholeTest, ALinkPlantedWhereTheNewFileGoesIsNotWrittenThrough) {
  const std::string victim = At("victim"), path = At("Z.unc");
  Put(victim, "keep me");
  fs::create_symlink(victim, path + ".new");
  int error = 0;
  ASSERT_TRUE(os::WriteWhole(path, "note", error));
  EXPECT_EQ(Read(victim), "keep me");
  EXPECT_EQ(Read(path), "note");
  EXPECT_FALSE(fs::is_symlink(path));
}
#endif

}  // namespace
