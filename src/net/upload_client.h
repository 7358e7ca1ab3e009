#pragma once

#include <string>

#include "net/http_data_stream.h"
#include "net/http_reply.h"
#include "net/version.h"

namespace net {

// Why a POST did not end in a plain 2xx reply. The text is the one the
// upload's callers know; what happened is told by its kind and number, so
// digits inside a device's text are never taken for a status.
class UploadError : public HttpError {
 public:
  enum class Kind {
    Reply,        // any other reply: the text is its status line less the first word
    Socket,       // "Socket Error # %d\r\n%s"; number: the socket error
    Aborted,      // as Socket, 10053: the device ended the connection, without
                  // a word, while the body was still going out
    Closed,       // "Connection Closed Gracefully."
    FileChanged,  // the file sent changed meanwhile: what went out is not it
  };
  UploadError(Kind kind, const std::string& text, int number = 0, bool whole = true)
      : HttpError(text), kind_(kind), number_(number), whole_(whole) {}
  // `location`: where a redirect sends the reader, if anywhere. `whole`:
  // false when it came while the body was still going out.
  static UploadError Reply(int status, const std::string& status_text,
                           const std::string& location = {}, bool whole = true);
  static UploadError Socket(int number);
  static UploadError Aborted();
  static UploadError Closed();
  static UploadError FileChanged(const std::string& path);

  Kind kind() const { return kind_; }
  // The reply's status, or the socket error number.
  int number() const { return number_; }
  // A redirect's target (Reply).
  const std::string& location() const { return location_; }
  // Whether the whole body had gone out before the reply came: a device
  // that answers before it has read the whole image has not taken it.
  bool whole() const { return whole_; }

 private:
  Kind kind_;
  int number_;
  bool whole_;
  std::string location_;
};

// Sends the firmware image as one multipart POST. Never follows redirects:
// every reply but a 2xx without a Location raises an UploadError.
class UploadClient {
 public:
  virtual ~UploadClient() = default;

  std::string UserName;
  std::string Password;
  std::string Referer;
  std::string ContentType;
  std::size_t ContentLength = 0;  // replaced by the body's size at each Post

  static constexpr char kAccept[] = "text/html, */*";
  static constexpr char kUserAgent[] = "Brevane/" BREVANE_VERSION;

  // POSTs the whole of `body` to `url`, a file's part straight from the
  // file; the reply body of a 2xx reply goes to `reply`. A device may
  // answer before it has read the whole body (a refusal, a 401): the
  // sending stops there and its answer is read. Errors (an UploadError of
  // each kind):
  //   any other reply, or one that came before the whole body went out:
  //                        the status line less its first word ("302 Found")
  //   a socket error:      "Socket Error # %d\r\n%s"
  //   a connection the device ends without a word while the body still goes
  //                        out: Aborted, "Socket Error # 10053\r\n..."
  //   a close with no reply after the whole body: "Connection Closed
  //                        Gracefully."
  //   a file that changed (rewritten, cut or replaced) before the device had
  //   read it all, whatever the device answered.
  virtual void Post(const std::string& url, const UploadBody& body, MemoryStream& reply);

  int connect_timeout_ms = 5000;
  // The whole upload ends within this long plus a second for every MiB of
  // body (a slow device still takes a large image), however the device
  // trickles its answer.
  int deadline_base_ms = 60000;
  int deadline_ms_per_mib = 1000;
  // The device writes the image before it answers: allow it time.
  int reply_timeout_ms = 60000;
  ReplyLimits limits;
};

}  // namespace net
