#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/files.h"

namespace net {

// Bytes in memory that grow without being moved or zero-filled, in pages
// of their own that go back to the system with the buffer.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ~ByteBuffer();

  char* data() { return data_; }
  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  // Makes room for `capacity` bytes in all; what is there stays. Room not
  // written costs no memory.
  void reserve(std::size_t capacity);
  // New bytes past the old size are left as they are (not zeroed).
  void resize(std::size_t size);
  void append(std::string_view bytes);
  std::string_view view() const { return {data_, size_}; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// Owns a file descriptor and closes it once.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release();
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// A file being sent: opened once, read from where it lies on disk as it
// goes out, never held in memory as a whole.
class SentFile {
 public:
  // Opens a regular file for reading; throws std::system_error naming
  // `path` when it cannot.
  explicit SentFile(const std::string& path);
  // The file as it is now, read once into a file of this process's own
  // that nobody else can write (os::MakePrivateFile) and named by its
  // SHA-256 on the way: what is sent from then on, however often, whatever
  // becomes of the file at `path`. Throws std::system_error naming `path`
  // when it cannot be read or copied, and std::runtime_error when it
  // changed while it was read.
  static std::unique_ptr<SentFile> Copy(const std::string& path);

  const std::string& Path() const { return path_; }
  int Descriptor() const { return fd_.get(); }
  // Its length when it was opened: what is announced and sent.
  std::size_t Length() const { return length_; }
  // Up to `count` bytes from `offset`; fewer at the end of the file.
  std::size_t Read(std::size_t offset, char* buffer, std::size_t count) const;
  // True while what is sent is still the file as it was opened: the same
  // file at its path, with the same length and the same times of change (a
  // file rewritten, cut or replaced meanwhile is not); for a copy, the copy
  // as it was made.
  bool Unchanged() const;

  // Of a copy: the SHA-256 of its bytes in hexadecimal (empty otherwise),
  // and whether the file at its path is still the one it was made from.
  bool Copied() const { return copied_; }
  const std::string& Sha256() const { return sha256_; }
  bool OriginalUnchanged() const;

 private:
  SentFile() = default;

  std::string path_;
  UniqueFd fd_;
  std::size_t length_ = 0;
  os::FileIdentity identity_;
  bool copied_ = false, sealed_ = false;
  std::string sha256_;
  os::FileIdentity original_;  // of a copy: the file it was made from
};

// A request body as it goes out: pieces of bytes in memory, and pieces that
// are the whole of a file, sent from the file.
class UploadBody {
 public:
  struct Piece {
    std::string_view bytes;  // when `file` is null
    const SentFile* file = nullptr;
  };
  virtual ~UploadBody() = default;
  virtual std::vector<Piece> Pieces() const = 0;
  std::size_t Size() const;
  // The whole body in memory (small bodies and tests only).
  std::string Bytes() const;
};

// A growable in-memory byte stream.
class MemoryStream : public UploadBody {
 public:
  std::size_t Read(char* buffer, std::size_t count);
  void Write(std::string_view bytes);
  void Seek(std::size_t position) { position_ = std::min(position, data_.size()); }
  void SetSize(std::size_t size);
  std::size_t Size() const { return data_.size(); }
  std::size_t Position() const { return position_; }
  std::string_view Bytes() const { return data_.view(); }
  std::vector<Piece> Pieces() const override { return {{Bytes(), nullptr}}; }

 private:
  ByteBuffer data_;
  std::size_t position_ = 0;
};

// The local date and time with milliseconds.
struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};
using Clock = std::function<LocalTime()>;
LocalTime SystemLocalTime();

// The body of a firmware upload: multipart/form-data. Part delimiters are
// the boundary itself, and the body closes with a "--" line followed by the
// boundary: the device reads exactly this framing. The fields and framing
// are kept in memory; the image stays in its file and goes out from there,
// so an image of any size costs no memory.
class THttpDataStream : public UploadBody {
 public:
  explicit THttpDataStream(const Clock& clock = SystemLocalTime);

  const std::string& Boundary() const { return boundary_; }
  std::string ContentType() const { return "multipart/form-data; boundary=" + boundary_; }

  void AddFormField(const std::string& name, const std::string& value);
  // Appends the whole file as one part, its path sent unchanged as the file
  // name; `copied`: sent from a private copy taken now (SentFile::Copy).
  // Throws (and appends nothing) when the file cannot be opened or copied.
  void AddFile(const std::string& name, const std::string& path, const std::string& content_type,
               bool copied = false);
  // The files' parts, in order.
  std::vector<const SentFile*> Files() const;
  // Appends the closing lines: the body is ready to be sent.
  void FinishBody();

  std::vector<Piece> Pieces() const override;

 private:
  // The bytes in memory, each part before a file, and the files.
  std::string boundary_;
  std::vector<std::string> texts_{std::string()};
  std::vector<std::unique_ptr<SentFile>> files_;
};

}  // namespace net
