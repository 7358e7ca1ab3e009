#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace net {

// Bytes in memory that grow without being moved or zero-filled: large
// firmware images go straight from the file into their final place.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ~ByteBuffer();

  char* data() { return data_; }
  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  // Makes room for `capacity` bytes in all; what is there stays.
  void reserve(std::size_t capacity);
  // New bytes past the old size are left as they are (not zeroed).
  void resize(std::size_t size);
  void append(std::string_view bytes);
  std::string_view view() const { return {data_, size_}; }

  // Appends the first `length` bytes of the open file `fd`, keeping room
  // for `room_after` bytes more. The file's whole pages are mapped in place,
  // read-only and never copied; the rest is read. Returns the bytes
  // appended: fewer when the file ends early or cannot be read.
  std::size_t AppendFile(int fd, std::size_t length, std::size_t room_after);

 private:
  // One mapping holds the bytes: data_ lies `data_ - base_` bytes into it.
  char* base_ = nullptr;
  std::size_t mapped_ = 0;
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// A growable in-memory byte stream.
class MemoryStream {
 public:
  std::size_t Read(char* buffer, std::size_t count);
  void Write(std::string_view bytes);
  void Seek(std::size_t position) { position_ = std::min(position, data_.size()); }
  void SetSize(std::size_t size);
  std::size_t Size() const { return data_.size(); }
  std::size_t Position() const { return position_; }
  std::string_view Bytes() const { return data_.view(); }

 protected:
  // Appends the first `length` bytes of the open file `fd` (see ByteBuffer).
  std::size_t AppendFile(int fd, std::size_t length, std::size_t room_after);

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

// The body of a firmware upload: multipart/form-data, built in memory.
// Part delimiters are the boundary itself, and the body closes with a "--"
// line followed by the boundary: the device reads exactly this framing.
class THttpDataStream : public MemoryStream {
 public:
  explicit THttpDataStream(const Clock& clock = SystemLocalTime);

  const std::string& Boundary() const { return boundary_; }
  std::string ContentType() const { return "multipart/form-data; boundary=" + boundary_; }

  void AddFormField(const std::string& name, const std::string& value);
  // Appends the whole file as one part, its path sent unchanged as the file
  // name. Throws std::system_error (and appends nothing) when the file
  // cannot be opened.
  void AddFile(const std::string& name, const std::string& path, const std::string& content_type);
  // Appends the closing lines and moves to the start, ready to be sent.
  void FinishBody();

 private:
  std::string boundary_;
};

}  // namespace net
