#include "net/http_data_stream.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <stdexcept>
#include <system_error>

#include "net/sha256.h"
#include "os/files.h"

namespace net {

namespace {

constexpr std::size_t kPage = 4096;

std::size_t RoundToPages(std::size_t n) {
  return (n + kPage - 1) / kPage * kPage;
}

}  // namespace

ByteBuffer::~ByteBuffer() {
  if (data_ != nullptr) os::GivePagesBack(data_, capacity_);
}

void ByteBuffer::reserve(std::size_t capacity) {
  if (capacity <= capacity_) return;
  const std::size_t pages = RoundToPages(capacity);
  // Pages become resident only as they are written, so growing costs what
  // is moved, not the whole new room; they are not zero-filled by us.
  void* fresh = os::TakePages(pages);
  if (data_ != nullptr) {
    std::memcpy(fresh, data_, size_);
    os::GivePagesBack(data_, capacity_);
  }
  data_ = static_cast<char*>(fresh);
  capacity_ = pages;
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
  if (n > 0) std::memcpy(buffer, data_.data() + position_, n);
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

std::size_t UploadBody::Size() const {
  std::size_t size = 0;
  for (const Piece& piece : Pieces())
    size += piece.file ? piece.file->Length() : piece.bytes.size();
  return size;
}

std::string UploadBody::Bytes() const {
  std::string bytes;
  for (const Piece& piece : Pieces()) {
    if (piece.file == nullptr) {
      bytes += piece.bytes;
      continue;
    }
    const std::size_t start = bytes.size();
    bytes.resize(start + piece.file->Length());
    bytes.resize(start + piece.file->Read(0, bytes.data() + start, piece.file->Length()));
  }
  return bytes;
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) reset(other.release());
  return *this;
}

int UniqueFd::release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void UniqueFd::reset(int fd) {
  os::CloseFile(fd_);
  fd_ = fd;
}

SentFile::SentFile(const std::string& path) : path_(path) {
  // Opening never waits (a FIFO would); only a regular file is an image.
  int error = 0;
  fd_.reset(os::OpenToRead(path, error));
  if (!fd_.valid()) throw std::system_error(error, std::generic_category(), path);
  const auto identity = os::IdentityOf(fd_.get());
  if (!identity) throw std::system_error(EIO, std::generic_category(), path);
  if (!identity->regular)
    throw std::system_error(identity->folder ? EISDIR : EINVAL, std::generic_category(), path);
  // Others may read the file meanwhile, and should not write it: a writer
  // that takes no notice is caught by the check after sending.
  os::HoldForReading(fd_.get());
  length_ = static_cast<std::size_t>(identity->size);
  identity_ = *identity;
}

std::unique_ptr<SentFile> SentFile::Copy(const std::string& path) {
  const SentFile original(path);
  std::unique_ptr<SentFile> copy(new SentFile());
  copy->path_ = path;
  copy->length_ = original.length_;
  copy->original_ = original.identity_;
  int error = 0;
  copy->fd_.reset(os::MakePrivateFile(original.length_, error));
  if (!copy->fd_.valid()) throw std::system_error(error, std::generic_category(), path);
  net::Sha256 hash;
  std::vector<char> buffer(std::min<std::size_t>(original.length_, 1 << 20));
  for (std::size_t at = 0; at < original.length_;) {
    const std::size_t n =
        original.Read(at, buffer.data(), std::min(buffer.size(), original.length_ - at));
    if (n == 0) throw std::runtime_error("The file changed while it was read: " + path);
    hash.Update(std::string_view(buffer.data(), n));
    if (!os::WriteAll(copy->fd_.get(), buffer.data(), n, error))
      throw std::system_error(error, std::generic_category(), path);
    at += n;
  }
  // Read whole, as it was opened: a writer meanwhile makes it a mix.
  if (!original.Unchanged())
    throw std::runtime_error("The file changed while it was read: " + path);
  copy->sealed_ = os::SealPrivateFile(copy->fd_.get());
  const auto identity = os::IdentityOf(copy->fd_.get());
  if (!identity) throw std::system_error(EIO, std::generic_category(), path);
  copy->identity_ = *identity;
  copy->sha256_ = hash.Hex();
  copy->copied_ = true;
  return copy;
}

bool SentFile::Unchanged() const {
  if (copied_) return sealed_ || os::IdentityOf(fd_.get()) == identity_;
  int error = 0;
  const UniqueFd again(os::OpenToRead(path_, error));
  return os::IdentityOf(fd_.get()) == identity_ && again.valid() &&
         os::IdentityOf(again.get()) == identity_;
}

bool SentFile::OriginalUnchanged() const {
  return os::IdentityAt(path_) == original_;
}

std::size_t SentFile::Read(std::size_t offset, char* buffer, std::size_t count) const {
  return os::ReadAt(fd_.get(), buffer, count, offset);
}

LocalTime SystemLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const std::tm t = os::LocalTime(seconds);
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
  texts_.back() += boundary_ + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
                   value + "\r\n";
}

void THttpDataStream::AddFile(const std::string& name, const std::string& path,
                              const std::string& content_type, bool copied) {
  auto file = copied ? SentFile::Copy(path) : std::make_unique<SentFile>(path);
  texts_.back() += boundary_ + "\r\nContent-Disposition: form-data; name=\"" + name +
                   "\"; filename=\"" + path + "\"\r\nContent-Type: " + content_type + "\r\n\r\n";
  files_.push_back(std::move(file));
  texts_.emplace_back("\r\n");
}

void THttpDataStream::FinishBody() {
  texts_.back() += "--\r\n" + boundary_ + "\r\n";
}

std::vector<const SentFile*> THttpDataStream::Files() const {
  std::vector<const SentFile*> files;
  for (const auto& file : files_) files.push_back(file.get());
  return files;
}

std::vector<UploadBody::Piece> THttpDataStream::Pieces() const {
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < texts_.size(); ++i) {
    if (!texts_[i].empty()) pieces.push_back({texts_[i], nullptr});
    if (i < files_.size()) pieces.push_back({{}, files_[i].get()});
  }
  return pieces;
}

}  // namespace net
