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

UploadError UploadError::Reply(int status, const std::string& status_text,
                               const std::string& location) {
  UploadError error(Kind::Reply, status_text, status);
  error.location_ = location;
  return error;
}

UploadError UploadError::Socket(int number) {
  return UploadError(Kind::Socket, SocketErrorText(number), number);
}

UploadError UploadError::Closed() {
  return UploadError(Kind::Closed, kClosedGracefully);
}

UploadError UploadError::FileChanged(const std::string& path) {
  return UploadError(Kind::FileChanged, "The file changed while it was sent: " + path);
}

void UploadClient::Post(const std::string& url, const UploadBody& body, MemoryStream& reply) {
  const HttpUrl target = ParseHttpUrl(url);
  const std::vector<UploadBody::Piece> pieces = body.Pieces();
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
    for (const UploadBody::Piece& piece : pieces) {
      if (piece.file == nullptr) {
        stream.SendAll(piece.bytes, reply_timeout_ms);
        continue;
      }
      // A file cut short while it goes out can never fill the length
      // announced: the body ends here.
      const std::size_t length = piece.file->Length();
      if (stream.SendFile(piece.file->Descriptor(), 0, length, reply_timeout_ms) < length)
        throw UploadError::FileChanged(piece.file->Path());
    }
    // What went out must be the file as it was opened, or the device has
    // a mix of two images, whatever it says of it.
    for (const UploadBody::Piece& piece : pieces)
      if (piece.file != nullptr && !piece.file->Unchanged())
        throw UploadError::FileChanged(piece.file->Path());

    StreamSource source(stream, reply_timeout_ms);
    ReplyHead head;
    ReadReplyHead(source, head, limits);
    if (!head.complete) throw UploadError::Closed();
    if (head.status < 200 || head.status > 299 || head.has_location)
      throw UploadError::Reply(head.status, StatusText(head.status_line), head.location);
    ReadBodyInto(source, limits, [&reply](std::string_view piece) { reply.Write(piece); });
  } catch (const SocketError& e) {
    // A reset while the image goes up is the device refusing it; report it
    // as an aborted connection on every system.
    if (e.number() == wsa::kConnectionReset) throw UploadError::Socket(wsa::kConnectionAborted);
    throw UploadError::Socket(e.number());
  }
}

}  // namespace net
