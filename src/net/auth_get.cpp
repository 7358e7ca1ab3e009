#include "net/auth_get.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <optional>

#include "net/base64.h"
#include "net/http_data_stream.h"
#include "net/socket_error.h"
#include "net/tcp.h"
#include "net/waiting.h"

namespace net {
namespace {

constexpr std::uint16_t kHttpPort = 80;

// Finds `needle` in `text` without regard to ASCII letter case.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, std::size_t from = 0) {
  if (needle.empty() || text.size() < needle.size()) return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && std::toupper(static_cast<unsigned char>(text[i + k])) ==
                                    std::toupper(static_cast<unsigned char>(needle[k])))
      ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

}  // namespace

bool ReplyLength::Complete(std::string_view kept, std::size_t received) {
  if (!header_seen_) {
    const auto end = kept.find("\r\n\r\n", searched_);
    if (end == std::string_view::npos) {
      searched_ = kept.size() < 3 ? 0 : kept.size() - 3;
      return false;
    }
    header_seen_ = true;
    const std::string_view header = kept.substr(0, end + 2);
    const auto at = FindIgnoringCase(header, "\r\nCONTENT-LENGTH:");
    if (at != std::string_view::npos) {
      const std::string digits(header.substr(at + 17, 24));
      char* stop = nullptr;
      errno = 0;
      const unsigned long long length = std::strtoull(digits.c_str(), &stop, 10);
      // A length past what we would ever read can never be complete; it
      // must not wrap into a small one.
      if (stop != digits.c_str() && errno == 0 && length <= limit_) {
        total_ = end + 4 + static_cast<std::size_t>(length);
        announced_ = true;
      } else if (stop != digits.c_str()) {
        overlong_ = true;
      }
    }
  }
  return announced_ && received >= total_;
}

std::string BuildAuthGetRequest(const std::string& path, const std::string& address,
                                const std::string& user, const std::string& password) {
  return "GET " + path + " HTTP/1.1\r\nHost:" + address +
         "\r\nConnection: Keep-Alive\r\nAuthorization: Basic " +
         Base64Encode(user + ":" + password) + "\r\n\r\n";
}

std::string BuildPlainGetRequest(const std::string& path, const std::string& address) {
  return "GET " + path + " HTTP/1.1\r\nHost:" + address + "\r\nConnection: Keep-Alive\r\n\r\n";
}

PageReply SplitPageReply(std::string_view reply) {
  PageReply result;
  const auto tag = FindIgnoringCase(reply, "<HTML>");
  if (tag == std::string::npos) return result;
  result.Status = 1;
  // Read as "%d" would: white space skipped, an optional sign, digits. A
  // number too large for a status is no readable status.
  const auto http = FindIgnoringCase(reply, "HTTP/");
  const auto blank = http == std::string::npos ? http : reply.find(' ', http + 5);
  if (blank != std::string::npos) {
    std::size_t at = blank + 1;
    while (at < reply.size() && std::isspace(static_cast<unsigned char>(reply[at]))) ++at;
    // A sign and more digits than any status has: enough to see an overflow.
    const std::string rest(reply.substr(at, 24));
    char* stop = nullptr;
    errno = 0;
    const long status = std::strtol(rest.c_str(), &stop, 10);
    if (stop != rest.c_str() && errno == 0 && status >= INT_MIN && status <= INT_MAX)
      result.Status = static_cast<int>(status);
  }
  result.HeaderText = reply.substr(0, tag);
  result.BodyText = reply.substr(tag);
  return result;
}

namespace {

// Sends `request` to port 80 of `address` and reads the reply, within
// `limits`.
PageReply Exchange(const std::string& address, const std::string& request,
                   const AuthGetLimits& limits) {
  // The reply is kept in pages of its own, given back to the system when
  // the read ends: attempt after attempt, a device sending endless replies
  // costs no more than one of them.
  ByteBuffer reply;
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.total_timeout_ms);
  ReplyLength length(limits.max_reply);
  std::size_t received = 0;
  try {
    TcpStream stream = TcpStream::Connect(
        address, kHttpPort, std::min(limits.connect_timeout_ms, limits.total_timeout_ms));
    stream.SetDeadline(end);
    stream.SendAll(request, limits.idle_timeout_ms);

    // The request asks for keep-alive, so a device may leave the connection
    // open after its reply: stop at the announced length, or after a pause.
    reply.reserve(limits.max_reply);
    char piece[kAuthGetPiece];
    for (;;) {
      std::size_t n = 0;
      try {
        n = stream.Receive(piece, sizeof piece, limits.idle_timeout_ms);
      } catch (const SocketError& e) {
        if (e.number() != wsa::kTimedOut) throw;
        // A reply still coming at the deadline, or when the user cancels,
        // is no answer; a pause past the bound ends the reply as a close
        // would.
        if (ActionCancelled() || ActionTimeUp() || std::chrono::steady_clock::now() >= end)
          return {};
        break;
      }
      if (n == 0) break;
      received += n;
      if (received > limits.max_reply) return {};
      // A zero byte ends its piece; later pieces are still taken.
      const char* zero = std::find(piece, piece + n, '\0');
      reply.append(std::string_view(piece, static_cast<std::size_t>(zero - piece)));
      if (length.Complete(reply.view(), received)) break;
    }
  } catch (const SocketError&) {
    // Failures before anything arrived give an empty reply; a connection
    // reset after part of a page keeps what came, unless the header said
    // there was more.
  }
  if (length.Short(received)) return {};
  return SplitPageReply(reply.view());
}

}  // namespace

PageReply AuthGet(const std::string& address, const std::string& user, const std::string& password,
                  const std::string& path, const AuthGetLimits& limits) {
  return Exchange(address, BuildAuthGetRequest(path, address, user, password), limits);
}

PageReply PlainGet(const std::string& address, const std::string& path,
                   const AuthGetLimits& limits) {
  return Exchange(address, BuildPlainGetRequest(path, address), limits);
}

}  // namespace net
