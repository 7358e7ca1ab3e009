#pragma once

#include <string>

#include "device/trust.h"

namespace core {

// What every window knows about the device being worked on. Empty at start;
// read and written on the GUI thread only.
struct SessionState {
  std::string DeviceIp;  // dotted IPv4 text, as shown in the device list
  std::string UserName;  // HTTP Basic credentials
  std::string UserPassword;
  // The device's name and group as its discovery reply gave them: the
  // drives connected to it follow it to a new address by them.
  std::string DeviceName{};
  std::string GroupName{};
};

SessionState& Session();

// The session's device and login, as commands carry them. The person
// picked the device's row in the list (or typed its address) and typed its
// login in the login dialog, which names it: the address is theirs.
device::Session Login();

}  // namespace core
