// Files on Windows: C runtime descriptors over Windows' handles.

#include "os/files.h"

#include "os/win32/winsock.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
// After <windows.h>, which it needs.
#include <sddl.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <string>
#include <vector>

namespace os {
namespace {

std::int64_t Nanoseconds(const LARGE_INTEGER& t) {
  return t.QuadPart * 100;  // 100 ns units
}

std::optional<FileIdentity> OfHandle(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO basic{};
  if (h == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(h, &info) ||
      !::GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic))
    return std::nullopt;
  const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return FileIdentity{
      info.dwVolumeSerialNumber,
      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
      static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                info.nFileSizeLow),
      Nanoseconds(basic.LastWriteTime),
      Nanoseconds(basic.ChangeTime),
      !folder && ::GetFileType(h) == FILE_TYPE_DISK,
      folder};
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                        nullptr, nullptr);
  return utf8;
}

// Opened so that others may read the file but not write it meanwhile.
int OpenToRead(const std::string& path, int& error) {
  int fd = -1;
  error = ::_wsopen_s(&fd, Wide(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYWR, 0);
  return error == 0 ? fd : -1;
}

void CloseFile(int fd) {
  if (fd >= 0) ::_close(fd);
}

std::optional<FileIdentity> IdentityOf(int fd) {
  return OfHandle(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)));
}

std::optional<FileIdentity> IdentityAt(const std::string& path) {
  // Asking for nothing but the file's attributes, sharing everything.
  const HANDLE h =
      ::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  const auto identity = OfHandle(h);
  ::CloseHandle(h);
  return identity;
}

void HoldForReading(int) {
  // Opening held it already.
}

std::size_t ReadAt(int fd, char* buffer, std::size_t count, std::uint64_t offset) {
  const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  std::size_t got = 0;
  while (got < count) {
    OVERLAPPED at{};
    const std::uint64_t where = offset + got;
    at.Offset = static_cast<DWORD>(where);
    at.OffsetHigh = static_cast<DWORD>(where >> 32);
    DWORD n = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count - got, 1u << 30));
    if (!::ReadFile(h, buffer + got, ask, &n, &at) || n == 0) break;
    got += n;
  }
  return got;
}

int MakePrivateFile(std::uint64_t, int& error) {
  // In the temporary folder, shared with nobody (not even for reading) and
  // deleted when closed; Windows keeps small temporary files in memory.
  std::vector<wchar_t> folder(MAX_PATH + 1);
  const DWORD n = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (n == 0 || n >= folder.size()) {
    error = EIO;
    return -1;
  }
  static LONG counter = 0;
  const std::wstring name = std::wstring(folder.data(), n) + L"brevane-image-" +
                            std::to_wstring(::GetCurrentProcessId()) + L"-" +
                            std::to_wstring(::InterlockedIncrement(&counter)) + L".tmp";
  const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(h);
    error = EIO;
    return -1;
  }
  error = 0;
  return fd;
}

bool WriteAll(int fd, const char* data, std::size_t count, int& error) {
  while (count > 0) {
    const int n = ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      return false;
    }
    data += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

bool SealPrivateFile(int) {
  // Opened shared with nobody: no other writer can ever open it, but the
  // process's own descriptor could still write.
  return false;
}

void* TakePages(std::size_t bytes) {
  void* pages = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (pages == nullptr) throw std::bad_alloc();
  return pages;
}

void GivePagesBack(void* pages, std::size_t) {
  ::VirtualFree(pages, 0, MEM_RELEASE);
}

std::tm LocalTime(std::time_t when) {
  std::tm t{};
  ::localtime_s(&t, &when);
  return t;
}

std::string ProgramPath() {
  std::vector<wchar_t> path(32768);
  const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  return n == 0 || n >= path.size() ? std::string() : Utf8(std::wstring(path.data(), n));
}

namespace {

// A security descriptor that lets the running user alone at a file, as a
// POSIX file of mode 0600; nothing when the user cannot be told.
struct OwnerOnly {
  OwnerOnly() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);
    wchar_t* sid = nullptr;
    if (size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
      // Protected from what the folder would pass on; full access for the user.
      const std::wstring sddl = L"D:P(A;;FA;;;" + std::wstring(sid) + L")";
      ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                             &descriptor, nullptr);
      ::LocalFree(sid);
    }
    ::CloseHandle(token);
  }
  ~OwnerOnly() { ::LocalFree(descriptor); }
  OwnerOnly(const OwnerOnly&) = delete;
  OwnerOnly& operator=(const OwnerOnly&) = delete;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
};

int ErrnoOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

}  // namespace

bool WriteWhole(const std::string& path, const std::string& text, int& error) {
  const std::wstring target = Wide(path), fresh = Wide(path + ".new");
  // One left over from a write that stopped half-way goes first (a link
  // itself, not what it points to).
  if (!::DeleteFileW(fresh.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    error = ErrnoOf(::GetLastError());
    return false;
  }
  const OwnerOnly owner_only;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, owner_only.descriptor, FALSE};
  // A new file, never an existing one nor a link's target.
  const HANDLE h = ::CreateFileW(
      fresh.c_str(), GENERIC_WRITE, 0, owner_only.descriptor != nullptr ? &attributes : nullptr,
      CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = ErrnoOf(::GetLastError());
    return false;
  }
  DWORD failure = ERROR_SUCCESS;
  for (std::size_t at = 0; failure == ERROR_SUCCESS && at < text.size();) {
    DWORD n = 0;
    if (!::WriteFile(h, text.data() + at,
                     static_cast<DWORD>(std::min<std::size_t>(text.size() - at, 1 << 20)), &n,
                     nullptr))
      failure = ::GetLastError();
    else if (n == 0)
      failure = ERROR_WRITE_FAULT;
    at += n;
  }
  if (!::FlushFileBuffers(h) && failure == ERROR_SUCCESS) failure = ::GetLastError();
  if (!::CloseHandle(h) && failure == ERROR_SUCCESS) failure = ::GetLastError();
  // Written through: the new entry is on the disk when the call returns.
  if (failure == ERROR_SUCCESS &&
      !::MoveFileExW(fresh.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    failure = ::GetLastError();
  if (failure != ERROR_SUCCESS) {
    ::DeleteFileW(fresh.c_str());
    error = ErrnoOf(failure);
    return false;
  }
  return true;
}

}  // namespace os
