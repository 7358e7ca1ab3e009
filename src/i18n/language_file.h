#pragma once

// The language file's lines as the lookup sees them, and the lookup itself:
// separate from reading the file, so both can be checked on any bytes.

#include <string>
#include <unordered_map>
#include <vector>

namespace i18n {

struct ParsedLanguageFile {
  // The file in the pieces fgets with a 1024-byte buffer gives (at most 1023
  // bytes, a line feed ending one), each cut at its first zero byte.
  std::vector<std::string> pieces;
  // Where each name first stands before an "=", and the pieces without one:
  // together they give the first piece that names a key, without a search.
  std::unordered_map<std::string, std::size_t> first_named;
  std::vector<std::size_t> without_equals;
};

ParsedLanguageFile ParseLanguageFile(const std::string& bytes);

// The translation of `key` in the file, empty when there is none.
std::string LookUpLanguage(const ParsedLanguageFile& file, const std::string& key);

}  // namespace i18n
