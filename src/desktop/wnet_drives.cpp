#include "desktop/wnet_drives.h"

// (winsock2.h before windows.h, as everywhere in the program.)
#include "os/win32/winsock.h"

#include <windows.h>
#include <winnetwk.h>

#include <cwchar>

// windows.h names the A or W variant by a macro: the seam's own method
// keeps its name, and the calls below name the W variant themselves.
#undef GetDriveType

namespace desktop {
namespace {

// The wide calls throughout: the program's texts are UTF-8, and a share's
// name or a password with characters outside the ANSI code page would
// reach the A calls mangled.
class Wide {
 public:
  explicit Wide(const std::string& utf8) : text_(os::Wide(utf8)) {}
  explicit Wide(const std::optional<std::string>& utf8)
      : present_(utf8.has_value()), text_(utf8 ? os::Wide(*utf8) : std::wstring()) {}
  // The call's pointer: null for a text that is not there.
  wchar_t* get() { return present_ ? text_.data() : nullptr; }

 private:
  bool present_ = true;
  std::wstring text_;
};

int Connect(NETRESOURCEW& resource, const std::string* password, DWORD flags) {
  std::optional<Wide> secret;
  if (password != nullptr) secret.emplace(*password);
  return static_cast<int>(
      ::WNetAddConnection2W(&resource, secret ? secret->get() : nullptr, nullptr, flags));
}

}  // namespace

DriveType WNetNetworkDrives::GetDriveType(const std::string& root_path) {
  return static_cast<DriveType>(::GetDriveTypeW(os::Wide(root_path).c_str()));
}

std::optional<std::string> WNetNetworkDrives::GetConnection(const std::string& drive) {
  const std::wstring local = os::Wide(drive);
  // A share's name may be longer than a path: the call then says how long,
  // and is asked again with room for it.
  std::wstring remote(MAX_PATH + 1, L'\0');
  DWORD size = static_cast<DWORD>(remote.size());
  DWORD result = ::WNetGetConnectionW(local.c_str(), remote.data(), &size);
  if (result == ERROR_MORE_DATA) {
    remote.assign(size + 1, L'\0');
    size = static_cast<DWORD>(remote.size());
    result = ::WNetGetConnectionW(local.c_str(), remote.data(), &size);
  }
  // A remembered drive that is not connected now still names its share.
  if (result != NO_ERROR && result != ERROR_CONNECTION_UNAVAIL) return std::nullopt;
  remote.resize(std::wcslen(remote.c_str()));
  return os::Utf8(remote);
}

int WNetNetworkDrives::AddConnection(const NetResource& r, const std::string& password) {
  Wide local(r.local_name), remote(r.remote_name), comment(r.comment), provider(r.provider);
  NETRESOURCEW resource{};
  resource.dwScope = static_cast<DWORD>(r.scope);
  resource.dwType = static_cast<DWORD>(r.type);
  resource.dwDisplayType = static_cast<DWORD>(r.display_type);
  resource.dwUsage = static_cast<DWORD>(r.usage);
  resource.lpLocalName = local.get();
  resource.lpRemoteName = remote.get();
  resource.lpComment = comment.get();
  resource.lpProvider = provider.get();
  return Connect(resource, &password, 0);
}

int WNetNetworkDrives::ProbeShare(const std::string& remote_name, const std::string& password) {
  NetResource probe;
  probe.scope = 2;
  probe.remote_name = remote_name;
  const int result = AddConnection(probe, password);
  // ERROR_SESSION_CREDENTIAL_CONFLICT and the like leave nothing; a probe
  // that connected lets its connection go.
  if (result == 0) ::WNetCancelConnection2W(os::Wide(remote_name).c_str(), 0, FALSE);
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
  Wide local(drive), remote(remote_name);
  NETRESOURCEW resource{};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpLocalName = local.get();
  resource.lpRemoteName = remote.get();
  // Remembered in the user profile: Windows connects it again at the next
  // logon, with the credential it keeps for the share.
  return Connect(resource, &password, CONNECT_UPDATE_PROFILE);
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
  const auto remote_name = GetConnection(drive);
  if (!remote_name) return drive_error::kBadDevice;
  Wide local(drive), remote(*remote_name);
  NETRESOURCEW resource{};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpLocalName = local.get();
  resource.lpRemoteName = remote.get();
  // No password: the one Windows keeps for the share, if any.
  return Connect(resource, nullptr, 0);
}

}  // namespace desktop
