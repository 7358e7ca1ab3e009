#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

#include "i18n/translate.h"
#include "support/fakes.h"

namespace testing_support {

// Writes the language file the program reads from its current directory;
// removed again when the object goes.
class LanguageFile {
 public:
  explicit LanguageFile(const std::string& bytes) {
    std::ofstream(i18n::kLanguageFileName, std::ios::binary) << bytes;
  }
  ~LanguageFile() { std::filesystem::remove(i18n::kLanguageFileName); }
};

// A status page as the device writes it: one script line per variable.
inline std::string StatusPage(
    std::initializer_list<std::pair<std::string, std::string>> variables) {
  std::string page = "<HTML><HEAD><SCRIPT>\r\n";
  for (const auto& [name, value] : variables) page += "var " + name + "=\"" + value + "\";\r\n";
  return page + "</SCRIPT></HEAD><BODY></BODY></HTML>\r\n";
}

}  // namespace testing_support
