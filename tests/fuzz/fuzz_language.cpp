// The language lookup on arbitrary files and keys, against the plain rule
// it answers for: read the file in fgets pieces of at most 1023 bytes; the
// first piece holding the key decides.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "i18n/language_file.h"

namespace {

std::string Reference(const std::string& file, const std::string& key) {
  std::size_t at = 0;
  while (at < file.size()) {
    std::size_t end = at;
    while (end < file.size() && end - at < 1023 && file[end] != '\n') ++end;
    if (end < file.size() && file[end] == '\n' && end - at < 1023) ++end;
    std::string line = file.substr(at, end - at);
    line.resize(std::strlen(line.c_str()));
    at = end;
    if (line.find(key) == std::string::npos) continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) return {};
    if (line.compare(0, eq, key) != 0) continue;
    const std::size_t rest = line.size() - (eq + 1);
    return rest > 2 ? line.substr(eq + 1, rest - 2) : std::string();
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t key_length = data[0] % 24;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string key = rest.substr(0, key_length);
  const std::string file = rest.substr(std::min(key_length, rest.size()));
  if (i18n::LookUpLanguage(i18n::ParseLanguageFile(file), key) != Reference(file, key))
    __builtin_trap();
  return 0;
}
