#include "sim/multipart.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace sim {
namespace {

constexpr std::string_view kCrlf = "\r\n";

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The value of `attribute="..."` in a part header line (the device's own
// framing: a file name runs to the last quote of its line).
std::string Attribute(std::string_view header, const std::string& attribute) {
  const std::string key = "; " + attribute + "=\"";
  const auto at = header.find(key);
  if (at == std::string_view::npos) return {};
  const auto start = at + key.size();
  const auto line_end = header.find(kCrlf, start);
  const std::string_view line = header.substr(start, line_end - start);
  const auto end = attribute == "filename" ? line.rfind('"') : line.find('"');
  return end == std::string_view::npos ? std::string() : std::string(line.substr(0, end));
}

// The device's own framing: every part opens with the boundary line itself,
// and the body ends with a "--" line followed by the boundary line.
std::optional<Upload> ParseDeviceFraming(const Body& body, const std::string& boundary) {
  const std::string opener = boundary + "\r\n";
  const std::string closing = "\r\n--\r\n" + boundary + "\r\n";
  const std::size_t size = body.Size();
  if (size < closing.size() || body.Read(0, opener.size()) != opener ||
      body.Read(size - closing.size(), closing.size()) != closing)
    return std::nullopt;
  // Without the closing, the parts are separated by CR LF + boundary + CR LF.
  const std::size_t parts = size - closing.size() + 2;
  const std::string separator = "\r\n" + boundary + "\r\n";
  Upload upload;
  std::size_t start = opener.size();
  while (start < parts) {
    // A file part runs to the end: its bytes may hold anything.
    const auto head_end = body.Find("\r\n\r\n", start, parts);
    if (head_end == std::string_view::npos || head_end + 2 - start > kMaxPartText)
      return std::nullopt;
    const std::string header = body.Read(start, head_end + 2 - start);
    const std::string name = Attribute(header, "name");
    const bool is_file = header.find("; filename=\"") != std::string_view::npos;
    const std::size_t content = head_end + 4;
    std::size_t next = is_file ? parts - 2 : body.Find(separator, content, parts);
    if (next == std::string_view::npos || next < content) return std::nullopt;
    if (is_file) {
      upload.file_field = name;
      upload.file_name = Attribute(header, "filename");
      upload.file_size = next - content;
      break;
    }
    if (next - content > kMaxPartText) return std::nullopt;
    upload.fields[name] = body.Read(content, next - content);
    start = next + separator.size();
  }
  return upload;
}

struct Disposition {
  bool form_data = false;
  bool has_name = false, has_filename = false;
  std::string name, filename;
};

// `form-data; name="x"; filename="y"`: parameters as tokens or quoted
// strings (with backslash escapes), names compared without regard to case.
std::optional<Disposition> ParseDisposition(std::string_view value) {
  Disposition d;
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
  };
  auto token = [&] {
    const std::size_t start = i;
    while (i < value.size() && value[i] != ';' && value[i] != '=' && value[i] != ' ' &&
           value[i] != '\t' && value[i] != '"')
      ++i;
    return value.substr(start, i - start);
  };
  skip_blanks();
  d.form_data = Lower(token()) == "form-data";
  skip_blanks();
  while (i < value.size()) {
    if (value[i] != ';') return std::nullopt;
    ++i;
    skip_blanks();
    const std::string key = Lower(token());
    skip_blanks();
    if (key.empty() || i >= value.size() || value[i] != '=') return std::nullopt;
    ++i;
    skip_blanks();
    std::string text;
    if (i < value.size() && value[i] == '"') {
      for (++i;; ++i) {
        if (i >= value.size()) return std::nullopt;  // unterminated
        if (value[i] == '"') break;
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        text += value[i];
      }
      ++i;
    } else {
      text = std::string(token());
    }
    if (key == "name") {
      d.has_name = true;
      d.name = text;
    } else if (key == "filename") {
      d.has_filename = true;
      d.filename = text;
    }
    skip_blanks();
  }
  return d;
}

// Standard multipart/form-data: parts opened by "--" + boundary lines, the
// last one closed by "--" + boundary + "--".
std::optional<Upload> ParseStandardFraming(const Body& body, const std::string& boundary) {
  const std::size_t size = body.Size();
  const std::string delimiter = "--" + boundary;
  const std::string inner = "\r\n" + delimiter;
  // The first delimiter opens the body or follows a preamble line.
  std::size_t at = body.Read(0, delimiter.size()) == delimiter ? 0 : body.Find(inner, 0, size);
  if (at == std::string_view::npos) return std::nullopt;
  if (at != 0) at += 2;
  Upload upload;
  bool file_seen = false;
  for (;;) {
    std::size_t pos = at + delimiter.size();
    if (body.Read(pos, 2) == "--")
      return file_seen || !upload.fields.empty() ? std::optional<Upload>(upload) : std::nullopt;
    for (std::string blank = body.Read(pos, 1); blank == " " || blank == "\t";
         blank = body.Read(pos, 1))
      ++pos;
    if (body.Read(pos, 2) != kCrlf) return std::nullopt;
    pos += 2;
    const auto head_end = body.Find("\r\n\r\n", pos, size);
    if (head_end == std::string_view::npos || head_end + 2 - pos > kMaxPartText)
      return std::nullopt;
    const auto next = body.Find(inner, pos, size);
    if (next == std::string_view::npos || next < head_end) return std::nullopt;
    const std::string headers = body.Read(pos, head_end + 2 - pos);
    std::optional<Disposition> disposition;
    for (std::size_t line = 0; line < headers.size();) {
      const std::size_t end = headers.find(kCrlf, line);
      const std::string_view header = std::string_view(headers).substr(line, end - line);
      const auto colon = header.find(':');
      if (colon == std::string_view::npos) return std::nullopt;
      if (Lower(header.substr(0, colon)) == "content-disposition") {
        disposition = ParseDisposition(header.substr(colon + 1));
        if (!disposition) return std::nullopt;
      }
      line = end + 2;
    }
    if (!disposition || !disposition->form_data || !disposition->has_name) return std::nullopt;
    const std::size_t content = head_end + 4;
    const std::size_t length = next - content;
    if (disposition->has_filename) {
      if (file_seen) return std::nullopt;  // one image per upload
      file_seen = true;
      upload.file_field = disposition->name;
      upload.file_name = disposition->filename;
      upload.file_size = length;
    } else {
      if (length > kMaxPartText) return std::nullopt;
      upload.fields[disposition->name] = body.Read(content, length);
    }
    at = next + 2;
  }
}

}  // namespace

std::string BoundaryOf(const std::string& content_type) {
  const std::string lower = Lower(content_type);
  const auto at = lower.find("boundary=");
  if (at == std::string::npos) return {};
  std::string boundary = content_type.substr(at + 9);
  if (!boundary.empty() && boundary.front() == '"') {
    const auto end = boundary.find('"', 1);
    return end == std::string::npos ? std::string() : boundary.substr(1, end - 1);
  }
  return boundary.substr(0, boundary.find_first_of("; \t"));
}

std::size_t MemoryBody::Find(std::string_view needle, std::size_t from, std::size_t limit) const {
  return bytes_.substr(0, std::min(limit, bytes_.size())).find(needle, from);
}

std::string MemoryBody::Read(std::size_t at, std::size_t count) const {
  return at >= bytes_.size() ? std::string() : std::string(bytes_.substr(at, count));
}

std::size_t FileBody::Find(std::string_view needle, std::size_t from, std::size_t limit) const {
  // In pieces, each starting where the last could still hold a match.
  constexpr std::size_t kPiece = 1 << 20;
  limit = std::min(limit, size_);
  if (needle.empty() || needle.size() > kPiece) return std::string_view::npos;
  std::string piece;
  for (std::size_t at = from; at < limit && limit - at >= needle.size();) {
    piece = Read(at, std::min(kPiece, limit - at));
    const auto found = piece.find(needle);
    if (found != std::string::npos) return at + found;
    if (at + piece.size() >= limit || piece.size() < needle.size()) break;
    at += piece.size() - needle.size() + 1;
  }
  return std::string_view::npos;
}

std::string FileBody::Read(std::size_t at, std::size_t count) const {
  if (at >= size_) return {};
  std::string bytes(std::min(count, size_ - at), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n =
        ::pread(fd_, bytes.data() + got, bytes.size() - got, static_cast<off_t>(at + got));
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

std::optional<Upload> ParseUpload(const Body& body, const std::string& boundary) {
  if (boundary.empty()) return std::nullopt;
  if (auto upload = ParseDeviceFraming(body, boundary)) return upload;
  return ParseStandardFraming(body, boundary);
}

std::optional<Upload> ParseUpload(std::string_view body, const std::string& boundary) {
  return ParseUpload(MemoryBody(body), boundary);
}

}  // namespace sim
