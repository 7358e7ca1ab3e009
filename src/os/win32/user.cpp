#include "os/user.h"

#include "os/win32/winsock.h"

#include <windows.h>

namespace os {

// The display language the user chose for Windows, or else the one of
// their regional format. The environment plays no part.
std::string UserLanguage() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  const LCID shown = MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT);
  if (::LCIDToLocaleName(shown, name, LOCALE_NAME_MAX_LENGTH, 0) > 0) return Utf8(name);
  if (::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) > 0) return Utf8(name);
  return {};
}

}  // namespace os
