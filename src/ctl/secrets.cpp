#include "ctl/secrets.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "ctl/arguments.h"
#include "ctl/output.h"
#include "os/console.h"
#include "os/files.h"
#include "scan/scan_output.h"

namespace ctl {
namespace {

constexpr std::size_t kMaxSecret = 4096;
constexpr int kWaitMs = 10000;

// Reads up to the first line end from `fd`, which `what` names.
std::string FirstLine(int fd, const std::string& what) {
  const auto identity = os::IdentityOf(fd);
  if (!identity) Usage("cannot read a password from " + what + ": " + std::strerror(EBADF));
  if (identity->folder) Usage("cannot read a password from " + what + ": it is a folder");
  std::string text;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          end - std::chrono::steady_clock::now())
                          .count();
    int error = 0;
    const int ready = os::WaitToRead(fd, static_cast<int>(std::max<long long>(left, 0)), error);
    if (ready == 0)
      Usage("no password came from " + what + " within " + std::to_string(kWaitMs / 1000) +
            " seconds");
    if (ready < 0 && error == EINTR) continue;
    char c = 0;
    const long n = ready < 0 ? -1 : os::ReadSome(fd, &c, 1, error);
    if (n < 0 && (error == EINTR || error == EAGAIN)) continue;
    if (n < 0) Usage("cannot read a password from " + what + ": " + std::strerror(error));
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
  int error = 0;
  const int fd = os::OpenToRead(path, error);
  if (fd < 0) Usage("cannot read a password from " + path + ": " + std::strerror(error));
  try {
    std::string secret = FirstLine(fd, path);
    os::CloseFile(fd);
    return secret;
  } catch (...) {
    os::CloseFile(fd);
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
  return os::InputIsTerminal();
}

std::optional<std::string> AskHidden(const std::string& prompt) {
  const std::lock_guard lock(g_terminal);
  return os::AskHidden(scan::TerminalText(prompt), kMaxSecret);
}

bool AskYes(const std::string& question) {
  const std::lock_guard lock(g_terminal);
  Write(stderr, question + " [y/N] ");
  char answer[16] = {};
  return std::fgets(answer, sizeof answer, stdin) != nullptr &&
         (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace ctl
