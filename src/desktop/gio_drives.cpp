#include "desktop/gio_drives.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <tuple>

#include "desktop/drive_files.h"
#include "desktop/gio_keyring.h"
#include "desktop/gio_objects.h"
#include "device/remote_name.h"
#include "os/files.h"

namespace desktop {
namespace {

using namespace drive_files;
using namespace keyring;

// How long a drive that moved waits for the old address's mount to go.
constexpr int kLetGoMs = 1000;

namespace fs = std::filesystem;

std::optional<char> LetterOf(const std::string& text) {
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return std::nullopt;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (letter < 'D' || letter > 'Z') return std::nullopt;
  return letter;
}

// Splits "\\address\folder".
bool SplitRemoteName(const std::string& remote, std::string& server, std::string& share) {
  const auto parts = device::SplitRemoteName(remote);
  if (!parts) return false;
  std::tie(server, share) = *parts;
  return true;
}

// Waits until the local place of a share just mounted can be listed, at most
// 5 s. A share unmounted and mounted again within a few seconds (after the
// drive dialog's probe, or an unmount elsewhere) fails every access through
// GVfs's FUSE folder for about a second; the letter is for using at once.
void WaitUntilListable(const std::string& local, const std::string& shown) {
  net::WaitScope waiting(net::Activity::Connecting, shown);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    std::error_code error;
    fs::directory_iterator listing(local, error);
    if (!error || net::ActionCancelled() || std::chrono::steady_clock::now() > give_up) return;
    net::Pause(50);
  }
}

// Whether `path` is one of the mounted places or inside one.
bool OnMountedPlace(const std::string& path, const std::vector<std::string>& places) {
  for (const std::string& place : places)
    if (path == place || path.rfind(place + "/", 0) == 0) return true;
  return false;
}

}  // namespace

GioNetworkDrives::Places GioNetworkDrives::UserPlaces() {
  const char* home = std::getenv("HOME");
  const std::string base = home != nullptr ? home : g_get_home_dir();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  return {base + "/Network Drives",
          (config != nullptr && *config ? std::string(config) : base + "/.config") + "/autostart",
          ReconnectProgram()};
}

GioNetworkDrives::GioNetworkDrives(Places places, int mount_timeout_ms)
    : places_(std::move(places)), mount_timeout_ms_(mount_timeout_ms) {}

std::string GioNetworkDrives::LetterPath(char letter) const {
  return places_.drives_dir + "/" + std::string(1, letter);
}

std::string GioNetworkDrives::UncPath(char letter) const {
  return places_.drives_dir + "/." + std::string(1, letter) + ".unc";
}

std::string GioNetworkDrives::AutostartPath(char letter) const {
  return places_.autostart_dir + "/brevane-drive-" + std::string(1, letter) + ".desktop";
}

bool GioNetworkDrives::Connected(char letter) {
  std::error_code error;
  const fs::path target = fs::read_symlink(LetterPath(letter), error);
  if (error) {
    fs::remove(UncPath(letter), error);  // a note left without its link
    return false;
  }
  const auto mounted = MountedPlaces();
  // Nobody to ask: the link is all there is to go by.
  if (!mounted || OnMountedPlace(target.string(), *mounted)) return true;
  if (fs::exists(AutostartPath(letter), error)) {
    // Kept for the next login: mounted again (the keyring has its password).
    if (remounted_.insert(letter).second && Reconnect(std::string(1, letter) + ":") == 0) {
      if (const auto note = ReadNote(letter)) WaitUntilListable(target.string(), note->remote_name);
    }
    return true;
  }
  fs::remove(LetterPath(letter), error);
  fs::remove(UncPath(letter), error);
  return false;
}

std::string GioNetworkDrives::ShareUri(const std::string& remote_name, bool with_user) {
  std::string server, share;
  if (!SplitRemoteName(remote_name, server, share)) return {};
  // Every byte that is not plainly safe is escaped, so the URI carries blanks,
  // quotes, ampersands and any other letter without ambiguity.
  std::unique_ptr<char, decltype(&g_free)> escaped(
      g_uri_escape_string(share.c_str(), nullptr, FALSE), g_free);
  std::unique_ptr<char, decltype(&g_free)> host(
      g_uri_escape_string(server.c_str(), G_URI_RESERVED_CHARS_SUBCOMPONENT_DELIMITERS, FALSE),
      g_free);
  // The user is the folder's own name: the device knows its password so.
  return "smb://" + (with_user ? std::string(escaped.get()) + "@" : "") + host.get() + "/" +
         escaped.get();
}

std::string GioNetworkDrives::AutostartEntry(const std::string& program, char letter,
                                             const std::string& uri) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Reconnect network drive " +
         std::string(1, letter) +
         "\n"
         "Comment=Mounts " +
         uri +
         " again at login\n"
         "Exec=" +
         DesktopExecArgument(program) + " --reconnect-drive " + std::string(1, letter) +
         "\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

std::optional<GioNetworkDrives::Note> GioNetworkDrives::ReadNote(char letter) const {
  std::ifstream in(UncPath(letter));
  Note note;
  std::string with_user;
  if (!in || !std::getline(in, note.remote_name) || note.remote_name.empty()) return std::nullopt;
  std::getline(in, note.device_name);
  std::getline(in, note.group_name);
  if (std::getline(in, with_user)) {
    note.with_user = with_user == "user";
    std::getline(in, note.previous_address);
    // Where a move took the drive from, as this program wrote it: one
    // address on the fifth and last line, or none.
    std::string more;
    if (!device::DottedQuad(note.previous_address) || std::getline(in, more))
      note.previous_address.clear();
  } else {
    // A note of an earlier release, the remote name alone: a drive kept for
    // the login was mounted as the folder's user unless its entry says
    // anonymously.
    std::ifstream entry(AutostartPath(letter));
    std::string text((std::istreambuf_iterator<char>(entry)), std::istreambuf_iterator<char>());
    note.with_user = entry && text.find("--anonymous") == std::string::npos;
  }
  return note;
}

bool GioNetworkDrives::WriteNote(char letter, const Note& note) const {
  // One line each, or no note: a remote name or an address with a line
  // break would write lines of its own. A device name with one is not kept
  // (the drive then does not follow its device).
  if (!device::OneLine(note.remote_name) || !device::OneLine(note.previous_address) ||
      (!note.previous_address.empty() && !device::DottedQuad(note.previous_address)))
    return false;
  auto line = [](const std::string& text) { return device::OneLine(text) ? text : std::string(); };
  int failure = 0;
  return os::WriteWhole(UncPath(letter),
                        note.remote_name + "\n" + line(note.device_name) + "\n" +
                            line(note.group_name) + "\n" + (note.with_user ? "user" : "") + "\n" +
                            line(note.previous_address) + "\n",
                        failure);
}

bool GioNetworkDrives::WriteAutostartEntry(char letter, const std::string& uri) const {
  std::error_code error;
  fs::create_directories(places_.autostart_dir, error);
  int failure = 0;
  return os::WriteWhole(AutostartPath(letter),
                        AutostartEntry(places_.reconnect_program, letter, uri), failure);
}

DriveType GioNetworkDrives::GetDriveType(const std::string& root_path) {
  const auto letter = LetterOf(root_path);
  if (!letter) return DriveType::NoRootDir;
  return Connected(*letter) ? DriveType::Remote : DriveType::NoRootDir;
}

std::optional<std::string> GioNetworkDrives::GetConnection(const std::string& drive) {
  const auto letter = LetterOf(drive);
  if (!letter || !Connected(*letter)) return std::nullopt;
  const auto note = ReadNote(*letter);
  if (!note) return std::nullopt;
  return note->remote_name;
}

int GioNetworkDrives::AddConnection(const NetResource& resource, const std::string& password) {
  const std::string uri = ShareUri(resource.remote_name);
  if (uri.empty()) return drive_error::kBadNetName;
  std::string server, share;
  SplitRemoteName(resource.remote_name, server, share);

  std::optional<char> letter;
  if (resource.local_name) {
    letter = LetterOf(*resource.local_name);
    if (!letter) return drive_error::kBadDevice;
    if (Connected(*letter)) return drive_error::kAlreadyAssigned;
  }
  // The device knows a protected folder's password under the folder's name.
  bool fresh = false;
  const int result = Mount(uri, share, password, Save::Never, &fresh);
  if (result != 0) return result;
  if (!letter) {
    if (fresh) letterless_.insert(uri);
    return 0;
  }
  return CreateLetter(*letter, uri, {resource.remote_name, {}, {}, false, {}});
}

int GioNetworkDrives::ProbeShare(const std::string& remote_name, const std::string& password) {
  const std::string uri = ShareUri(remote_name);
  if (uri.empty()) return drive_error::kBadNetName;
  std::string server, share;
  SplitRemoteName(remote_name, server, share);
  bool fresh = false;
  const int result = Mount(uri, share, password, Save::Never, &fresh);
  if (fresh) {
    GObjectPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
    Unmount(file.get());
  }
  return result;
}

int GioNetworkDrives::CreateLetter(char letter, const std::string& uri, const Note& note) {
  GObjectPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
  std::unique_ptr<char, decltype(&g_free)> local(g_file_get_path(file.get()), g_free);
  // Mounted, but there is no local place for it (no GVfs FUSE).
  if (!local) return drive_error::kServiceNotStarted;
  WaitUntilListable(local.get(), note.remote_name);
  std::error_code error;
  MakePrivateFolder(places_.drives_dir);
  fs::create_symlink(local.get(), LetterPath(letter), error);
  if (error) return drive_error::kBadDevice;
  if (!WriteNote(letter, note)) {
    fs::remove(LetterPath(letter), error);
    return drive_error::kBadDevice;
  }
  return 0;
}

void GioNetworkDrives::UseShare(const std::string& remote_name, const std::string& password) {
  // The share is mounted for the user already; asking again keeps it so.
  const std::string uri = ShareUri(remote_name);
  std::string server, share;
  if (!uri.empty() && SplitRemoteName(remote_name, server, share))
    Mount(uri, share, password, Save::Never);
}

int GioNetworkDrives::MapDrivePersistently(const std::string& drive, const std::string& remote_name,
                                           const std::string& password) {
  std::string server, share;
  const auto letter = LetterOf(drive);
  if (!letter) return drive_error::kBadDevice;
  if (!SplitRemoteName(remote_name, server, share)) return drive_error::kBadNetName;
  // A protected folder is kept mounted under its user's name: a mount of its
  // own, so the password is asked for (and goes to the keyring) even when
  // the share is open already, and the login finds it there again. An open
  // folder has no user to log in as: it is kept as it is mounted.
  const bool open = password.empty();
  const std::string uri = ShareUri(remote_name, !open);
  // A connection this object made without a letter led to this drive: an
  // open folder's drive keeps that mount, a protected folder's has its own.
  const std::string letterless = ShareUri(remote_name);
  const bool mounted_letterless = letterless_.erase(letterless) > 0;
  auto unmount = [](const std::string& mounted) {
    GObjectPtr<GFile> file(g_file_new_for_uri(mounted.c_str()));
    Unmount(file.get());
  };
  // The password this drive saves goes again if the drive is not made.
  const bool saves_password = !open && NoSavedPassword(server, share);
  bool fresh = false;
  const int result = Mount(uri, share, password, open ? Save::Never : Save::Permanently, &fresh);
  if (mounted_letterless && (result != 0 || uri != letterless)) unmount(letterless);
  if (result != 0) return result;
  // Whether a failure from here on takes back the drive's mount.
  const bool ours = fresh || (mounted_letterless && uri == letterless);
  auto take_back = [&] {
    if (ours) unmount(uri);
    if (saves_password && fresh) ForgetSavedPasswords(server, share);
  };
  std::error_code error;
  const bool had_letter = fs::is_symlink(LetterPath(*letter), error);
  if (!had_letter) {
    if (const int made = CreateLetter(*letter, uri, {remote_name, {}, {}, !open, {}}); made != 0) {
      take_back();
      return made;
    }
  }
  if (!WriteAutostartEntry(*letter, uri)) {
    fs::remove(AutostartPath(*letter), error);
    if (!had_letter) {
      fs::remove(LetterPath(*letter), error);
      fs::remove(UncPath(*letter), error);
    }
    take_back();
    return drive_error::kCannotOpenProfile;  // the autostart folder
  }
  return 0;
}

std::string GioNetworkDrives::DrivePlace(const std::string& drive) {
  const auto letter = LetterOf(drive);
  return letter ? LetterPath(*letter) : std::string();
}

void GioNetworkDrives::NoteDevice(const std::string& drive, const std::string& device_name,
                                  const std::string& group_name) {
  const auto letter = LetterOf(drive);
  if (!letter) return;
  auto note = ReadNote(*letter);
  if (!note) return;
  note->device_name = device_name;
  note->group_name = group_name;
  WriteNote(*letter, *note);
}

std::vector<DriveRecord> GioNetworkDrives::ListDrives() {
  std::vector<DriveRecord> drives;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    std::error_code error;
    if (!fs::is_symlink(LetterPath(letter), error)) continue;
    const auto note = ReadNote(letter);
    if (!note) continue;
    drives.push_back({std::string(1, letter) + ":", note->remote_name, note->device_name,
                      note->group_name, fs::exists(AutostartPath(letter), error),
                      note->previous_address});
  }
  return drives;
}

int GioNetworkDrives::Reconnect(const std::string& drive) {
  const auto letter = LetterOf(drive);
  if (!letter) return drive_error::kBadDevice;
  const auto note = ReadNote(*letter);
  std::string server, share;
  if (!note || !SplitRemoteName(note->remote_name, server, share)) return drive_error::kBadNetName;
  // No password of ours: a protected folder's comes from the keyring, an
  // open folder is mounted anonymously.
  return Mount(NoteUri(*note), share, {}, note->with_user ? Save::Permanently : Save::Never);
}

namespace {

// Makes `link` point at `target` in one step: it never stands for nothing.
// A leftover of an earlier attempt goes only if it is a link of ours.
bool ReplaceLink(const std::string& link, const fs::path& target) {
  const std::string fresh_link = link + ".new";
  std::error_code e;
  const auto kind = fs::symlink_status(fresh_link, e).type();
  if (kind == fs::file_type::symlink)
    fs::remove(fresh_link, e);
  else if (kind != fs::file_type::not_found)
    return false;
  fs::create_symlink(target, fresh_link, e);
  if (!e) fs::rename(fresh_link, link, e);
  if (e) fs::remove(fresh_link, e);
  return !e;
}

}  // namespace

void GioNetworkDrives::LetGoOf(const std::string& place) {
  // The mount goes if nothing is open on it; it is never forced, so no open
  // file loses a write. (GVfs lets go of a mount whose server is gone only
  // after the network's timeouts, about 18 s.)
  if (const auto mounted = MountedPlaces(); mounted && OnMountedPlace(place, *mounted)) {
    GObjectPtr<GFile> file(g_file_new_for_path(place.c_str()));
    Unmount(file.get(), kLetGoMs, false);
  }
}

int GioNetworkDrives::MoveDrive(const std::string& drive, const device::Trusted& to) {
  const std::string& address = to.address();
  const auto letter = LetterOf(drive);
  if (!letter) return drive_error::kBadDevice;
  std::error_code error;
  const auto note = ReadNote(*letter);
  const fs::path old_place = fs::read_symlink(LetterPath(*letter), error);
  std::string server, share;
  if (!note || error || !SplitRemoteName(note->remote_name, server, share))
    return drive_error::kBadNetName;
  Note moved = *note;
  moved.remote_name = device::RemoteName(address, share);
  moved.previous_address = server;
  const std::string uri = NoteUri(moved);
  if (uri.empty() || address == server) return drive_error::kBadNetName;
  const bool at_login = fs::exists(AutostartPath(*letter), error);

  // The folder's saved password goes along, unless the new address has one
  // already: that one is used and stays as it is.
  SavedEntries made, originals;
  struct Releaser {
    SavedEntries &a, &b;
    ~Releaser() {
      ReleaseEntries(a);
      ReleaseEntries(b);
    }
  } releaser{made, originals};
  if (note->with_user && NoSavedPassword(address, share) &&
      !CopySavedPasswords(server, address, share, made, originals)) {
    ForgetEntries(made);
    return drive_error::kCannotOpenProfile;
  }
  bool fresh = false;
  const int result =
      Mount(uri, share, {}, note->with_user ? Save::Permanently : Save::Never, &fresh);
  GObjectPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
  std::unique_ptr<char, decltype(&g_free)> local(
      result == 0 ? g_file_get_path(file.get()) : nullptr, g_free);
  // Only what this move made is taken back: its mount and its copies.
  auto give_up = [&](int code) {
    if (fresh) Unmount(file.get());
    ForgetEntries(made);
    return code;
  };
  if (result != 0) return give_up(result);
  if (!local) return give_up(drive_error::kServiceNotStarted);
  WaitUntilListable(local.get(), moved.remote_name);

  const std::string link = LetterPath(*letter);
  if (!ReplaceLink(link, local.get())) return give_up(drive_error::kBadDevice);
  if (!WriteNote(*letter, moved) || (at_login && !WriteAutostartEntry(*letter, uri))) {
    // Back to the old address, all of it. Should that fail too, the copied
    // password stays, so what now names the new address still works.
    const bool restored = ReplaceLink(link, old_place) && WriteNote(*letter, *note) &&
                          (!at_login || WriteAutostartEntry(*letter, NoteUri(*note)));
    if (!restored) return drive_error::kCannotOpenProfile;
    return give_up(drive_error::kCannotOpenProfile);
  }
  LetGoOf(old_place);
  // The password now lives at the new address; its old entry goes once the
  // drive works there, unless another letter still uses it. The note keeps
  // the old address, so a move back copies it there again.
  bool still_used = false;
  for (const DriveRecord& other : ListDrives())
    still_used |= other.drive != drive && other.remote_name == note->remote_name;
  if (!made.empty() && !still_used) ForgetEntries(originals);
  return 0;
}

bool GioNetworkDrives::Notify(const std::string& summary, const std::string& body) {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr) return false;
  GVariantBuilder actions, hints;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
      "org.freedesktop.Notifications", "Notify",
      g_variant_new("(susssasa{sv}i)", "Brevane", 0u, "network-workgroup", summary.c_str(),
                    body.c_str(), &actions, &hints, -1),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, 2000, nullptr, nullptr);
  g_object_unref(bus);
  if (reply == nullptr) return false;
  g_variant_unref(reply);
  return true;
}

int GioNetworkDrives::Disconnect(const std::string& drive) {
  const auto letter = LetterOf(drive);
  if (!letter) return drive_error::kBadDevice;
  std::error_code error;
  const fs::path target = fs::read_symlink(LetterPath(*letter), error);
  fs::remove(LetterPath(*letter), error);
  fs::remove(UncPath(*letter), error);
  fs::remove(AutostartPath(*letter), error);
  if (target.empty()) return 0;
  // The share the letter stood for, found through its local place.
  GObjectPtr<GFile> file(g_file_new_for_path(target.c_str()));
  Unmount(file.get());
  return 0;
}

}  // namespace desktop
