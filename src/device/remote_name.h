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

// Its address and folder; nothing unless it is of that form (both parts
// there, no further "\").
inline std::optional<std::pair<std::string, std::string>> SplitRemoteName(
    const std::string& remote) {
  if (remote.size() < 5 || remote.compare(0, 2, "\\\\") != 0) return std::nullopt;
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
