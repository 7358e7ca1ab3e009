#pragma once

// The device's shared folders over real SMB: Samba's smbd, run inside the
// device's namespace on its LAN interface only, with every path under a
// folder of its own. The shares follow the device's Sharing List; a folder
// with a password admits the user named like the folder with that password
// (other folders admit guests).

#include <sys/types.h>

#include <map>
#include <string>

#include "sim/device.h"

namespace sim {

class SmbServer {
 public:
  SmbServer(Device& device, std::string dir);
  ~SmbServer();
  SmbServer(const SmbServer&) = delete;
  SmbServer& operator=(const SmbServer&) = delete;

  // Brings the shares, their folders and passwords in line with the device.
  void Sync();

  // Where a folder's files live.
  std::string FolderPath(const std::string& name) const { return dir_ + "/shares/" + name; }

 private:
  std::string Config(const std::vector<SharedFolder>& folders);
  std::string UserFor(const std::string& folder);

  Device& device_;
  std::string dir_;
  pid_t smbd_ = -1;
  std::string config_;
  std::map<std::string, std::string> users_;      // folder -> its account
  std::map<std::string, std::string> passwords_;  // account -> password set
};

}  // namespace sim
