#include "desktop/shell_open.h"

#include "os/win32/winsock.h"

#include <shellapi.h>
#include <windows.h>

namespace desktop {

bool OpenWithShell(const std::string& url) {
  // Only an address of the web or of a folder is handed on: the shell
  // would start a program named here as readily.
  bool known = false;
  for (const char* scheme : {"http://", "https://", "file:///"}) known |= url.rfind(scheme, 0) == 0;
  if (!known) return false;
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, L"open", os::Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Above 32 is success; at or below, the shell's error.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace desktop
