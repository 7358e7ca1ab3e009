#include "desktop/wnet_drives.h"

// (winsock2.h before windows.h, as everywhere in the program.)
#include <windows.h>
#include <winnetwk.h>
#include <winsock2.h>

// windows.h names the A or W variant by a macro: the seam's own method
// keeps its name, and the call below names the A variant itself.
#undef GetDriveType

namespace desktop {
namespace {

const char* OrNull(const std::optional<std::string>& text) {
  return text ? text->c_str() : nullptr;
}

}  // namespace

DriveType WNetNetworkDrives::GetDriveType(const std::string& root_path) {
  return static_cast<DriveType>(::GetDriveTypeA(root_path.c_str()));
}

std::optional<std::string> WNetNetworkDrives::GetConnection(const std::string& drive) {
  char remote[MAX_PATH + 1] = {};
  DWORD size = sizeof remote;
  const DWORD result = ::WNetGetConnectionA(drive.c_str(), remote, &size);
  // A remembered drive that is not connected now still names its share.
  if (result != NO_ERROR && result != ERROR_CONNECTION_UNAVAIL) return std::nullopt;
  return std::string(remote);
}

int WNetNetworkDrives::AddConnection(const NetResource& r, const std::string& password) {
  NETRESOURCEA resource{};
  resource.dwScope = static_cast<DWORD>(r.scope);
  resource.dwType = static_cast<DWORD>(r.type);
  resource.dwDisplayType = static_cast<DWORD>(r.display_type);
  resource.dwUsage = static_cast<DWORD>(r.usage);
  resource.lpLocalName = const_cast<char*>(OrNull(r.local_name));
  resource.lpRemoteName = const_cast<char*>(r.remote_name.c_str());
  resource.lpComment = const_cast<char*>(OrNull(r.comment));
  resource.lpProvider = const_cast<char*>(OrNull(r.provider));
  return static_cast<int>(::WNetAddConnection2A(&resource, password.c_str(), nullptr, 0));
}

int WNetNetworkDrives::ProbeShare(const std::string& remote_name, const std::string& password) {
  NetResource probe;
  probe.scope = 2;
  probe.remote_name = remote_name;
  const int result = AddConnection(probe, password);
  // ERROR_SESSION_CREDENTIAL_CONFLICT and the like leave nothing; a probe
  // that connected lets its connection go.
  if (result == 0) ::WNetCancelConnection2A(remote_name.c_str(), 0, FALSE);
  return result;
}

void WNetNetworkDrives::UseShare(const std::string& remote_name, const std::string& password) {
  NetResource use;
  use.remote_name = remote_name;
  AddConnection(use, password);
}

int WNetNetworkDrives::MapDrivePersistently(const std::string& drive,
                                            const std::string& remote_name,
                                            const std::string& password) {
  NETRESOURCEA resource{};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpLocalName = const_cast<char*>(drive.c_str());
  resource.lpRemoteName = const_cast<char*>(remote_name.c_str());
  return static_cast<int>(
      ::WNetAddConnection2A(&resource, password.c_str(), nullptr, CONNECT_UPDATE_PROFILE));
}

std::vector<DriveRecord> WNetNetworkDrives::ListDrives() {
  std::vector<DriveRecord> drives;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    const std::string drive = std::string(1, letter) + ":";
    if (const auto remote = GetConnection(drive)) {
      DriveRecord record;
      record.drive = drive;
      record.remote_name = *remote;
      record.at_login = true;
      drives.push_back(record);
    }
  }
  return drives;
}

int WNetNetworkDrives::Reconnect(const std::string& drive) {
  const auto remote = GetConnection(drive);
  if (!remote) return drive_error::kBadDevice;
  NETRESOURCEA resource{};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpLocalName = const_cast<char*>(drive.c_str());
  resource.lpRemoteName = const_cast<char*>(remote->c_str());
  // No password: the one Windows keeps for the share, if any.
  return static_cast<int>(::WNetAddConnection2A(&resource, nullptr, nullptr, 0));
}

}  // namespace desktop
