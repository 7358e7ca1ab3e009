// The terminal on a POSIX system.

#include "os/console.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace os {

bool InputIsTerminal() {
  return ::isatty(STDIN_FILENO) != 0;
}

bool ErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) != 0;
}

void UseUtf8Console() {}

Arguments::Arguments(int argc, char** argv) : words_(argv, argv + argc) {
  for (auto& word : words_) pointers_.push_back(word.data());
  pointers_.push_back(nullptr);
}

std::optional<std::string> AskHidden(const std::string& prompt, std::size_t max) {
  const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0 || !InputIsTerminal()) {
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
  for (char c; line.size() < max && ::read(tty, &c, 1) == 1 && c != '\n';) line += c;
  ::tcsetattr(tty, TCSAFLUSH, &before);
  w = ::write(tty, "\n", 1);
  ::close(tty);
  return line;
}

int WaitToRead(int fd, int timeout_ms, int& error) {
  pollfd p{fd, POLLIN, 0};
  const int ready = ::poll(&p, 1, timeout_ms);
  error = ready < 0 ? errno : 0;
  return ready < 0 ? -1 : ready > 0 ? 1 : 0;
}

long ReadSome(int fd, char* buffer, std::size_t size, int& error) {
  const ssize_t n = ::read(fd, buffer, size);
  error = n < 0 ? errno : 0;
  return n;
}

const char* const kStopMeans = "Ctrl+C or SIGTERM";

void OnStopRequest(void (*stop)()) {
  static void (*requested)() = nullptr;
  requested = stop;
  struct sigaction action {};
  action.sa_handler = [](int) { requested(); };
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

void WriteToParentConsole() {
  // The terminal is the program's standard output already.
}

}  // namespace os
