#pragma once

// brevane-exporter's configuration: which credentials go to which device.
// Anyone who can reach the exporter may ask it to probe any address, so
// credentials go only to an address the file lists, as the person wrote it:
//
//   auths:
//     office:
//       user: admin          # optional; admin when left out
//       password: "s3cret"
//   targets:
//     10.77.0.11: office
//     10.77.0.12: office
//
// Any other address is probed without credentials.

#include <map>
#include <stdexcept>
#include <string>

namespace exporter {

struct Credentials {
  std::string user = "admin";
  std::string password;
};

struct Config {
  std::map<std::string, Credentials> targets;  // by IPv4 address
  // The credentials for `address`; nothing for an address the file does
  // not list.
  const Credentials* For(const std::string& address) const;
};

// What is wrong with a configuration. The message never holds a password.
class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The configuration a YAML text holds. Unknown keys (a misspelt "targets"
// would leave every device without its credentials), duplicate keys, a
// target that is not an IPv4 address or names no auth, and an auth without
// a password are refused.
Config ParseConfig(const std::string& text);

// The configuration of a file that only its owner may read or write
// (0600 or stricter): one others may read is refused, since its passwords
// are no longer secret. At most 1 MiB.
Config LoadConfig(const std::string& path);

}  // namespace exporter
