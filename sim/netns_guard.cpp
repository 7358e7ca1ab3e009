#include "sim/netns_guard.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

namespace sim {

bool InPrivateNetworkNamespace() {
  struct stat self {};
  struct stat init {};
  if (::stat("/proc/self/ns/net", &self) != 0 || ::stat("/proc/1/ns/net", &init) != 0)
    return false;  // cannot tell: treat as the machine's own
  return self.st_ino != init.st_ino || self.st_dev != init.st_dev;
}

void RequirePrivateNetworkNamespace(const std::string& program) {
  if (InPrivateNetworkNamespace()) return;
  std::fprintf(stderr,
               "%s: refusing to run in the machine's own network namespace; "
               "start it inside a test LAN (scripts/testlan)\n",
               program.c_str());
  std::exit(2);
}

}  // namespace sim
