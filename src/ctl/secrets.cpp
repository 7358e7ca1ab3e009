#include "ctl/secrets.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "ctl/arguments.h"

namespace ctl {
namespace {

constexpr std::size_t kMaxSecret = 4096;
constexpr int kWaitMs = 10000;

// Reads up to the first line end from `fd`, which `what` names.
std::string FirstLine(int fd, const std::string& what) {
  struct stat st {};
  if (::fstat(fd, &st) != 0)
    Usage("cannot read a password from " + what + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) Usage("cannot read a password from " + what + ": it is a folder");
  std::string text;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          end - std::chrono::steady_clock::now())
                          .count();
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(std::max<long long>(left, 0)));
    if (ready == 0)
      Usage("no password came from " + what + " within " + std::to_string(kWaitMs / 1000) +
            " seconds");
    if (ready < 0 && errno == EINTR) continue;
    char c = 0;
    const ssize_t n = ready < 0 ? -1 : ::read(fd, &c, 1);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n < 0) Usage("cannot read a password from " + what + ": " + std::strerror(errno));
    if (n == 0 || c == '\n') break;
    if (text.size() == kMaxSecret)
      Usage("the password in " + what + " has no line end within its first 4 KiB");
    text += c;
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

}  // namespace

std::string ReadSecretFile(const std::string& path) {
  // Opened without waiting for a writer (a named pipe), then waited on
  // for a bounded time.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) Usage("cannot read a password from " + path + ": " + std::strerror(errno));
  try {
    std::string secret = FirstLine(fd, path);
    ::close(fd);
    return secret;
  } catch (...) {
    ::close(fd);
    throw;
  }
}

std::string ReadSecretFd(int fd) {
  return FirstLine(fd, "descriptor " + std::to_string(fd));
}

namespace {
// Several devices at once ask one at a time.
std::mutex g_terminal;
}  // namespace

bool CanAsk() {
  return ::isatty(STDIN_FILENO) != 0;
}

std::optional<std::string> AskHidden(const std::string& prompt) {
  const std::lock_guard lock(g_terminal);
  const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0 || !CanAsk()) {
    if (tty >= 0) ::close(tty);
    return std::nullopt;
  }
  [[maybe_unused]] auto w = ::write(tty, prompt.data(), prompt.size());
  termios before{};
  ::tcgetattr(tty, &before);
  termios quiet = before;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  ::tcsetattr(tty, TCSAFLUSH, &quiet);
  std::string line;
  for (char c; line.size() < kMaxSecret && ::read(tty, &c, 1) == 1 && c != '\n';) line += c;
  ::tcsetattr(tty, TCSAFLUSH, &before);
  w = ::write(tty, "\n", 1);
  ::close(tty);
  return line;
}

bool AskYes(const std::string& question) {
  const std::lock_guard lock(g_terminal);
  std::fprintf(stderr, "%s [y/N] ", question.c_str());
  std::fflush(stderr);
  char answer[16] = {};
  return std::fgets(answer, sizeof answer, stdin) != nullptr &&
         (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace ctl
