// brevane-ctl's network drives: mounted again at login where they point,
// and moved only by the person who owns them.

#include <cctype>
#include <cstdio>

#include "ctl/arguments.h"
#include "ctl/ctl.h"
#include "ctl/output.h"
#include "ctl/secrets.h"
#include "ctl/trust.h"
#include "desktop/system.h"
#include "device/drives.h"
#include "i18n/translate.h"
#include "net/socket_error.h"
#include "scan/discover.h"
#include "scan/scan_output.h"

namespace ctl {

using i18n::Translate;

namespace {

// The drive a LETTER names ("Z" or "Z:", D to Z), as "Z:".
std::string DriveOf(const std::string& letter, const char* option) {
  const char c = letter.empty()
                     ? '\0'
                     : static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
  if (c < 'D' || c > 'Z' || letter.size() > 2 || (letter.size() == 2 && letter[1] != ':'))
    Usage(std::string(option) + " takes a drive letter from D to Z");
  return std::string(1, c) + ":";
}

desktop::DriveRecord KeptDrive(desktop::NetworkDrives& drives, const std::string& drive) {
  for (const auto& d : drives.ListDrives())
    if (d.drive == drive) return d;
  Fail(kFailed, "there is no drive " + drive);
}

}  // namespace

// At login: the drive is mounted again where it points, with its kept
// password, and nowhere else. When its address is silent, one scan may find
// its device elsewhere; that is said, and only the person moves the drive.
int ReconnectDrive(const Options& options, Output& out) {
  const std::string drive = DriveOf(*options.reconnect_drive, "--reconnect-drive");
  out.SetSubject(drive, "reconnect-drive");
  const auto drives = desktop::SystemDrives();
  const desktop::DriveRecord kept = KeptDrive(*drives, drive);
  const int result = drives->Reconnect(drive);
  if (result == 0) {
    out.Result("", JsonObject().Text("remote_name", kept.remote_name));
    return kDone;
  }
  // Refused by its device: the device is there, and stays where it is.
  namespace error = desktop::drive_error;
  const std::string failure = drive + " " + Translate(device::DriveResultKey(result));
  if (result == error::kInvalidPassword || result == error::kAccessDenied ||
      result == error::kCancelled)
    Fail(kFailed, failure);
  const net::DeviceList found = Scanned(options, "scan for the device of " + drive, kNoAnswer);
  const auto adapters = desktop::SystemAdapters();
  const device::Following following = device::FollowDevices(
      desktop::DrivesOfDevices({kept}), found.Devices(), desktop::OwnNetworks(*adapters));
  if (!following.ambiguous.empty()) {
    // The device's names as a terminal can show them.
    std::vector<device::DriveOfDevice> shown = following.ambiguous;
    for (auto& d : shown) {
      d.device_name = scan::Printable(d.device_name);
      d.group_name = scan::Printable(d.group_name);
    }
    Fail(kFailed, device::SayAmbiguous(shown));
  }
  const auto elsewhere = device::FromSilentAddresses(following.moves, device::StillAnswers);
  if (!elsewhere.empty()) {
    device::DriveMove shown = elsewhere.front();
    shown.device_name = scan::Printable(shown.device_name);
    shown.group_name = scan::Printable(shown.group_name);
    const std::string text = device::SayFoundElsewhere(shown);
    desktop::Notify(Translate("Reconnect network drive") + " " + drive, text);
    Fail(kNoAnswer, failure + "\n" + text);
  }
  // Its device is where it was (the share is what failed), or nowhere.
  const std::string address = device::RemoteAddress(kept.remote_name);
  bool answered = false;
  for (const auto& d : found.Devices()) answered |= d.Ip == address;
  Fail(answered ? kFailed : kNoAnswer, failure);
}

// The person's own move: a drive goes to ADDRESS, or back to where its last
// move took it from, with its saved password.
int MoveDrive(const Options& options, Output& out) {
  const bool assume_yes = options.yes;
  const std::string drive = DriveOf(options.move_drive->first, "--move-drive");
  out.SetSubject(drive, "move-drive");
  const auto drives = desktop::SystemDrives();
  const desktop::DriveRecord kept = KeptDrive(*drives, drive);
  const std::string from = device::RemoteAddress(kept.remote_name);
  std::string to = options.move_drive->second;
  const bool back = to == "back";
  if (back) {
    if (kept.previous_address.empty()) Fail(kFailed, drive + " has not been moved; it stays");
    to = kept.previous_address;
  }
  if (!IsAddress(to)) Usage("--move-drive takes an IPv4 address or back");
  if (to == from) Fail(kFailed, drive + " is at " + to + " already");
  const auto adapters = desktop::SystemAdapters();
  if (!device::OnOwnNetwork(to, desktop::OwnNetworks(*adapters)))
    Fail(kFailed, to + " is on none of this computer's networks; " + drive + " stays");
  // A drive whose address answers is in use there: moving it is the
  // person's choice, asked again.
  if (device::StillAnswers(from) && !assume_yes) {
    const std::string question =
        drive + ": something still answers at " + from + ". Move the drive to " + to + "?";
    if (!CanAsk())
      Fail(kUsage, question + "\nNot asked without a terminal: give --yes to go ahead.");
    if (!AskYes(question)) Fail(kFailed, drive + " stays at " + from + ".");
  }
  // An address typed is the person's; one the drive's note gives gets its
  // kept password only with the person's yes, as a found one does.
  std::vector<device::Trusted> where = {device::Trusted::Chosen(to)};
  if (back)
    where = Trust(options, {{to, kept.device_name, kept.group_name}},
                  "is where " + drive + "'s note says a move took it from");
  const device::DriveMove move{
      drive, from, to, device::RemoteFolder(kept.remote_name), kept.device_name, kept.group_name};
  if (const int moved = drives->MoveDrive(drive, where.front()); moved != 0)
    Fail(kFailed, device::SayNotMoved({{move, moved}}));
  out.Result(device::SayMoved({move}) + "\n", JsonObject().Text("from", from).Text("to", to));
  return kDone;
}

}  // namespace ctl
