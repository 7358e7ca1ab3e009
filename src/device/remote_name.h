#pragma once

// A drive's remote name, "\\address\folder": built and split here only.
// Header-only, so that the drives module, which links nothing of ours,
// uses the same code.

#include <optional>
#include <string>
#include <utility>

namespace device {

inline std::string RemoteName(const std::string& address, const std::string& folder) {
  return "\\\\" + address + "\\" + folder;
}

// Whether `text` fits on one line of a drive's note: no line break, no NUL.
inline bool OneLine(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// Whether `text` is an IPv4 address as this program writes one: four
// numbers from 0 to 255 with dots between them, no leading zeros.
inline bool DottedQuad(const std::string& text) {
  int parts = 0;
  std::size_t at = 0;
  while (parts < 4) {
    std::size_t end = at;
    while (end < text.size() && end - at < 4 && text[end] >= '0' && text[end] <= '9') ++end;
    const std::size_t length = end - at;
    if (length == 0 || length > 3 || (length > 1 && text[at] == '0') ||
        std::stoi(text.substr(at, length)) > 255)
      return false;
    ++parts;
    if (end == text.size()) return parts == 4;
    if (text[end] != '.' || parts == 4) return false;
    at = end + 1;
  }
  return false;
}

// Its address and folder; nothing unless it is of that form (both parts
// there, no further "\"). A folder name with a line break or a NUL is no
// drive's: it could write lines of its own into the drive's note.
inline std::optional<std::pair<std::string, std::string>> SplitRemoteName(
    const std::string& remote) {
  if (remote.size() < 5 || remote.compare(0, 2, "\\\\") != 0 || !OneLine(remote))
    return std::nullopt;
  const auto slash = remote.find('\\', 2);
  if (slash == std::string::npos || slash == 2 || slash + 1 >= remote.size()) return std::nullopt;
  std::string folder = remote.substr(slash + 1);
  if (folder.find('\\') != std::string::npos) return std::nullopt;
  return std::pair{remote.substr(2, slash - 2), std::move(folder)};
}

// Its address, or its folder; empty when it is not of that form.
inline std::string RemoteAddress(const std::string& remote_name) {
  const auto parts = SplitRemoteName(remote_name);
  return parts ? parts->first : std::string();
}
inline std::string RemoteFolder(const std::string& remote_name) {
  const auto parts = SplitRemoteName(remote_name);
  return parts ? parts->second : std::string();
}

}  // namespace device
