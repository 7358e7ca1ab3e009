#include "os/user.h"

#include <cstdlib>
#include <cstring>

namespace os {

std::string UserLanguage() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    // LANGUAGE is a list; its first entry is the user's first choice.
    return std::string(value, std::strcspn(value, ":"));
  }
  return {};
}

}  // namespace os
