#include "desktop/drive_files.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

bool WriteWhole(const std::string& path, const std::string& text) {
  const std::string fresh = path + ".new";
  if (::unlink(fresh.c_str()) != 0 && errno != ENOENT) return false;
  const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        S_IRUSR | S_IWUSR);
  if (fd < 0) return false;
  bool written = true;
  for (std::size_t at = 0; written && at < text.size();) {
    const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) at += static_cast<std::size_t>(n);
  }
  written = written && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (written && ::rename(fresh.c_str(), path.c_str()) == 0) return true;
  ::unlink(fresh.c_str());
  return false;
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
