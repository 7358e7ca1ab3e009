// Every text the program passes to the translation, collected from its
// source, has a line in each shipped language file.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "i18n/language_file.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The source text of one file, read as C++: string literals and the
// parentheses and braces around them.
class Source {
 public:
  explicit Source(std::string text) : text_(std::move(text)) {}

  // The literal that starts at `at` (a quote), unescaped; `end` is set past it.
  std::string Literal(std::size_t at, std::size_t& end) const {
    std::string value;
    std::size_t i = at + 1;
    for (; i < text_.size() && text_[i] != '"'; ++i) {
      if (text_[i] == '\\' && i + 1 < text_.size()) {
        ++i;
        value += text_[i] == 'n' ? '\n' : text_[i];
      } else {
        value += text_[i];
      }
    }
    end = i + 1;
    return value;
  }

  // Where the bracket opened at `open` closes.
  std::size_t Close(std::size_t open) const {
    int depth = 0;
    for (std::size_t i = open; i < text_.size(); ++i) {
      const char c = text_[i];
      if (c == '"') {
        Literal(i, i);
        --i;
        continue;
      }
      if (c == '(' || c == '{' || c == '[') ++depth;
      if (c == ')' || c == '}' || c == ']') {
        if (--depth == 0) return i;
      }
    }
    return text_.size();
  }

  // The literals between `from` and `to` that are not inside a further call
  // (a literal passed to find() is not a text for the user).
  std::vector<std::string> TopLiterals(std::size_t from, std::size_t to) const {
    std::vector<std::string> found;
    for (std::size_t i = from; i < to; ++i) {
      if (text_[i] == '"') {
        // Literals side by side are one text.
        std::size_t end = 0;
        std::string literal = Literal(i, end);
        for (std::size_t next = text_.find_first_not_of(" \r\n", end);
             next < to && text_[next] == '"'; next = text_.find_first_not_of(" \r\n", end))
          literal += Literal(next, end);
        if (literal.find_first_not_of(" \r\n") != std::string::npos)
          found.push_back(std::move(literal));
        i = end - 1;
      } else if (text_[i] == '(' && i > from && IsWordChar(text_[i - 1])) {
        i = Close(i);
      }
    }
    return found;
  }

  // Every call of `name(`: where its argument list opens.
  std::vector<std::size_t> Calls(const std::string& name) const {
    std::vector<std::size_t> calls;
    for (std::size_t at = text_.find(name + "("); at != std::string::npos;
         at = text_.find(name + "(", at + 1)) {
      if (at > 0 && (IsWordChar(text_[at - 1]))) continue;
      calls.push_back(at + name.size());
    }
    return calls;
  }

  // The literals given to `name` where it is defined in this file: `name =
  // "..."`, `name[] = "..."` or `name[...] = { "...", ... }`.
  std::vector<std::string> DefinedLiterals(const std::string& name) const {
    std::vector<std::string> found;
    for (std::size_t at = text_.find(name); at != std::string::npos;
         at = text_.find(name, at + 1)) {
      if ((at > 0 && IsWordChar(text_[at - 1])) || IsWordChar(text_[at + name.size()])) continue;
      std::size_t i = at + name.size();
      if (i < text_.size() && text_[i] == '[') i = Close(i) + 1;
      while (i < text_.size() && text_[i] == ' ') ++i;
      if (i >= text_.size() || text_[i] != '=' || text_[i + 1] == '=') continue;
      ++i;
      while (i < text_.size() && text_[i] == ' ') ++i;
      if (text_[i] == '"') {
        std::size_t end = 0;
        found.push_back(Literal(i, end));
      } else if (text_[i] == '{') {
        const auto more = TopLiterals(i, Close(i));
        found.insert(found.end(), more.begin(), more.end());
      }
    }
    return found;
  }

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// The keys of one source file.
void CollectKeys(const Source& source, std::set<std::string>& keys) {
  const std::string& text = source.text();
  // Literals given to the translation, and names whose literals are.
  for (const char* call : {"Translate", "Tr"}) {
    for (const std::size_t open : source.Calls(call)) {
      const std::size_t close = source.Close(open);
      for (auto& key : source.TopLiterals(open + 1, close)) keys.insert(key);
      std::string argument = text.substr(open + 1, close - open - 1);
      if (argument.find('"') != std::string::npos) continue;
      // "kTitle", "captions[i]", "field.label_key": the last name counts.
      argument = argument.substr(0, argument.find('['));
      argument =
          argument.substr(argument.rfind('.') == std::string::npos ? 0 : argument.rfind('.') + 1);
      for (auto& key : source.DefinedLiterals(argument)) keys.insert(key);
    }
  }
  // Helpers that pass their arguments on to the translation.
  // Their constants (kTitle) count as well.
  auto constants = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i + 1 < to; ++i) {
      if (text[i] != 'k' || !std::isupper(static_cast<unsigned char>(text[i + 1])) ||
          IsWordChar(text[i - 1]))
        continue;
      std::size_t end = i;
      while (end < to && IsWordChar(text[end])) ++end;
      for (auto& key : source.DefinedLiterals(text.substr(i, end - i))) keys.insert(key);
      i = end;
    }
  };
  for (const char* helper : {"Tell", "Confirmed", "AddEdit", "checked", "CheckName", "Say",
                             "NoFolder", "NoAccount", "ConfirmDeleteFolder"}) {
    for (const std::size_t open : source.Calls(helper)) {
      const std::size_t close = source.Close(open);
      for (auto& key : source.TopLiterals(open + 1, close)) keys.insert(key);
      constants(open + 1, close);
    }
  }
  for (std::size_t at = text.find("Field{"); at != std::string::npos;
       at = text.find("Field{", at + 1)) {
    const std::size_t open = at + 5;
    for (auto& key : source.TopLiterals(open + 1, source.Close(open))) keys.insert(key);
  }
  // Functions that choose a key: every literal they return, and their
  // constants.
  for (const char* chooser : {"Key(int", "TextsOf(NameDialog"}) {
    for (std::size_t at = text.find(chooser); at != std::string::npos;
         at = text.find(chooser, at + 1)) {
      const std::size_t body = text.find('{', at);
      if (text.rfind(';', body) > at) continue;  // a declaration
      for (auto& key : source.TopLiterals(body, source.Close(body))) keys.insert(key);
      constants(body, source.Close(body));
    }
  }
  // Folder dialogs: their title, and their name rule's texts.
  for (const std::size_t open : source.Calls("FolderDialog")) {
    for (auto& key : source.TopLiterals(open + 1, source.Close(open))) keys.insert(key);
  }
}

std::set<std::string> ProgramKeys() {
  std::set<std::string> keys;
  const fs::path src = fs::path(BREVANE_SOURCE_DIR) / "src";
  for (const char* folder : {"app", "ui", "core", "device", "mainwindow", "console", "drives"}) {
    for (const auto& entry : fs::directory_iterator(src / folder)) {
      if (entry.path().extension() != ".cpp") continue;
      CollectKeys(Source(ReadAll(entry.path())), keys);
    }
  }
  return keys;
}

TEST(LanguageKeys, EveryKeyTheProgramTranslatesIsInEveryShippedFile) {
  const std::set<std::string> keys = ProgramKeys();
  // The collection sees texts of every kind: captions, messages, titles,
  // Chinese keys, names of constants, helpers' arguments and chosen texts.
  for (const char* known :
       {"Connect", "連線失敗", "Search Completed!", "Firmware Upload", "Status", "Account Name",
        "IP Address", "Host Name", "Over Maximum (12 characters).", "Reading %1 …"})
    EXPECT_EQ(keys.count(known), 1u) << known;
  EXPECT_GT(keys.size(), 150u);

  for (const char* language : {"en", "zh-TW"}) {
    const fs::path file = fs::path(BREVANE_SOURCE_DIR) / "lang" / language / "language";
    const i18n::ParsedLanguageFile parsed = i18n::ParseLanguageFile(ReadAll(file));
    std::string missing;
    for (const std::string& key : keys) {
      if (!i18n::LookUpLanguage(parsed, key).empty()) continue;
      missing += "\n  ";
      for (const char c : key) missing += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    EXPECT_TRUE(missing.empty()) << file << " has no text for:" << missing;
  }
}

}  // namespace
