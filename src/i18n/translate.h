#pragma once

#include <string>

namespace i18n {

// Name of the language file, looked up in the current directory.
inline constexpr const char* kLanguageFileName = "language";

// The translation switch: 0 at start, set to 1 once the main window exists.
// Only while it is 1 is the language file consulted.
void SetTranslationSwitch(int value);
int TranslationSwitch();

// Looks `key` up in the language file and returns its translation, or the key
// itself when there is none. The file is read afresh on every call, so edits
// to it take effect at once. Never fails.
std::string Translate(const std::string& key);

}  // namespace i18n
