#pragma once

// Network drives on Windows, by Windows' own network calls: a share of a
// device connected as a drive letter with WNetAddConnection2A, remembered
// in the user profile (CONNECT_UPDATE_PROFILE) so that Windows connects it
// again at the next logon; WNetGetConnectionA and GetDriveTypeA tell what
// a letter stands for, WNetCancelConnection2A lets a probe go.

#include "desktop/services.h"

namespace desktop {

class WNetNetworkDrives : public NetworkDrives {
 public:
  DriveType GetDriveType(const std::string& root_path) override;
  std::optional<std::string> GetConnection(const std::string& drive) override;
  int AddConnection(const NetResource& resource, const std::string& password) override;
  // Connects without a letter to see whether the share takes the password,
  // and lets the connection go again unless it was there before.
  int ProbeShare(const std::string& remote_name, const std::string& password) override;
  void UseShare(const std::string& remote_name, const std::string& password) override;
  int MapDrivePersistently(const std::string& drive, const std::string& remote_name,
                           const std::string& password) override;
  // The letters D to Z that stand for a share, connected or remembered.
  std::vector<DriveRecord> ListDrives() override;
  // Connects a remembered drive again with the credentials Windows keeps.
  int Reconnect(const std::string& drive) override;
};

}  // namespace desktop
