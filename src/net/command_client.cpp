#include "net/command_client.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "net/base64.h"
#include "net/url.h"
#include "net/waiting.h"

namespace net {
namespace {

bool PathFits(const std::string& path) {
  return FirstCharacters(path, CommandClient::kMaxPath).size() == path.size();
}

// A Location value without "/" names a page on the same host; one that
// starts with "/" a path there.
HttpUrl RedirectTarget(const std::string& host, std::uint16_t port, const std::string& location) {
  if (location.find('/') == std::string::npos) return {host, port, "/" + location};
  if (location.front() == '/') return {host, port, location};
  return ParseHttpUrl(location);
}

}  // namespace

bool CommandClient::Fits(const std::string& url) {
  return PathFits(ParseHttpUrl(url).path);
}

void CommandClient::Get(const std::string& url) {
  RequestSent = false;
  FirstStatus = 0;
  FirstLocation.clear();
  if (url.empty()) throw HttpError("Empty URL");
  // The command is read once; every step after takes its parts.
  const HttpUrl first = ParseHttpUrl(url);
  // A cut command could be another command: one too long is not sent.
  if (!PathFits(first.path)) throw HttpError("URL too long");
  // Credentials and the cookie belong to the device asked first: a redirect
  // to another host or port does not get them.
  WaitScope waiting(Activity::Sending, first.host);
  std::optional<HttpUrl> next = first;
  for (int redirects = 0;; ++redirects) {
    next = Exchange(*next, next->host == first.host && next->port == first.port);
    if (redirects == 0) FirstLocation = next ? first_location_ : std::string();
    if (!next) return;
    if (redirects == kMaxRedirects) throw HttpError("Too many redirects");
  }
}

std::optional<HttpUrl> CommandClient::Exchange(const HttpUrl& target, bool same_device) {
  Host = target.host;
  Port = target.port;
  // A redirect's target is the device's own; it is cut, not refused.
  const std::string path(FirstCharacters(target.path, kMaxPath));

  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline_ms);
  TcpStream stream =
      TcpStream::Connect(target.host, target.port, std::min(WaitBound(), deadline_ms));
  stream.SetDeadline(end);
  std::string request = "GET " + SafeRequestTarget(path) + " HTTP/1.0\r\n";
  request += "Host: " + HeaderValue(target.host) + "\r\n";
  request += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n";
  request += "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
  if (same_device && !Cookie.empty()) request += "Cookie: " + HeaderValue(Cookie) + "\r\n";
  if (!Referer.empty()) request += "Referer: " + HeaderValue(Referer) + "\r\n";
  if (same_device && !UserId.empty() && !Password.empty())
    request += "Authorization: Basic " + Base64Encode(UserId + ":" + Password) + "\r\n";
  request += "Content-type: application/x-www-form-urlencoded\r\n\r\n";
  stream.SendAll(request, WaitBound());
  RequestSent = true;
  StatusCode = 0;

  // The status and header of this reply replace the last ones as soon as
  // its status line has arrived, also when reading then fails.
  StreamSource source(stream, WaitBound());
  ReplyHead head;
  auto publish = [&] {
    if (!head.started) return;
    StatusCode = static_cast<std::int16_t>(head.status);
    Header = head.header;
    if (!FirstStatus) FirstStatus = head.status;
  };
  try {
    ReadReplyHead(source, head, limits);
    publish();
    // A device that closes before its header has ended has not answered.
    if (!head.complete) throw HttpError("Connection Closed Gracefully.");
    if (head.has_cookie) Cookie = head.cookie;
    Body = ReadBody(source, limits);
  } catch (...) {
    publish();
    throw;
  }
  stream.Close();
  if (head.status >= 300 && head.status <= 302 && !head.location.empty()) {
    first_location_ = head.location;
    return RedirectTarget(target.host, target.port, head.location);
  }
  return std::nullopt;
}

void CommandClient::Connect() {
  WaitScope waiting(Activity::Sending, Host);
  try {
    connection_ =
        TcpStream::Connect(Host, Port == 0 ? 80 : static_cast<std::uint16_t>(Port), WaitBound());
    IsConnected = true;
  } catch (...) {
    IsConnected = false;
    if (OnConnectionFailed) OnConnectionFailed();
    throw;
  }
}

void CommandClient::Disconnect() {
  connection_.Close();
  IsConnected = false;
}

}  // namespace net
