#include "device/drives.h"

#include <cstdint>
#include <map>
#include <optional>

#include "i18n/translate.h"
#include "net/ipv4.h"
#include "net/socket_error.h"
#include "net/tcp.h"
#include "net/waiting.h"

namespace device {

using i18n::Translate;

namespace {

std::optional<std::uint32_t> IPv4(const std::string& text) {
  return net::ParseIPv4(text);
}

std::string Where(const DriveMove& m) {
  return m.drive + "  " + m.from + " \u2192 " + m.to;
}

}  // namespace

bool OnOwnNetwork(const std::string& address, const std::vector<Network>& networks) {
  const auto ip = IPv4(address);
  if (!ip) return false;
  for (const Network& n : networks) {
    const auto own = IPv4(n.ip), mask = IPv4(n.mask);
    if (own && mask && *mask != 0 && (*own & *mask) == (*ip & *mask)) return true;
  }
  return false;
}

Following FollowDevices(const std::vector<DriveOfDevice>& drives,
                        const std::vector<net::DeviceRecord>& answers,
                        const std::vector<Network>& networks) {
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
    if (same.size() > 1) {
      following.ambiguous.push_back(drive);
    } else if (OnOwnNetwork(same[0]->Ip, networks)) {
      following.moves.push_back({drive.drive, drive.address, same[0]->Ip, drive.folder,
                                 drive.device_name, drive.group_name});
    }
  }
  return following;
}

std::vector<DriveMove> FromSilentAddresses(
    const std::vector<DriveMove>& moves,
    const std::function<bool(const std::string& address)>& still_answers) {
  std::map<std::string, bool> answers;
  std::vector<DriveMove> gone;
  for (const DriveMove& m : moves) {
    auto [at, fresh] = answers.try_emplace(m.from, false);
    if (fresh) at->second = still_answers(m.from);
    if (!at->second) gone.push_back(m);
  }
  return gone;
}

bool StillAnswers(const std::string& address) {
  // Half the time for each port: a device that is gone makes each wait to
  // its end, one that is there answers (or refuses) at once.
  for (const int port : {445, 80}) {
    try {
      net::TcpStream::Connect(address, static_cast<std::uint16_t>(port), 500);
      return true;
    } catch (const net::SocketError&) {
      // Refused or unreachable: nothing there on that port.
      if (net::ActionCancelled()) return true;  // the person stopped it: nothing is moved
    }
  }
  return false;
}

std::string AskToMove(const std::vector<DriveMove>& moves) {
  std::string text = Translate(
      "The device of these drives seems to answer at another address now, and nothing "
      "answers at theirs:");
  for (const DriveMove& m : moves)
    text += "\n" + m.drive + "  " + m.folder + "  (" + m.device_name + " / " + m.group_name +
            ")  " + m.from + " \u2192 " + m.to;
  text += "\n\n" + Translate(
                       "Anything on the network can answer with a device's name. Move these "
                       "drives, with their saved passwords, only if the new address is your "
                       "device's. Move them?");
  return text;
}

std::string SayFoundElsewhere(const DriveMove& move) {
  return move.drive + " " +
         Translate(
             "Its device seems to answer at another address now; nothing was sent "
             "there.") +
         " (" + move.from + " \u2192 " + move.to + ")\n" +
         Translate("If it is your device, move the drive with:") + " brevane-ctl --move-drive " +
         move.drive.substr(0, 1) + " " + move.to;
}

std::string SayMoved(const std::vector<DriveMove>& moves) {
  std::string text = Translate("These drives now use their device's new address:");
  for (const DriveMove& m : moves) text += "\n" + Where(m);
  return text;
}

std::string SayNotMoved(const std::vector<std::pair<DriveMove, int>>& failures) {
  std::string text = Translate("These drives could not follow their device to its new address:");
  // A protected folder whose password was not kept cannot be mounted anew
  // without the user.
  for (const auto& [m, code] : failures)
    text +=
        "\n" + Where(m) + ": " +
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
