#pragma once

// Drives that follow their device: when a device with drives answers a scan
// at a new address, its drives are pointed there, by the device's name and
// group as its discovery reply gives them.

#include <string>
#include <vector>

#include "net/discovery.h"

namespace device {

// A drive of the workstation and the device its folder belongs to.
struct DriveOfDevice {
  std::string drive;    // "Z:"
  std::string address;  // where it points now
  std::string device_name, group_name;
};

struct DriveMove {
  std::string drive, from, to;
  bool operator==(const DriveMove&) const = default;
};

// What one scan means for the drives.
struct Following {
  std::vector<DriveMove> moves;
  // Drives left where they are because several devices answered with their
  // device's name and group: which one is theirs cannot be told.
  std::vector<DriveOfDevice> ambiguous;
};

// A drive moves to the one address its device answered the scan from, when
// nothing answered at its own address. It stays while its address answers,
// when its device did not answer, when several devices carry its device's
// name and group, and when its device is not known.
Following FollowDevices(const std::vector<DriveOfDevice>& drives,
                        const std::vector<net::DeviceRecord>& answers);

// The address of a remote name "\\address\folder"; empty when it has none.
std::string RemoteAddress(const std::string& remote_name);

// The messages, translated: the drives that moved (from and to), the ones
// that could not follow (with the connection result's reason), and the ones
// that stay because their device's name and group are not unique.
std::string SayMoved(const std::vector<DriveMove>& moves);
std::string SayNotMoved(const std::vector<std::pair<DriveMove, int>>& failures);
std::string SayAmbiguous(const std::vector<DriveOfDevice>& drives);

// The message key of a connection result (0 is success).
std::string DriveResultKey(int code);

}  // namespace device
