#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

struct Upload {
  std::map<std::string, std::string> fields;  // form fields by name
  std::string file_field;
  std::string file_name;
  std::size_t file_size = 0;
};

// A request body the parser reads: searched as a whole, read only in the
// small pieces it needs (part headers, field values), so an image of any
// size can stay in a file.
class Body {
 public:
  virtual ~Body() = default;
  virtual std::size_t Size() const = 0;
  // Where `needle` first lies whole within [from, limit), or npos.
  virtual std::size_t Find(std::string_view needle, std::size_t from, std::size_t limit) const = 0;
  // Up to `count` bytes from `at`.
  virtual std::string Read(std::size_t at, std::size_t count) const = 0;
};

// A body held in memory.
class MemoryBody : public Body {
 public:
  explicit MemoryBody(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Size() const override { return bytes_.size(); }
  std::size_t Find(std::string_view needle, std::size_t from, std::size_t limit) const override;
  std::string Read(std::size_t at, std::size_t count) const override;

 private:
  std::string_view bytes_;
};

// A body written to a file as it arrived: searched in pieces, never held
// in memory as a whole.
class FileBody : public Body {
 public:
  FileBody(int fd, std::size_t size) : fd_(fd), size_(size) {}
  std::size_t Size() const override { return size_; }
  std::size_t Find(std::string_view needle, std::size_t from, std::size_t limit) const override;
  std::string Read(std::size_t at, std::size_t count) const override;

 private:
  int fd_;
  std::size_t size_;
};

// The longest part header or form field a device reads; a longer one makes
// the body malformed.
inline constexpr std::size_t kMaxPartText = 64 * 1024;

// Reads a firmware upload body: standard multipart/form-data as a browser
// sends it ("--" + boundary lines, closed by "--" + boundary + "--"), or the
// device's own framing, where every part begins with a line holding the
// boundary itself and the body ends with a "--" line followed by the
// boundary line. Nothing when the body is malformed.
std::optional<Upload> ParseUpload(const Body& body, const std::string& boundary);
std::optional<Upload> ParseUpload(std::string_view body, const std::string& boundary);

// The boundary announced by a Content-Type header value (quoted or not).
std::string BoundaryOf(const std::string& content_type);

}  // namespace sim
