#include "net/upload_client.h"

#include <chrono>

#include "net/base64.h"
#include "net/socket_error.h"
#include "net/tcp.h"
#include "net/url.h"
#include "net/waiting.h"

namespace net {
namespace {

constexpr char kClosedGracefully[] = "Connection Closed Gracefully.";

// The status line without its first word and the blank after it.
std::string StatusText(const std::string& status_line) {
  const std::string_view line = WithoutLineEnd(status_line);
  const auto blank = line.find(' ');
  return std::string(blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1));
}

}  // namespace

void UploadClient::Post(const std::string& url, const MemoryStream& body, MemoryStream& reply) {
  const HttpUrl target = ParseHttpUrl(url);
  ContentLength = body.Size();
  WaitScope waiting(Activity::Uploading, target.host);
  try {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline_base_ms) +
        std::chrono::milliseconds(static_cast<long long>(body.Size() >> 20) * deadline_ms_per_mib);
    TcpStream stream = TcpStream::Connect(target.host, target.port, connect_timeout_ms);
    stream.SetDeadline(end);
    std::string request = "POST " + SafeRequestTarget(target.path) + " HTTP/1.0\r\n";
    request += "Host: " + HeaderValue(target.host) + "\r\n";
    request += std::string("Accept: ") + kAccept + "\r\n";
    if (!Referer.empty()) request += "Referer: " + HeaderValue(Referer) + "\r\n";
    request += std::string("User-Agent: ") + kUserAgent + "\r\n";
    if (!ContentType.empty()) request += "Content-Type: " + HeaderValue(ContentType) + "\r\n";
    if (ContentLength > 0) request += "Content-Length: " + std::to_string(ContentLength) + "\r\n";
    if (!UserName.empty())
      request += "Authorization: Basic " + Base64Encode(UserName + ":" + Password) + "\r\n";
    request += "\r\n";
    stream.SetSendBuffer(4 << 20);  // fewer wake-ups for a large image
    stream.SendAll(request, reply_timeout_ms);
    stream.SendAll(body.Bytes(), reply_timeout_ms);  // straight from the body, no copy

    StreamSource source(stream, reply_timeout_ms);
    ReplyHead head;
    ReadReplyHead(source, head, limits);
    if (!head.complete) throw HttpError(kClosedGracefully);
    if (head.status < 200 || head.status > 299 || head.has_location)
      throw HttpError(StatusText(head.status_line));
    ReadBodyInto(source, limits, [&reply](std::string_view piece) { reply.Write(piece); });
  } catch (const SocketError& e) {
    // A reset while the image goes up is the device refusing it; report it
    // as an aborted connection on every system.
    if (e.number() == wsa::kConnectionReset)
      throw HttpError(SocketErrorText(wsa::kConnectionAborted));
    throw HttpError(e.what());
  }
}

}  // namespace net
