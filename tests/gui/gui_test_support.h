#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "i18n/translate.h"
#include "platform/fakes.h"

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

}  // namespace testing_support
