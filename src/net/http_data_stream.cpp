#include "net/http_data_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <system_error>

#include "net/udp_socket.h"

namespace net {

namespace {

constexpr std::size_t kPage = 4096;

std::size_t RoundToPages(std::size_t n) {
  return (n + kPage - 1) / kPage * kPage;
}

}  // namespace

ByteBuffer::~ByteBuffer() {
  if (base_ != nullptr) ::munmap(base_, mapped_);
}

void ByteBuffer::reserve(std::size_t capacity) {
  if (capacity <= capacity_) return;
  const std::size_t pages = RoundToPages(capacity);
  // Pages become resident only as they are written, so growing costs what
  // is moved, not the whole new room; they are not zero-filled by us.
  void* fresh = ::mmap(nullptr, pages, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (fresh == MAP_FAILED) throw std::bad_alloc();
  if (data_ != nullptr) {
    std::memcpy(fresh, data_, size_);
    ::munmap(base_, mapped_);
  }
  base_ = data_ = static_cast<char*>(fresh);
  mapped_ = capacity_ = pages;
}

std::size_t ByteBuffer::AppendFile(int fd, std::size_t length, std::size_t room_after) {
  // The file's pages go where the bytes so far end, so those must end on a
  // page boundary: the bytes move, once, to just that distance into a
  // fresh mapping. Reads of the file's own pages are shared with the
  // system's cache; nothing is copied and writing never touches them.
  const std::size_t whole = length / kPage * kPage;
  const std::size_t pad = (kPage - size_ % kPage) % kPage;
  const std::size_t total = RoundToPages(pad + size_ + length + room_after);
  void* region = whole == 0 ? MAP_FAILED
                            : ::mmap(nullptr, total, PROT_READ | PROT_WRITE,
                                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  char* file_at = nullptr;
  if (region != MAP_FAILED) {
    file_at = static_cast<char*>(region) + pad + size_;
    if (::mmap(file_at, whole, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, fd, 0) ==
        MAP_FAILED) {
      ::munmap(region, total);
      region = MAP_FAILED;
    }
  }
  std::size_t got = 0;
  if (region != MAP_FAILED) {
    char* fresh = static_cast<char*>(region) + pad;
    if (size_ > 0) std::memcpy(fresh, data_, size_);
    if (base_ != nullptr) ::munmap(base_, mapped_);
    base_ = static_cast<char*>(region);
    mapped_ = total;
    data_ = fresh;
    capacity_ = total - pad;
    got = whole;
  } else {
    reserve(size_ + length + room_after);
  }
  // What the mapping did not take is read after it; a read error or an
  // early end stops the copy where it is.
  while (got < length) {
    const ssize_t n = ::pread(fd, data_ + size_ + got, length - got, static_cast<off_t>(got));
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  size_ += got;
  return got;
}

void ByteBuffer::resize(std::size_t size) {
  if (size > capacity_) reserve(std::max(size, capacity_ * 2));
  size_ = size;
}

void ByteBuffer::append(std::string_view bytes) {
  const std::size_t start = size_;
  resize(size_ + bytes.size());
  if (!bytes.empty()) std::memcpy(data_ + start, bytes.data(), bytes.size());
}

std::size_t MemoryStream::Read(char* buffer, std::size_t count) {
  const std::size_t n = std::min(count, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

void MemoryStream::Write(std::string_view bytes) {
  if (position_ + bytes.size() > data_.size()) data_.resize(position_ + bytes.size());
  if (!bytes.empty()) std::memcpy(data_.data() + position_, bytes.data(), bytes.size());
  position_ += bytes.size();
}

void MemoryStream::SetSize(std::size_t size) {
  const std::size_t old = data_.size();
  data_.resize(size);
  if (size > old) std::memset(data_.data() + old, 0, size - old);
  position_ = std::min(position_, size);
}

std::size_t MemoryStream::AppendFile(int fd, std::size_t length, std::size_t room_after) {
  Seek(data_.size());
  const std::size_t got = data_.AppendFile(fd, length, room_after);
  position_ = data_.size();
  return got;
}

LocalTime SystemLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm t{};
  ::localtime_r(&seconds, &t);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,           t.tm_hour,
          t.tm_min,         t.tm_sec,     static_cast<int>(ms)};
}

THttpDataStream::THttpDataStream(const Clock& clock) {
  const LocalTime t = clock();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d%03d", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  boundary_ = std::string(25, '-') + stamp;
}

void THttpDataStream::AddFormField(const std::string& name, const std::string& value) {
  Seek(Size());
  Write(boundary_ + "\r\n");
  Write("Content-Disposition: form-data; name=\"" + name + "\"\r\n");
  Write("\r\n");
  Write(value + "\r\n");
}

void THttpDataStream::AddFile(const std::string& name, const std::string& path,
                              const std::string& content_type) {
  // Opening never waits (a FIFO would); only a regular file is an image.
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) throw std::system_error(errno, std::generic_category(), path);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0)
    throw std::system_error(errno, std::generic_category(), path);
  if (!S_ISREG(info.st_mode))
    throw std::system_error(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, std::generic_category(), path);
  // Others may read the file meanwhile, not write it.
  ::flock(file.get(), LOCK_SH | LOCK_NB);
  const auto expected = static_cast<std::size_t>(info.st_size);

  const std::string head = boundary_ + "\r\nContent-Disposition: form-data; name=\"" + name +
                           "\"; filename=\"" + path + "\"\r\nContent-Type: " + content_type +
                           "\r\n\r\n";
  Seek(Size());
  Write(head);
  // The image goes in place without a copy, with room for the closing
  // lines after it. A read error ends the copy quietly; what was read stays.
  const std::size_t got = AppendFile(file.get(), expected, 2 + 4 + boundary_.size() + 2);
  if (expected == 0 || got < expected) {
    // A file that reports no size (as some system files do), or one that
    // changed meanwhile: read on in pieces from where it stands.
    char buffer[64 * 1024];
    ::lseek(file.get(), static_cast<off_t>(got), SEEK_SET);
    for (ssize_t n; (n = ::read(file.get(), buffer, sizeof buffer)) > 0;)
      Write(std::string_view(buffer, static_cast<std::size_t>(n)));
  }
  Write("\r\n");
}

void THttpDataStream::FinishBody() {
  Seek(Size());
  Write("--\r\n" + boundary_ + "\r\n");
  Seek(0);
}

}  // namespace net
