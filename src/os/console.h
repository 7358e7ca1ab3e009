#pragma once

// The terminal, and the descriptors a password is read from, as the
// terminal programs use them. One side for POSIX systems, one for Windows.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace os {

// Whether standard input, or standard error, is a terminal (a console).
bool InputIsTerminal();
bool ErrorIsTerminal();

// Text written to the console is UTF-8 (Windows' console is told so), and
// lines end with a line feed alone, on every system.
void UseUtf8Console();

// The program's arguments as UTF-8 (on Windows, from its wide command
// line, whatever the code page), and as main() takes them.
class Arguments {
 public:
  Arguments(int argc, char** argv);
  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

// A line typed on the terminal after `prompt`, not shown as it is typed, at
// most `max` bytes; nothing when there is no terminal.
std::optional<std::string> AskHidden(const std::string& prompt, std::size_t max);

// Waits at most `timeout_ms` until `fd` has something to read, or its end:
// 1, or 0 when the time ran out, or -1 with the errno value in `error`.
int WaitToRead(int fd, int timeout_ms, int& error);
// Reads up to `size` bytes: their number, 0 at the end, -1 with the errno
// value in `error` (EINTR and EAGAIN: try again).
long ReadSome(int fd, char* buffer, std::size_t size, int& error);

// Calls `stop` when the user or the system asks the program to end: Ctrl+C
// on every system; SIGTERM as well on POSIX systems; on Windows Ctrl+Break,
// the console window closed, the user logging off and Windows shutting
// down, Windows' own means (it sends a console program no SIGTERM).
// `stop` runs in a signal handler or on a thread of the system's: it sets
// a flag, no more. Windows ends the process soon after the last three;
// the main thread has that time to finish and exit with its own status.
void OnStopRequest(void (*stop)());
// Those means in words, for --help: "Ctrl+C or SIGTERM".
extern const char* const kStopMeans;

// Lets a window program's own lines (its --help, --version and usage
// errors) reach the terminal it was started from. Windows gives a window
// program no console: it writes to its parent's console where there is
// one and its output goes nowhere else. Elsewhere they reach it already.
void WriteToParentConsole();

}  // namespace os
