#pragma once

#include <string>

namespace sim {

// True when this process runs in a test LAN namespace: a namespace named by
// `ip netns` that holds no interface but lo and lan0.
bool InPrivateNetworkNamespace();

// Exits with a message unless the process runs in a private network
// namespace: simulated devices and LAN tests must never reach the machine's
// own network.
void RequirePrivateNetworkNamespace(const std::string& program);

}  // namespace sim
