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
// How long a device that ended the sending early has to finish what it said.
constexpr int kEarlyAnswerMs = 2000;
// Untaken bytes at the end of a request that say nothing of the device
// dropping it: more than a few segments a delayed acknowledgement leaves.
constexpr std::uint64_t kUntakenSlack = 64 * 1024;

// The status line without its first word and the blank after it.
std::string StatusText(const std::string& status_line) {
  const std::string_view line = WithoutLineEnd(status_line);
  const auto blank = line.find(' ');
  return std::string(blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1));
}

// The POST's line and headers, up to the body.
std::string RequestHead(const UploadClient& client, const HttpUrl& target) {
  std::string head = "POST " + SafeRequestTarget(target.path) + " HTTP/1.0\r\n";
  head += "Host: " + HeaderValue(target.host) + "\r\n";
  head += std::string("Accept: ") + UploadClient::kAccept + "\r\n";
  if (!client.Referer.empty()) head += "Referer: " + HeaderValue(client.Referer) + "\r\n";
  head += std::string("User-Agent: ") + UploadClient::kUserAgent + "\r\n";
  if (!client.ContentType.empty())
    head += "Content-Type: " + HeaderValue(client.ContentType) + "\r\n";
  if (client.ContentLength > 0)
    head += "Content-Length: " + std::to_string(client.ContentLength) + "\r\n";
  if (!client.UserName.empty())
    head +=
        "Authorization: Basic " + Base64Encode(client.UserName + ":" + client.Password) + "\r\n";
  return head + "\r\n";
}

}  // namespace

UploadError UploadError::Reply(int status, const std::string& status_text,
                               const std::string& location, bool whole) {
  UploadError error(Kind::Reply, status_text, status, whole);
  error.location_ = location;
  return error;
}

UploadError UploadError::Socket(int number) {
  return UploadError(Kind::Socket, SocketErrorText(number), number);
}

UploadError UploadError::Aborted() {
  return UploadError(Kind::Aborted, SocketErrorText(wsa::kConnectionAborted),
                     wsa::kConnectionAborted, false);
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
    const std::string request = RequestHead(*this, target);
    stream.SetSendBuffer(4 << 20);  // fewer wake-ups for a large image
    // A device that refuses the upload (a 401, a refusing status) may say
    // so at once and stop reading: its answer ends the sending.
    stream.StopSendingWhenAnswered();
    stream.SendAll(request, reply_timeout_ms);
    bool whole = false;  // every byte of the body went out
    int ended_by = 0;    // the socket error that ended the connection, if one did
    try {
      for (const UploadBody::Piece& piece : pieces) {
        if (stream.Answered()) break;
        if (piece.file == nullptr) {
          stream.SendAll(piece.bytes, reply_timeout_ms);
          continue;
        }
        // A file cut short while it goes out can never fill the length
        // announced: the body ends here.
        const std::size_t length = piece.file->Length();
        if (stream.SendFile(piece.file->Descriptor(), 0, length, reply_timeout_ms) < length &&
            !stream.Answered())
          throw UploadError::FileChanged(piece.file->Path());
      }
      whole = !stream.Answered();
    } catch (const SocketError& e) {
      // Ended by the device while the body went out: what it said before,
      // if anything, is read below. A device that stopped taking bytes
      // and said nothing is silent.
      if (e.number() == wsa::kTimedOut) throw;
      ended_by = e.number();
    }

    // Whatever a device says before it has the whole body is there already,
    // or never comes.
    StreamSource source(stream, whole ? reply_timeout_ms : kEarlyAnswerMs);
    ReplyHead head;
    try {
      ReadReplyHead(source, head, limits);
    } catch (const SocketError& e) {
      if (whole && e.number() == wsa::kTimedOut) throw;  // silence
      if (ended_by == 0) ended_by = e.number();
    }
    if (!head.complete) {
      // Ended without a word while much of the request was still untaken by
      // the device's system (or, where the system does not tell, before it
      // was all handed over): the device aborted the image, whatever our
      // own buffers held. (An end can leave the last segments it had
      // received unacknowledged: those are no sign.)
      const std::uint64_t request_size = request.size() + ContentLength;
      const auto taken = stream.BytesTaken();
      if (taken ? *taken + kUntakenSlack < request_size : !whole) throw UploadError::Aborted();
      if (ended_by != 0) throw UploadError::Socket(ended_by);
      throw UploadError::Closed();
    }
    // What the device read must be the file as it was opened, or it holds a
    // mix of two images, whatever it says of it. Checked once it has read
    // everything (it answered): the system reads the file's bytes as they
    // go out, after the last send has returned.
    if (whole)
      for (const UploadBody::Piece& piece : pieces)
        if (piece.file != nullptr && !piece.file->Unchanged())
          throw UploadError::FileChanged(piece.file->Path());
    if (!whole || head.status < 200 || head.status > 299 || head.has_location)
      throw UploadError::Reply(head.status, StatusText(head.status_line), head.location, whole);
    ReadBodyInto(source, limits, [&reply](std::string_view piece) { reply.Write(piece); });
  } catch (const SocketError& e) {
    throw UploadError::Socket(e.number());
  }
}

}  // namespace net
