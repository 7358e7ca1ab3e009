#include "i18n/translate.h"

#include "i18n/language_file.h"
#include "os/files.h"
#include "os/user.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace i18n {
namespace {

int g_switch = 0;
std::string g_fallback;
// brevane-ctl asks several devices at once: the cached file is shared.
std::mutex g_cache_mutex;

// Lines are read in pieces of at most 1023 bytes, as the file format allows;
// a longer line is taken as several lines.
constexpr std::size_t kPiece = 1023;

// The language file as last read, known by the identity of the file it came
// from, with the answers already looked up in it.
struct CachedFile {
  std::optional<os::FileIdentity> identity;
  ParsedLanguageFile parsed;
  std::unordered_map<std::string, std::string> answers;
};

CachedFile& Cached() {
  static CachedFile file;
  return file;
}

// Brings the cache up to date with the file on disk; false without a file
// to read (none, not a regular file, unreadable).
bool Refresh() {
  CachedFile& cached = Cached();
  std::string path = kLanguageFileName;
  auto info = os::IdentityAt(path);
  if (!info || !info->regular) {
    path = g_fallback;
    info = g_fallback.empty() ? std::nullopt : os::IdentityAt(path);
    if (!info || !info->regular) {
      cached = {};
      return false;
    }
  }
  if (cached.identity == info) return true;
  // Opening never waits, and what is read stops at a bound.
  int error = 0;
  const int fd = os::OpenToRead(path, error);
  if (fd < 0) {
    cached = {};
    return false;
  }
  const auto opened = os::IdentityOf(fd);
  std::string bytes;
  if (opened && opened->regular) {
    bytes.resize(static_cast<std::size_t>(
        std::min<std::int64_t>(opened->size, static_cast<std::int64_t>(kMaxLanguageFileBytes))));
    bytes.resize(os::ReadAt(fd, bytes.data(), bytes.size(), 0));
  }
  os::CloseFile(fd);
  cached = {};
  cached.identity = info;
  cached.parsed = ParseLanguageFile(bytes);
  return true;
}

}  // namespace

void SetFallbackLanguageFile(const std::string& path) {
  const std::lock_guard lock(g_cache_mutex);
  g_fallback = path;
  Cached() = {};
}

void SetTranslationSwitch(int value) {
  g_switch = value;
}
int TranslationSwitch() {
  return g_switch;
}

namespace {

// The folder holding `path`: all before its last separator, either kind
// (Windows names its program with backslashes); empty when it has none.
std::string Folder(const std::string& path) {
  const std::size_t end = path.find_last_of("/\\");
  return end == std::string::npos ? std::string() : path.substr(0, end);
}

bool IsFolder(const std::string& path) {
  const auto info = os::IdentityAt(path);
  return info && info->folder;
}

}  // namespace

std::string LocaleLanguage() {
  const std::string region = os::UserLanguage().substr(0, 5);
  return region == "zh_TW" || region == "zh_HK" || region == "zh-TW" || region == "zh-HK" ? "zh-TW"
                                                                                          : "en";
}

void UseShippedLanguageFiles(const std::string& built_in) {
  // The paths stay UTF-8 text, opened by the system's seam in its own
  // encoding: a folder such as C:\Users\José reaches Windows whole, where
  // a std::filesystem::path made from the bytes would read them in the
  // ANSI code page.
  std::string directory = built_in;
  if (const std::string folder = Folder(os::ProgramPath()); !folder.empty()) {
    // Installed (share/brevane/lang beside bin/), or unpacked with the
    // files beside the program (lang/), as on Windows.
    for (const std::string& shipped : {Folder(folder) + "/share/brevane/lang", folder + "/lang"})
      if (IsFolder(shipped)) {
        directory = shipped;
        break;
      }
  }
  SetFallbackLanguageFile(directory.empty() ? std::string()
                                            : directory + "/" + LocaleLanguage() + "/language");
}

std::string Translate(const std::string& key) {
  if (g_switch != 1) return key;
  const std::lock_guard lock(g_cache_mutex);
  if (!Refresh()) return key;
  // The file is looked at anew for every text, but read again only when it
  // has changed; an answer found once is kept as long as the file is.
  auto& answers = Cached().answers;
  auto it = answers.find(key);
  if (it == answers.end()) it = answers.emplace(key, LookUpLanguage(Cached().parsed, key)).first;
  return it->second.empty() ? key : it->second;
}

// Splits `bytes` the way repeated fgets calls with a 1024-byte buffer would.
ParsedLanguageFile ParseLanguageFile(const std::string& bytes) {
  ParsedLanguageFile file;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = at;
    while (end < bytes.size() && end - at < kPiece && bytes[end] != '\n') ++end;
    if (end < bytes.size() && bytes[end] == '\n' && end - at < kPiece) ++end;
    std::string piece = bytes.substr(at, end - at);
    piece.resize(std::strlen(piece.c_str()));  // a piece ends at its first zero byte
    const auto eq = piece.find('=');
    if (eq == std::string::npos)
      file.without_equals.push_back(file.pieces.size());
    else
      file.first_named.emplace(piece.substr(0, eq), file.pieces.size());
    file.pieces.push_back(std::move(piece));
    at = end;
  }
  return file;
}

// The first piece holding `key` decides: one without "=" ends the search
// with nothing; one whose name before its "=" is the key gives the rest of
// the line less its last two bytes (CR LF); any other is passed over.
std::string LookUpLanguage(const ParsedLanguageFile& file, const std::string& key) {
  const auto named = file.first_named.find(key);
  const std::size_t candidate =
      named == file.first_named.end() ? file.pieces.size() : named->second;
  for (const std::size_t i : file.without_equals) {
    if (i > candidate) break;
    if (file.pieces[i].find(key) != std::string::npos) return {};
  }
  if (candidate == file.pieces.size()) return {};
  const std::string& line = file.pieces[candidate];
  const std::size_t start = key.size() + 1;
  const std::size_t rest = line.size() - start;
  return rest > 2 ? line.substr(start, rest - 2) : std::string();
}

}  // namespace i18n
