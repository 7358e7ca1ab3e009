#pragma once

// Drives that follow their device. A device's name and group are what its
// discovery reply claims, and anything on the network can claim them: a
// scan only finds where a drive's device may have gone. The drive moves
// there, and its saved password goes there, only when the person says so.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/remote_name.h"
#include "net/discovery.h"

namespace device {

// A drive of the workstation and the device its folder belongs to.
struct DriveOfDevice {
  std::string drive;    // "Z:"
  std::string address;  // where it points now
  std::string folder;
  std::string device_name, group_name;
};

// A drive's move from one address of its device to another.
struct DriveMove {
  std::string drive, from, to;
  std::string folder, device_name, group_name;
  bool operator==(const DriveMove&) const = default;
};

// A network of the workstation's own: one of its addresses with its mask.
struct Network {
  std::string ip, mask;
};

// What one scan means for the drives.
struct Following {
  // Where each drive's device seems to be now.
  std::vector<DriveMove> moves;
  // Drives left where they are because several devices answered with their
  // device's name and group: which one is theirs cannot be told.
  std::vector<DriveOfDevice> ambiguous;
};

// A drive may move to the one address its device answered the scan from,
// when nothing answered at its own address and that address lies on one of
// the workstation's own networks. It stays while its address answers, when
// its device did not answer, when several devices carry its device's name
// and group, and when its device is not known.
Following FollowDevices(const std::vector<DriveOfDevice>& drives,
                        const std::vector<net::DeviceRecord>& answers,
                        const std::vector<Network>& networks);

// Whether `address` lies on one of `networks`.
bool OnOwnNetwork(const std::string& address, const std::vector<Network>& networks);

// The moves whose drive's own address is gone: `still_answers` (a bounded
// connection probe that sends nothing) is asked once for each address. A
// missed discovery reply alone never moves a drive whose device is there.
std::vector<DriveMove> FromSilentAddresses(
    const std::vector<DriveMove>& moves,
    const std::function<bool(const std::string& address)>& still_answers);

// That probe: whether a device still takes a connection at `address` on
// its folders' port (445) or its pages' (80), within about a second in all.
bool StillAnswers(const std::string& address);

// The messages, translated. The question before any move: each drive with
// its folder, device and both addresses.
std::string AskToMove(const std::vector<DriveMove>& moves);
// What a login says when a drive's device seems to answer elsewhere: how to
// move it, since nothing moves without the person.
std::string SayFoundElsewhere(const DriveMove& move);
// The drives that moved (from and to), the ones that could not (with the
// connection result's reason), and the ones that stay because their
// device's name and group are not unique.
std::string SayMoved(const std::vector<DriveMove>& moves);
std::string SayNotMoved(const std::vector<std::pair<DriveMove, int>>& failures);
std::string SayAmbiguous(const std::vector<DriveOfDevice>& drives);

// The message key of a connection result (0 is success).
std::string DriveResultKey(int code);

}  // namespace device
