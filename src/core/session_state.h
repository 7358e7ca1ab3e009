#pragma once

#include <string>

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

}  // namespace core
