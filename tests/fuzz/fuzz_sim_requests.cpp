// The simulated device's parsers: request heads, queries and multipart
// bodies, on arbitrary bytes and on what the program itself would send.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/url.h"
#include "sim/cgi.h"
#include "sim/http_server.h"
#include "sim/multipart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  sim::Request request;
  if (sim::ParseRequestHead(text, request) &&
      (request.target.empty() || request.target[0] != '/' ||
       (request.version != "HTTP/1.0" && request.version != "HTTP/1.1")))
    __builtin_trap();

  // A query made of encoded pairs reads back as the pairs.
  const sim::Params params = sim::ParseQuery(text);
  std::string query;
  for (const auto& [name, value] : params)
    query +=
        (query.empty() ? "" : "&") + net::EncodeUrlValue(name) + "=" + net::EncodeUrlValue(value);
  if (sim::ParseQuery(query) != params) __builtin_trap();

  // Any body under any boundary: a file part never claims more than there is.
  const std::string boundary =
      text.substr(0, text.find('\n') == std::string::npos ? std::min<std::size_t>(text.size(), 16)
                                                          : text.find('\n'));
  const auto upload = sim::ParseUpload(text, boundary);
  if (upload && upload->file_size > text.size()) __builtin_trap();
  // The same body read from a file, as the device takes a large image,
  // reads the same.
  const int file = ::memfd_create("body", MFD_CLOEXEC);
  if (::write(file, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
    __builtin_trap();
  const auto from_file = sim::ParseUpload(sim::FileBody(file, text.size()), boundary);
  ::close(file);
  if (upload.has_value() != from_file.has_value()) __builtin_trap();
  if (upload && (upload->fields != from_file->fields || upload->file_size != from_file->file_size ||
                 upload->file_name != from_file->file_name))
    __builtin_trap();

  // The device's own framing of a field and a file reads back whole.
  const std::string b = "-------------------------20261207101010101";
  const std::string value = net::HeaderValue(text.substr(0, 40));
  const std::string body = b + "\r\nContent-Disposition: form-data; name=\"type\"\r\n\r\n" + value +
                           "\r\n" + b +
                           "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"f\""
                           "\r\nContent-Type: application/octet-stream\r\n\r\n" +
                           text + "\r\n--\r\n" + b + "\r\n";
  const auto framed = sim::ParseUpload(body, b);
  if (!framed || framed->file_size != text.size() || framed->file_field != "filename")
    __builtin_trap();
  return 0;
}
