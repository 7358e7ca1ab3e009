#pragma once

// The IP Config page: an automatic address or a fixed one with mask,
// gateway and name servers.

#include <string>

#include "device/device.h"

namespace device {

struct AddressSettings {
  bool automatic = false;
  std::string ip, mask, gateway, primary_dns, secondary_dns;
};

// What the page shows of a status page.
AddressSettings ShowIpConfig(const std::string& page);

// "Set": a fixed address, mask or gateway that is not four numbers from 0
// to 255 is refused (field: 0 address, 1 mask, 2 gateway, 3 and 4 the name
// servers); the gateway and the name servers may be empty. So is anything
// that would leave the device unreachable: an address no host may have
// (0.0.0.0, loopback, multicast, reserved, or its subnet's network or
// broadcast address), a mask whose ones are not all in front, a gateway
// outside the address's subnet.
Plan SetAddress(const std::string& address, const AddressSettings& settings);

}  // namespace device
