#include "desktop/drive_files.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

namespace desktop::drive_files {

namespace fs = std::filesystem;

std::string DesktopExecArgument(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '%') out += '%';
    out += c;
  }
  return out;
}

void MakePrivateFolder(const std::string& path) {
  std::error_code error;
  if (fs::exists(path, error)) return;
  fs::create_directories(path, error);
  if (!error) ::chmod(path.c_str(), S_IRWXU);
}

std::string ReconnectProgram() {
  constexpr char kName[] = "brevane-ctl";
  char self[4096];
  if (const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1); n > 0) {
    const std::string exe(self, static_cast<std::size_t>(n));
    const std::string dir = exe.substr(0, exe.rfind('/') + 1);
    if (exe.substr(dir.size()) == kName || ::access((dir + kName).c_str(), X_OK) == 0)
      return dir + kName;
  }
  std::unique_ptr<char, decltype(&g_free)> found(g_find_program_in_path(kName), g_free);
  return found ? std::string(found.get()) : std::string("/usr/bin/") + kName;
}

}  // namespace desktop::drive_files
