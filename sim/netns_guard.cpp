#include "sim/netns_guard.h"

#include <dirent.h>
#include <net/if.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace sim {
namespace {

// True when our network namespace is one of those `ip netns` has named.
bool InNamedNamespace() {
  struct stat self {};
  if (::stat("/proc/self/ns/net", &self) != 0) return false;
  DIR* dir = ::opendir("/run/netns");
  if (dir == nullptr) return false;
  bool found = false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string path = std::string("/run/netns/") + entry->d_name;
    struct stat named {};
    if (entry->d_name[0] != '.' && ::stat(path.c_str(), &named) == 0 &&
        named.st_ino == self.st_ino && named.st_dev == self.st_dev) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// True when the namespace holds no interface but loopback and the test
// LAN's own ("lan0", and "lan1" for a second network).
bool OnlyTestLanInterfaces() {
  struct if_nameindex* names = ::if_nameindex();
  if (names == nullptr) return false;
  bool only = true;
  for (const struct if_nameindex* n = names; n->if_index != 0; ++n) {
    const std::string name = n->if_name;
    if (name != "lo" && name != "lan0" && name != "lan1") only = false;
  }
  ::if_freenameindex(names);
  return only;
}

}  // namespace

bool InPrivateNetworkNamespace() {
  return InNamedNamespace() && OnlyTestLanInterfaces();
}

void RequirePrivateNetworkNamespace(const std::string& program) {
  if (InPrivateNetworkNamespace()) return;
  std::fprintf(stderr,
               "%s: refusing to run outside a test LAN namespace (a named network namespace "
               "holding only lo and its LAN interfaces); start it with scripts/testlan\n",
               program.c_str());
  std::exit(2);
}

}  // namespace sim
