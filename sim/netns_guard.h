#pragma once

#include <string>

namespace sim {

// True when this process runs in a network namespace of its own rather than
// the machine's (the one process 1 lives in).
bool InPrivateNetworkNamespace();

// Exits with a message unless the process runs in a private network
// namespace: simulated devices and LAN tests must never reach the machine's
// own network.
void RequirePrivateNetworkNamespace(const std::string& program);

}  // namespace sim
