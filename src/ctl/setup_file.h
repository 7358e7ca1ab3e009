#pragma once

// A device's setup as a file: what brevane-ctl backup writes and apply
// reads. JSON, one section a line, versioned by its first member:
//
//   {"brevane_setup": 1,
//    "names": {"host": "NAS1", "group": "HOME"},
//    "time": {"sntp": false, "server": "pool.ntp.org", "zone": 0},
//    "language": "English",
//    "dhcp_server": false,
//    "address": {"automatic": false, "ip": "192.168.1.20", "mask": "255.255.255.0",
//                "gateway": "", "primary_dns": "", "secondary_dns": ""},
//    "folders": [{"name": "PUBLIC", "shared": true, "protected": false}],
//    "ftp": {"enabled": false, "port": "21", "anonymous": false,
//            "anonymous_read_only": true, "anonymous_home": "PUBLIC"},
//    "accounts": [{"name": "bob", "enabled": true, "read_only": true,
//                  "folders": ["PUBLIC"]}],
//    "disk": {"sleep_minutes": 0}}
//
// A section left out leaves that part of the device as it is.

#include <string>

#include "device/setup.h"

namespace ctl {

inline constexpr int kSetupVersion = 1;

std::string SetupJson(const device::Setup& setup);

// The setup of a file, laid over `base` (the device as it is): what the
// file leaves out stays as the device has it. Throws Failure (usage)
// saying what is wrong: not JSON, another or a newer version, a member of
// the wrong kind.
device::Setup ReadSetup(const std::string& text, const device::Setup& base);

}  // namespace ctl
