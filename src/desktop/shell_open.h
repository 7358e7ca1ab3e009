#pragma once

// Windows' shell: a URL handed to the program the user chose for it.

#include <string>

namespace desktop {

// Opens `url` (UTF-8: http, https or file) with ShellExecuteW; false when
// no program took it, or for any other kind of URL.
bool OpenWithShell(const std::string& url);

}  // namespace desktop
