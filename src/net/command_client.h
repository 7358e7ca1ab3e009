#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "net/tcp.h"
#include "net/url.h"

namespace net {

// The console's command client: sends each settings command as an HTTP/1.0
// GET, follows the device's redirect to its answer page, and doubles as a
// plain TCP probe. Its properties keep their values between requests.
class CommandClient {
 public:
  virtual ~CommandClient() = default;

  std::string Host;
  int Port = 0;     // 0 means 80
  int TimeOut = 0;  // milliseconds per wait; 0: no bound of the caller's
  int ReportLevel = 0;
  std::string UserId;
  std::string Password;
  std::string Referer;
  std::string Cookie;
  std::int16_t StatusCode = 0;
  std::string Header;
  // The status and redirect target of the last Get's first reply: the
  // device's own answer to the command, whatever its redirect then brings.
  int FirstStatus = 0;
  std::string FirstLocation;
  std::string Body;
  bool IsConnected = false;
  // True once the last Get's request has gone out whole, whatever came of
  // it: a command that was never sent changed nothing on the device.
  bool RequestSent = false;

  // Told when Connect fails, before the error is raised; shows nothing.
  std::function<void()> OnConnectionFailed;

  // GETs `url`, following redirects (300 to 302 with a Location). Throws
  // HttpError or SocketError when a connection cannot be made, a wait runs
  // past its bound or the transfer fails, and HttpError for a path longer
  // than kMaxPath characters: a command is sent whole or not at all.
  virtual void Get(const std::string& url);

  // Opens a connection to Host:Port within TimeOut; throws on failure.
  virtual void Connect();
  virtual void Disconnect();

  // Limits of our own.
  static constexpr int kMaxRedirects = 10;
  static constexpr std::size_t kMaxPath = 256;
  // Whether `url`'s path is short enough to be sent.
  static bool Fits(const std::string& url);
  // A wait the caller left unbounded (TimeOut 0) still ends after this long,
  // so a silent device cannot freeze the program.
  static constexpr int kUnboundedWaitCapMs = 30000;
  // Each request with its reply ends within this long, however the device
  // trickles, whatever the bound on single waits.
  int deadline_ms = 20000;
  ReplyLimits limits;

 private:
  int WaitBound() const { return TimeOut > 0 ? TimeOut : kUnboundedWaitCapMs; }
  // One request and its reply; returns the redirect target, if any. The
  // credentials and the cookie go only to the device first asked.
  std::optional<HttpUrl> Exchange(const HttpUrl& target, bool same_device);

  TcpStream connection_ = TcpStream::Closed();
  std::string first_location_;
};

}  // namespace net
