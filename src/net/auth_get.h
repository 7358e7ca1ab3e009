#pragma once

#include <string>
#include <string_view>

namespace net {

// What a device answered to an authenticated page request.
struct PageReply {
  std::string HeaderText;  // the reply before its first "<HTML>" tag (any letter case)
  std::string BodyText;    // the reply from that tag on
  int Status = 0;          // status number; 1: a page without a readable status; 0: nothing usable
};

// Bounds that keep a silent or hostile device from freezing the program.
struct AuthGetLimits {
  int connect_timeout_ms = 5000;    // the device is on the LAN: it answers fast or not at all
  int idle_timeout_ms = 5000;       // longest pause between two pieces of the reply
  int total_timeout_ms = 15000;     // the whole exchange, however the reply trickles in
  std::size_t max_reply = 4 << 20;  // a status page is a few kilobytes
};

inline constexpr std::size_t kAuthGetPiece = 1465;

// Watches a reply arrive for the length its header announces; the header
// is looked at once, when its end has come.
class ReplyLength {
 public:
  explicit ReplyLength(std::size_t limit) : limit_(limit) {}
  // True once the whole announced reply has come: `kept` is the reply as
  // kept (a zero byte cuts its piece), `received` how many bytes came. A
  // length above the limit is never complete.
  bool Complete(std::string_view kept, std::size_t received);
  // True when the header announced a length that has not all come (or
  // never could): a reply that ends so is cut short, not a page.
  bool Short(std::size_t received) const { return overlong_ || (announced_ && received < total_); }

 private:
  std::size_t limit_;
  bool header_seen_ = false;
  std::size_t searched_ = 0;
  bool announced_ = false;
  bool overlong_ = false;
  std::size_t total_ = 0;
};

// The request line, host line, keep-alive and Basic credentials, exactly as
// the device expects them.
std::string BuildAuthGetRequest(const std::string& path, const std::string& address,
                                const std::string& user, const std::string& password);
// The same request with no Authorization line at all: for an address nobody
// gave credentials for, where not even a user name is to go.
std::string BuildPlainGetRequest(const std::string& path, const std::string& address);

// Splits a complete reply at its first "<HTML>" and reads the status.
PageReply SplitPageReply(std::string_view reply);

// GETs `path` from port 80 of `address` with Basic authentication over a
// connection of its own. Never throws and never shows anything: every
// failure gives Status 0 and empty texts. A reply that ends before the
// length its header announced, one still coming at the deadline and one
// the user cancelled are failures too: a part of a page is no page.
PageReply AuthGet(const std::string& address, const std::string& user, const std::string& password,
                  const std::string& path, const AuthGetLimits& limits = {});
// AuthGet without credentials (BuildPlainGetRequest), judged alike.
PageReply PlainGet(const std::string& address, const std::string& path,
                   const AuthGetLimits& limits = {});

}  // namespace net
