#pragma once

#include <string>

namespace core {

// True when `device_ip` and `local_ip` give the same network address under
// `local_mask`, each part ANDed with its mask part and the results compared
// as dotted texts. An empty local address (no adapter could be read) cannot
// show a difference and counts as the same network; a part that is not a
// decimal number cannot be on our network and counts as different.
bool SameSubnet(const std::string& device_ip, const std::string& local_ip,
                const std::string& local_mask);

}  // namespace core
