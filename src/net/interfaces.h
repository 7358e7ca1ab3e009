#pragma once

// The workstation's IPv4 networks that a broadcast can reach: each
// interface that is up and can broadcast, loopback left out.

#include <string>
#include <vector>

namespace net {

struct Interface {
  std::string name;       // "eth0"
  std::string ip, mask;   // dotted IPv4 texts
  std::string broadcast;  // its directed broadcast address (the subnet's last)
};

std::vector<Interface> BroadcastInterfaces();

}  // namespace net
