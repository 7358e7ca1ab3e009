#pragma once

// The device's shared folders over real SMB: Samba's smbd, run inside the
// device's namespace on its LAN interface only, with every path under a
// folder of its own. The shares follow the device's Sharing List; a folder
// with a password admits the user named like the folder with that password
// (other folders admit guests), through an account of its own that lives
// as long as the folder is protected. The folders' files follow the
// device's commands: a rename moves them, a delete or a format removes them.

#include <sys/types.h>

#include <map>
#include <mutex>
#include <string>

#include "sim/device.h"

namespace sim {

class SmbServer : public FolderFiles {
 public:
  SmbServer(Device& device, std::string dir);
  ~SmbServer();
  SmbServer(const SmbServer&) = delete;
  SmbServer& operator=(const SmbServer&) = delete;

  // Brings the shares, their folders and passwords in line with the device.
  // Safe to call from any thread, at any time.
  void Sync();

  void Renamed(const std::string& from, const std::string& to) override;
  void Removed(const std::string& name) override;
  void Formatted() override;

  // Where a folder's files live.
  std::string FolderPath(const std::string& name) const { return dir_ + "/shares/" + name; }

 private:
  std::string Config(const std::vector<SharedFolder>& folders);
  std::string UserFor(const std::string& folder);
  // Writes this device's own account list: the system's, and one account
  // per protected folder.
  void WriteAccounts();
  // Runs smbpasswd with `args`, `input` on its standard input; true when it
  // succeeded.
  bool SmbPasswd(const std::vector<std::string>& args, const std::string& input = {});

  Device& device_;
  std::string dir_;
  pid_t smbd_ = -1;
  std::mutex sync_mutex_;  // one sync at a time; before the device's lock
  std::string config_;
  std::string system_accounts_;
  int next_account_ = 1;
  std::map<std::string, std::string> users_;      // folder -> its account
  std::map<std::string, std::string> passwords_;  // account -> password set
};

}  // namespace sim
