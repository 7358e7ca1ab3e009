#include "net/auth_get.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "net/base64.h"
#include "net/socket_error.h"
#include "net/tcp.h"

namespace net {
namespace {

constexpr std::uint16_t kHttpPort = 80;

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// Watches a reply arrive for the length its header announces; the header
// is looked at once, when its end has come.
class ReplyLength {
 public:
  // True once `raw` holds the whole announced reply.
  bool Complete(const std::string& raw) {
    if (!header_seen_) {
      const auto end = raw.find("\r\n\r\n", searched_);
      if (end == std::string::npos) {
        searched_ = raw.size() < 3 ? 0 : raw.size() - 3;
        return false;
      }
      header_seen_ = true;
      const std::string header = Upper(std::string_view(raw).substr(0, end + 2));
      const auto at = header.find("\r\nCONTENT-LENGTH:");
      if (at != std::string::npos) {
        const char* digits = header.c_str() + at + 17;
        char* stop = nullptr;
        const unsigned long long length = std::strtoull(digits, &stop, 10);
        if (stop != digits) total_ = end + 4 + static_cast<std::size_t>(length);
      }
    }
    return total_ && raw.size() >= *total_;
  }

 private:
  bool header_seen_ = false;
  std::size_t searched_ = 0;
  std::optional<std::size_t> total_;
};

}  // namespace

std::string BuildAuthGetRequest(const std::string& path, const std::string& address,
                                const std::string& user, const std::string& password) {
  return "GET " + path + " HTTP/1.1\r\nHost:" + address +
         "\r\nConnection: Keep-Alive\r\nAuthorization: Basic " +
         Base64Encode(user + ":" + password) + "\r\n\r\n";
}

PageReply SplitPageReply(std::string_view reply) {
  PageReply result;
  if (reply.empty()) return result;
  const std::string upper = Upper(reply);
  const auto tag = upper.find("<HTML>");
  if (tag == std::string::npos) return result;
  result.HeaderText = std::string(reply.substr(0, tag));
  result.BodyText = std::string(reply.substr(tag));
  result.Status = 1;
  const auto http = upper.find("HTTP/");
  if (http == std::string::npos) return result;
  const auto blank = upper.find(' ', http + 5);
  if (blank == std::string::npos) return result;
  // Read as "%d" would: white space skipped, an optional sign, digits. A
  // number too large for a status is no readable status.
  const std::string rest = upper.substr(blank + 1);
  char* stop = nullptr;
  errno = 0;
  const long status = std::strtol(rest.c_str(), &stop, 10);
  if (stop != rest.c_str() && errno == 0 && status >= INT_MIN && status <= INT_MAX)
    result.Status = static_cast<int>(status);
  return result;
}

PageReply AuthGet(const std::string& address, const std::string& user, const std::string& password,
                  const std::string& path, const AuthGetLimits& limits) {
  std::string reply;
  try {
    TcpStream stream = TcpStream::Connect(address, kHttpPort, limits.connect_timeout_ms);
    stream.SendAll(BuildAuthGetRequest(path, address, user, password), limits.idle_timeout_ms);

    // The request asks for keep-alive, so a device may leave the connection
    // open after its reply: stop at the announced length, or after a pause.
    std::string raw;
    ReplyLength length;
    char piece[kAuthGetPiece];
    for (;;) {
      std::size_t n = 0;
      try {
        n = stream.Receive(piece, sizeof piece, limits.idle_timeout_ms);
      } catch (const SocketError& e) {
        if (e.number() != wsa::kTimedOut) throw;
        break;  // a pause past the bound ends the reply as a close would
      }
      if (n == 0) break;
      raw.append(piece, n);
      if (raw.size() > limits.max_reply) return {};
      // A zero byte ends its piece; later pieces are still taken.
      reply.append(piece, std::find(piece, piece + n, '\0'));
      if (length.Complete(raw)) break;
    }
  } catch (const SocketError&) {
    // Failures before anything arrived give an empty reply; a connection
    // reset after part of a page keeps what came.
  }
  return SplitPageReply(reply);
}

}  // namespace net
