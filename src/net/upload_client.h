#pragma once

#include <string>

#include "net/http_data_stream.h"
#include "net/http_reply.h"

namespace net {

// Sends the firmware image as one multipart POST. Never follows redirects:
// every reply but a 2xx without a Location raises an HttpError whose text
// the caller inspects.
class UploadClient {
 public:
  virtual ~UploadClient() = default;

  std::string UserName;
  std::string Password;
  std::string Referer;
  std::string ContentType;
  std::size_t ContentLength = 0;  // replaced by the body's size at each Post

  static constexpr char kAccept[] = "text/html, */*";
  static constexpr char kUserAgent[] = "Brevane/1.18";

  // POSTs the whole of `body` to `url`; the reply body of a 2xx reply goes
  // to `reply`. Errors:
  //   any other reply:     the status line less its first word ("302 Found")
  //   a socket error:      "Socket Error # %d\r\n%s"; a connection the device
  //                        aborts during the upload gives 10053
  //   an early close:      "Connection Closed Gracefully."
  virtual void Post(const std::string& url, const MemoryStream& body, MemoryStream& reply);

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
