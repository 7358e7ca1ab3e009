#include "net/page_reader.h"

#include "net/waiting.h"

namespace net {

PageRead ReadPageWithRetries(const std::string& address, const std::string& user,
                             const std::string& password, const std::string& path,
                             const PageGetter& get) {
  PageRead read;
  WaitScope waiting(Activity::Reading, address);
  ActionBound whole{std::chrono::milliseconds(kPageReadWholeMs)};
  do {
    Pause(kPageReadPauseMs);
    read.reply = get(address, user, password, path);
    ++read.attempts;
  } while (read.reply.BodyText.empty() && read.reply.Status <= 0 &&
           read.attempts < kPageReadAttempts && !ActionCancelled() && !ActionTimeUp());
  return read;
}

PageReply AuthGetPage(const std::string& address, const std::string& user,
                      const std::string& password, const std::string& path) {
  return AuthGet(address, user, password, path);
}
}  // namespace net
