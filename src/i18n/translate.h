#pragma once

#include <string>

namespace i18n {

// Name of the language file, looked up in the current directory. Only a
// regular file is read, and only its first 4 MiB.
inline constexpr const char* kLanguageFileName = "language";
inline constexpr long kMaxLanguageFileBytes = 4 << 20;

// The translation switch: 0 at start, set to 1 once the main window exists.
// Only while it is 1 is the language file consulted.
void SetTranslationSwitch(int value);
int TranslationSwitch();

// Looks `key` up in the language file and returns its translation, or the key
// itself when there is none. Every call looks at the file anew, so an edit
// takes effect at the next text; it is read again only when it changed
// (another file, size or modification time). Never fails.
std::string Translate(const std::string& key);

}  // namespace i18n
