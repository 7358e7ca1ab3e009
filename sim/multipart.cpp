#include "sim/multipart.h"

namespace sim {
namespace {

// The value of `attribute="..."` in a part header line.
std::string Attribute(std::string_view header, const std::string& attribute) {
  const std::string key = "; " + attribute + "=\"";
  const auto at = header.find(key);
  if (at == std::string_view::npos) return {};
  const auto start = at + key.size();
  // A file name runs to the last quote of its line (it may hold quotes).
  const auto line_end = header.find("\r\n", start);
  const std::string_view line = header.substr(start, line_end - start);
  const auto end = attribute == "filename" ? line.rfind('"') : line.find('"');
  return end == std::string_view::npos ? std::string() : std::string(line.substr(0, end));
}

}  // namespace

std::string BoundaryOf(const std::string& content_type) {
  const auto at = content_type.find("boundary=");
  return at == std::string::npos ? std::string() : content_type.substr(at + 9);
}

std::optional<Upload> ParseUpload(std::string_view body, const std::string& boundary) {
  if (boundary.empty()) return std::nullopt;
  const std::string opener = boundary + "\r\n";
  const std::string closing = "\r\n--\r\n" + boundary + "\r\n";
  if (body.substr(0, opener.size()) != opener || body.size() < closing.size() ||
      body.substr(body.size() - closing.size()) != closing)
    return std::nullopt;
  // Without the closing, the parts are separated by CR LF + boundary + CR LF.
  std::string_view parts = body.substr(0, body.size() - closing.size() + 2);
  const std::string separator = "\r\n" + boundary + "\r\n";
  Upload upload;
  std::size_t start = opener.size();
  while (start < parts.size()) {
    // A file part runs to the end: its bytes may hold anything.
    const auto head_end = parts.find("\r\n\r\n", start);
    if (head_end == std::string_view::npos) return std::nullopt;
    const std::string_view header = parts.substr(start, head_end + 2 - start);
    const std::string name = Attribute(header, "name");
    const bool is_file = header.find("; filename=\"") != std::string_view::npos;
    const std::size_t content = head_end + 4;
    std::size_t next = is_file ? parts.size() - 2 : parts.find(separator, content);
    if (next == std::string_view::npos || next < content) return std::nullopt;
    if (is_file) {
      upload.file_field = name;
      upload.file_name = Attribute(header, "filename");
      upload.file_size = next - content;
      break;
    }
    upload.fields[name] = std::string(parts.substr(content, next - content));
    start = next + separator.size();
  }
  return upload;
}

}  // namespace sim
