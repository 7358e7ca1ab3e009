#pragma once

// Network drives on a Linux desktop. A share of a device is mounted through
// GIO/GVfs ("smb://address/folder"), the way the desktop's own "connect to
// server" does it, so it opens in the file manager and, through the GVfs
// FUSE folder, in every program.
//
// Drive letters: each letter D to Z is a place the user can open, a symbolic
// link named by the letter in "~/Network Drives" pointing at the mounted
// share. A letter holding a link is a connected (remote) drive; a letter
// without one is free. Beside each link, ".Z.unc" keeps the remote name the
// drive dialog compares (\\address\folder).
//
// Reconnecting at login: the share's password goes to the desktop keyring
// (GIO's permanent password saving) and an autostart entry has brevane-ctl
// mount the share again when the user next logs in, looking for the device
// at a new address if it no longer answers at its old one.
//
// A drive follows its device: the note also keeps the device's name and
// group, so the drive can be pointed at the device's new address (link,
// note, keyring entry and autostart entry alike).

#include <optional>
#include <set>
#include <string>
#include <vector>

typedef struct _GFile GFile;

#include "desktop/services.h"

namespace desktop {

class GioNetworkDrives : public NetworkDrives {
 public:
  struct Places {
    std::string drives_dir;     // where the letters live
    std::string autostart_dir;  // the desktop's autostart folder
    // What the autostart entries run to reconnect a drive: a full path.
    std::string reconnect_program = "/usr/bin/brevane-ctl";
  };
  // The user's own places: ~/Network Drives and ~/.config/autostart, and
  // the brevane-ctl beside this program (or on the PATH) by its full path.
  static Places UserPlaces();

  explicit GioNetworkDrives(Places places = UserPlaces(), int mount_timeout_ms = 30000);

  DriveType GetDriveType(const std::string& root_path) override;
  std::optional<std::string> GetConnection(const std::string& drive) override;
  int AddConnection(const NetResource& resource, const std::string& password) override;
  // Mounts the share to see whether it takes the password, and unmounts it
  // again unless it was mounted already.
  int ProbeShare(const std::string& remote_name, const std::string& password) override;
  void UseShare(const std::string& remote_name, const std::string& password) override;
  int MapDrivePersistently(const std::string& drive, const std::string& remote_name,
                           const std::string& password) override;
  // The letter's link in the drives folder.
  std::string DrivePlace(const std::string& drive) override;
  void NoteDevice(const std::string& drive, const std::string& device_name,
                  const std::string& group_name) override;
  std::vector<DriveRecord> ListDrives() override;
  int MoveDrive(const std::string& drive, const device::Trusted& to) override;
  int Reconnect(const std::string& drive) override;

  // Unmounts the share a letter stands for and removes the letter.
  int Disconnect(const std::string& drive);

  // "smb://address/folder" for a remote name "\\address\folder"
  // ("smb://folder@address/folder" with the user); empty when the name is
  // not of that form.
  static std::string ShareUri(const std::string& remote_name, bool with_user = false);
  // The autostart entry that mounts `uri` again at login as `letter`.
  static std::string AutostartEntry(const std::string& program, char letter,
                                    const std::string& uri);
  // The local places (GVfs FUSE folders) of the shares mounted now, as the
  // GVfs mount tracker has them; nothing when it cannot be asked. The
  // tracker is asked each time: this process's own view of the mounts
  // follows the tracker's signals only while a GLib main loop runs.
  static std::optional<std::vector<std::string>> MountedPlaces();
  // Shows a desktop notification where a notification service runs;
  // false where none does.
  static bool Notify(const std::string& summary, const std::string& body);

 private:
  // A password is kept only for a drive that comes back at login.
  enum class Save { Never, Permanently };
  // `fresh` (if given) tells whether this call mounted the share, rather
  // than finding it mounted.
  int Mount(const std::string& uri, const std::string& user, const std::string& password, Save save,
            bool* fresh = nullptr);
  // Whether `letter` stands for a share now: a letter whose share is no
  // longer mounted (after a logout, a restart, an unmount elsewhere) is
  // freed, link and note, unless it reconnects at login; that one stays
  // taken and is mounted again, once per run.
  bool Connected(char letter);
  // What is kept beside a letter's link.
  struct Note {
    std::string remote_name;  // \\address\folder
    std::string device_name, group_name;
    bool with_user = false;        // mounted as the folder's user (its password in the keyring)
    std::string previous_address;  // where a move took the drive from
  };
  std::optional<Note> ReadNote(char letter) const;
  bool WriteNote(char letter, const Note& note) const;
  // The URI a letter's share is mounted by.
  static std::string NoteUri(const Note& note) {
    return ShareUri(note.remote_name, note.with_user);
  }
  // Makes `letter` stand for the mounted `uri` (link and note).
  int CreateLetter(char letter, const std::string& uri, const Note& note);
  bool WriteAutostartEntry(char letter, const std::string& uri) const;
  // Unmounts the share `file` is on; waits for it at most `wait_ms` (< 0:
  // until it is done), after which GVfs finishes it alone. Without
  // `force`, a share with files open stays mounted.
  static void Unmount(GFile* file, int wait_ms = -1, bool force = true);
  // Lets go of the share mounted at `place` (an old address's, after a
  // move) if nothing is open on it.
  static void LetGoOf(const std::string& place);
  std::string LetterPath(char letter) const;
  std::string UncPath(char letter) const;
  std::string AutostartPath(char letter) const;

  Places places_;
  int mount_timeout_ms_;
  std::set<char> remounted_;  // reconnecting letters mounted again in this run
  // Shares this object mounted for a connection without a letter (the
  // dialog's first step): a drive kept for the next login has a mount of
  // its own, and takes these back whether it is made or not.
  std::set<std::string> letterless_;
};

}  // namespace desktop
