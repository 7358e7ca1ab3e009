// Files on a POSIX system.

#include "os/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <new>

namespace os {
namespace {

FileIdentity Of(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev),
          static_cast<std::uint64_t>(info.st_ino),
          static_cast<std::int64_t>(info.st_size),
          info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec,
          info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec,
          S_ISREG(info.st_mode),
          S_ISDIR(info.st_mode)};
}

}  // namespace

int OpenToRead(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  error = fd < 0 ? errno : 0;
  return fd;
}

void CloseFile(int fd) {
  if (fd >= 0) ::close(fd);
}

std::optional<FileIdentity> IdentityOf(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::nullopt;
  return Of(info);
}

std::optional<FileIdentity> IdentityAt(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return Of(info);
}

void HoldForReading(int fd) {
  ::flock(fd, LOCK_SH | LOCK_NB);
}

std::size_t ReadAt(int fd, char* buffer, std::size_t count, std::uint64_t offset) {
  std::size_t got = 0;
  while (got < count) {
    const ssize_t n = ::pread(fd, buffer + got, count - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

int MakePrivateFile(std::uint64_t size, int& error) {
  int fd = -1;
  // In memory, sealed once written; else unnamed in the temporary folder.
  if (size <= kMemoryFileLimit)
    fd = ::memfd_create("brevane-image", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) {
    const char* dir = std::getenv("TMPDIR");
    const std::string folder = dir != nullptr && *dir != '\0' ? dir : "/tmp";
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
      // A file system without unnamed files: a named one, its name taken
      // away at once.
      std::string name = folder + "/brevane-image-XXXXXX";
      fd = ::mkostemp(name.data(), O_CLOEXEC);
      if (fd >= 0) ::unlink(name.c_str());
    }
  }
  error = fd < 0 ? errno : 0;
  return fd;
}

bool WriteAll(int fd, const char* data, std::size_t count, int& error) {
  while (count > 0) {
    const ssize_t n = ::write(fd, data, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      return false;
    }
    data += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

bool SealPrivateFile(int fd) {
  if (::fcntl(fd, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0)
    return true;
  // A file on disk: no one but root may open it for writing again.
  ::fchmod(fd, 0400);
  return false;
}

void* TakePages(std::size_t bytes) {
  void* pages = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) throw std::bad_alloc();
  return pages;
}

void GivePagesBack(void* pages, std::size_t bytes) {
  ::munmap(pages, bytes);
}

std::tm LocalTime(std::time_t when) {
  std::tm t{};
  ::localtime_r(&when, &t);
  return t;
}

std::string ProgramPath() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.string();
}

namespace {

bool WriteAll(int fd, const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    at += static_cast<std::size_t>(n);
  }
  return true;
}

// Flushes the folder's entries, so the rename outlasts a power cut. A
// folder that cannot be opened or flushed (some file systems refuse it)
// still holds the whole file.
void FlushFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool WriteWhole(const std::string& path, const std::string& text, int& error) {
  const std::string fresh = path + ".new";
  if (::unlink(fresh.c_str()) != 0 && errno != ENOENT) {
    error = errno;
    return false;
  }
  const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        S_IRUSR | S_IWUSR);
  if (fd < 0) {
    error = errno;
    return false;
  }
  error = 0;
  if (!WriteAll(fd, text) || ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(fresh.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(fresh.c_str());
    return false;
  }
  FlushFolderOf(path);
  return true;
}

}  // namespace os
