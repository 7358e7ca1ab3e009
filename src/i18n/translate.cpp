#include "i18n/translate.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace i18n {
namespace {

int g_switch = 0;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Lines are read in pieces of at most 1023 bytes, as the file format allows;
// a longer line is taken as several lines.
constexpr int kLineBuffer = 1024;

}  // namespace

void SetTranslationSwitch(int value) {
  g_switch = value;
}
int TranslationSwitch() {
  return g_switch;
}

std::string Translate(const std::string& key) {
  if (g_switch != 1) return key;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(kLanguageFileName, "rb"));
  if (!file) return key;

  std::string value;
  char buffer[kLineBuffer];
  while (std::fgets(buffer, sizeof buffer, file.get()) != nullptr) {
    // The narrow encoding is UTF-8 here, so the line needs no re-encoding;
    // it ends at its first zero byte.
    const std::string line(buffer, std::strlen(buffer));
    if (line.find(key) == std::string::npos) continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) break;  // a line naming the key without "=" ends the search
    if (line.compare(0, eq, key) != 0) continue;
    // The value runs to the end of the line less its last two bytes (CR LF).
    const std::size_t start = eq + 1;
    const std::size_t rest = line.size() - start;
    value = rest > 2 ? line.substr(start, rest - 2) : std::string();
    break;
  }
  return value.empty() ? key : value;
}

}  // namespace i18n
