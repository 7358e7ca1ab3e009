#pragma once

// What the system knows of its user's choices. One side for POSIX systems,
// one for Windows.

#include <string>

namespace os {

// The language the user chose for programs' texts, as a locale name:
// "zh_TW.UTF-8" or "en_US" from the first set of LANGUAGE (its first
// entry), LC_ALL, LC_MESSAGES and LANG on POSIX systems; "zh-TW" or
// "en-US", the language of Windows' own texts, on Windows, which sets no
// LANG. Empty when there is no choice.
std::string UserLanguage();

}  // namespace os
