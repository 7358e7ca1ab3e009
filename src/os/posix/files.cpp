// Files on a POSIX system.

#include "os/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace os
