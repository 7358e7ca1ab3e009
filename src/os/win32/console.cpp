// The console on Windows.

#include "os/console.h"

#include "os/win32/winsock.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

namespace os {

bool InputIsTerminal() {
  return ::_isatty(0) != 0;
}

bool ErrorIsTerminal() {
  return ::_isatty(2) != 0;
}

void UseUtf8Console() {
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
  // Lines end as on every system: a script reading the JSON, the CSV or a
  // table gets the same bytes (the console shows a bare line feed as a new
  // line).
  ::_setmode(1, _O_BINARY);
  ::_setmode(2, _O_BINARY);
}

Arguments::Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) {
    words_.assign(argv, argv + argc);
  } else {
    for (int i = 0; i < count; ++i) words_.push_back(Utf8(wide[i]));
    ::LocalFree(wide);
  }
  for (auto& word : words_) pointers_.push_back(word.data());
  pointers_.push_back(nullptr);
}

std::optional<std::string> AskHidden(const std::string& prompt, std::size_t max) {
  if (!InputIsTerminal()) return std::nullopt;
  const HANDLE in =
      ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  const HANDLE out =
      ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) {
    if (in != INVALID_HANDLE_VALUE) ::CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
    return std::nullopt;
  }
  const std::wstring shown = Wide(prompt);
  DWORD done = 0;
  ::WriteConsoleW(out, shown.data(), static_cast<DWORD>(shown.size()), &done, nullptr);
  DWORD mode = 0;
  ::GetConsoleMode(in, &mode);
  ::SetConsoleMode(in, (mode | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::wstring line;
  for (wchar_t c = 0; line.size() < max;) {
    DWORD got = 0;
    if (!::ReadConsoleW(in, &c, 1, &got, nullptr) || got == 0 || c == L'\n') break;
    if (c != L'\r') line += c;
  }
  ::SetConsoleMode(in, mode);
  ::WriteConsoleW(out, L"\r\n", 2, &done, nullptr);
  ::CloseHandle(in);
  ::CloseHandle(out);
  std::string text = Utf8(line);
  if (text.size() > max) text.resize(max);
  return text;
}

int WaitToRead(int fd, int timeout_ms, int& error) {
  error = 0;
  const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (h == INVALID_HANDLE_VALUE) {
    error = EBADF;
    return -1;
  }
  switch (::GetFileType(h)) {
    case FILE_TYPE_CHAR:
      return ::WaitForSingleObject(h, static_cast<DWORD>(std::max(timeout_ms, 0))) == WAIT_OBJECT_0
                 ? 1
                 : 0;
    case FILE_TYPE_PIPE: {
      // A pipe says what it holds: looked at until something came, its
      // writer left, or the time ran out.
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
      for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr) || available > 0)
          return 1;  // data, or the end the next read reports
        if (std::chrono::steady_clock::now() >= end) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    default:
      return 1;  // a file is always ready
  }
}

long ReadSome(int fd, char* buffer, std::size_t size, int& error) {
  const int n = ::_read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, 1 << 20)));
  error = n < 0 ? errno : 0;
  return n;
}

const char* const kStopMeans = "Ctrl+C, Ctrl+Break or closing its console";

namespace {

void (*g_stop)() = nullptr;

BOOL WINAPI OnControl(DWORD event) {
  g_stop();
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return TRUE;
    default:
      // A closed console, a log-off or a shutdown: Windows ends the process
      // when this returns. Until then the main thread can finish and exit
      // with its own status, well within the seconds Windows allows.
      ::Sleep(4000);
      return TRUE;
  }
}

}  // namespace

void OnStopRequest(void (*stop)()) {
  g_stop = stop;
  ::SetConsoleCtrlHandler(OnControl, TRUE);
}

void WriteToParentConsole() {
  // Output sent to a pipe or a file stays where it goes.
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) return;
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
}

}  // namespace os
