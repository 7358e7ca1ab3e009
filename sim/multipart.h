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

// Reads a firmware upload body: standard multipart/form-data as a browser
// sends it ("--" + boundary lines, closed by "--" + boundary + "--"), or the
// device's own framing, where every part begins with a line holding the
// boundary itself and the body ends with a "--" line followed by the
// boundary line. Nothing when the body is malformed.
std::optional<Upload> ParseUpload(std::string_view body, const std::string& boundary);

// The boundary announced by a Content-Type header value (quoted or not).
std::string BoundaryOf(const std::string& content_type);

}  // namespace sim
