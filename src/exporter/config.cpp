#include "exporter/config.h"

#include <filesystem>
#include <fstream>
#include <set>

#include <yaml-cpp/yaml.h>

#include "net/ipv4.h"
#include "scan/scan_output.h"

namespace exporter {
namespace {

constexpr std::size_t kMaxConfig = 1 << 20;

[[noreturn]] void Wrong(const std::string& what) {
  throw ConfigError(what);
}

// Where in the file a node stands, for the person fixing it.
std::string At(const YAML::Node& node) {
  const YAML::Mark mark = node.Mark();
  return mark.line >= 0 ? " (line " + std::to_string(mark.line + 1) + ")" : "";
}

// The keys of a mapping, each once, with their values; anything but a
// mapping is refused.
std::vector<std::pair<std::string, YAML::Node>> Members(const YAML::Node& map,
                                                        const std::string& what) {
  if (!map.IsMap()) Wrong(what + " is not a mapping" + At(map));
  std::vector<std::pair<std::string, YAML::Node>> members;
  std::set<std::string> seen;
  for (const auto& item : map) {
    if (!item.first.IsScalar()) Wrong(what + " has a key that is not a text" + At(item.first));
    const std::string key = item.first.Scalar();
    if (!seen.insert(key).second)
      Wrong(what + " has " + scan::Printable(key) + " twice" + At(item.first));
    members.emplace_back(key, item.second);
  }
  return members;
}

std::string Text(const YAML::Node& node, const std::string& what) {
  if (!node.IsScalar()) Wrong(what + " is not a text" + At(node));
  return node.Scalar();
}

}  // namespace

const Credentials* Config::For(const std::string& address) const {
  const auto it = targets.find(address);
  return it == targets.end() ? nullptr : &it->second;
}

Config ParseConfig(const std::string& text) {
  YAML::Node root;
  try {
    root = YAML::Load(text);
  } catch (const YAML::Exception& e) {
    Wrong("not YAML: " + e.msg + " (line " + std::to_string(e.mark.line + 1) + ")");
  }
  Config config;
  if (root.IsNull()) return config;  // an empty file: no device gets credentials
  std::map<std::string, Credentials> auths;
  std::vector<std::pair<std::string, YAML::Node>> targets;
  for (const auto& [key, value] : Members(root, "the configuration")) {
    if (key == "auths") {
      if (value.IsNull()) continue;
      for (const auto& [name, auth] : Members(value, "auths")) {
        const std::string where = "auth " + scan::Printable(name);
        Credentials credentials;
        bool has_password = false;
        for (const auto& [field, v] : Members(auth, where)) {
          if (field == "user") {
            credentials.user = Text(v, where + ": user");
          } else if (field == "password") {
            credentials.password = Text(v, where + ": password");
            has_password = true;
          } else {
            Wrong(where + " has an unknown key " + scan::Printable(field) + At(v) +
                  " (user or password)");
          }
        }
        if (!has_password) Wrong(where + " has no password" + At(auth));
        auths[name] = credentials;
      }
    } else if (key == "targets") {
      if (value.IsNull()) continue;
      targets = Members(value, "targets");
    } else {
      Wrong("unknown key " + scan::Printable(key) + At(value) + " (auths or targets)");
    }
  }
  for (const auto& [address, auth] : targets) {
    if (!net::IsIPv4(address))
      Wrong("target " + scan::Printable(address) + " is not an IPv4 address" + At(auth));
    const std::string name = Text(auth, "target " + address);
    const auto it = auths.find(name);
    if (it == auths.end())
      Wrong("target " + address + " names no auth of the file: " + scan::Printable(name) +
            At(auth));
    config.targets[address] = it->second;
  }
  return config;
}

Config LoadConfig(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) Wrong("cannot read " + scan::Printable(path) + ": " + error.message());
  if (!fs::is_regular_file(status)) Wrong(scan::Printable(path) + " is not a file");
  const fs::perms others = fs::perms::group_all | fs::perms::others_all;
  if ((status.permissions() & others) != fs::perms::none)
    Wrong(scan::Printable(path) +
          " may be read or written by others than its owner: it holds passwords (chmod 600 it)");
  std::ifstream file(path, std::ios::binary);
  if (!file) Wrong("cannot read " + scan::Printable(path));
  std::string text(kMaxConfig + 1, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.size() > kMaxConfig) Wrong(scan::Printable(path) + " is larger than 1 MiB");
  try {
    return ParseConfig(text);
  } catch (const ConfigError& e) {
    Wrong(scan::Printable(path) + ": " + e.what());
  }
}

}  // namespace exporter
