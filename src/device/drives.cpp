#include "device/drives.h"

#include "i18n/translate.h"

namespace device {

using i18n::Translate;

Following FollowDevices(const std::vector<DriveOfDevice>& drives,
                        const std::vector<net::DeviceRecord>& answers) {
  Following following;
  for (const DriveOfDevice& drive : drives) {
    if (drive.device_name.empty() || drive.address.empty()) continue;
    bool own_address_answers = false;
    std::vector<const net::DeviceRecord*> same;
    for (const net::DeviceRecord& answer : answers) {
      own_address_answers |= answer.Ip == drive.address;
      if (answer.DeviceName == drive.device_name && answer.GroupName == drive.group_name)
        same.push_back(&answer);
    }
    if (own_address_answers || same.empty()) continue;
    if (same.size() > 1)
      following.ambiguous.push_back(drive);
    else
      following.moves.push_back({drive.drive, drive.address, same[0]->Ip});
  }
  return following;
}

std::string RemoteAddress(const std::string& remote_name) {
  if (remote_name.rfind("\\\\", 0) != 0) return {};
  const auto slash = remote_name.find('\\', 2);
  return slash == std::string::npos ? std::string() : remote_name.substr(2, slash - 2);
}

std::string SayMoved(const std::vector<DriveMove>& moves) {
  std::string text = Translate("These drives now use their device's new address:");
  for (const DriveMove& m : moves) text += "\n" + m.drive + "  " + m.from + " \u2192 " + m.to;
  return text;
}

std::string SayNotMoved(const std::vector<std::pair<DriveMove, int>>& failures) {
  std::string text = Translate("These drives could not follow their device to its new address:");
  // A protected folder whose password was not kept cannot be mounted anew
  // without the user.
  for (const auto& [m, code] : failures)
    text +=
        "\n" + m.drive + "  " + m.from + " \u2192 " + m.to + ": " +
        Translate(code == 86 ? "Its password was not kept: connect it again in the drive dialog."
                             : DriveResultKey(code));
  return text;
}

std::string SayAmbiguous(const std::vector<DriveOfDevice>& drives) {
  std::string text = Translate(
      "These drives keep their address: more than one device answered with the name "
      "and group of theirs:");
  for (const DriveOfDevice& d : drives)
    text += "\n" + d.drive + "  " + d.device_name + " / " + d.group_name;
  return text;
}

std::string DriveResultKey(int code) {
  switch (code) {
    case 5:
      return "Access to the network resource was denied.";
    case 66:
      return "The type of local device and the type of network resource do not match.";
    case 67:
      return "The resource name is invalid, or the named resource cannot be located.";
    case 85:
      return "The local device is already connected to a network resource.";
    case 86:
      return "The password is invalid.";
    case 170:
    case 1204:
      return "The value specified by provider does not match any provider.";
    case 1200:
      return "The value specified by Disk Number is invalid.";
    case 1202:
      return "An entry for the device specified in Disk Number is already in the user profile.";
    case 1203:
      return "A network component has not started.";
    case 1205:
      return "The system is unable to open the user profile.";
    case 1206:
      return "The user profile is in an incorrect format.";
    case 1208:
      return "A network-specific error occurred.";
    case 1222:
      return "No network.";
    case 1223:
      return "The connection was cancelled by the user.";
    default:
      return "Exception Error.";
  }
}

}  // namespace device
