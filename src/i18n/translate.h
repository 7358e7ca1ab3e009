#pragma once

#include <string>

namespace i18n {

// Name of the language file, looked up in the current directory. Only a
// regular file is read, and only its first 4 MiB.
inline constexpr const char* kLanguageFileName = "language";
inline constexpr long kMaxLanguageFileBytes = 4 << 20;

// The user's language among the shipped ones: on POSIX systems the first
// set of LANGUAGE, LC_ALL, LC_MESSAGES and LANG decides, on Windows the
// language of Windows' own texts; Chinese as written in Taiwan or Hong
// Kong gives "zh-TW", everything else "en".
std::string LocaleLanguage();

// The file read when the current directory has no language file, such as
// the installed one for the user's locale; empty (the start): none.
void SetFallbackLanguageFile(const std::string& path);

// Makes the shipped file of the user's language the fallback: the one
// installed beside the program (<prefix>/share/brevane/lang, found from the
// program's own path, or lang/ in the program's own folder, whatever
// characters its path holds), or the one under `built_in` (the source
// tree's lang folder) for a build run in place; none when `built_in` is
// empty and nothing is installed, as for the Windows programs.
void UseShippedLanguageFiles(const std::string& built_in);

// The translation switch: 0 at start, set to 1 once the main window exists.
// Only while it is 1 is the language file consulted.
void SetTranslationSwitch(int value);
int TranslationSwitch();

// Looks `key` up in the language file (the one in the current directory, or
// else the fallback) and returns its translation, or the key
// itself when there is none. Every call looks at the file anew, so an edit
// takes effect at the next text; it is read again only when it changed
// (another file, size or modification time). Never fails.
std::string Translate(const std::string& key);

}  // namespace i18n
