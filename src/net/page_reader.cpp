#include "net/page_reader.h"

#include <chrono>
#include <thread>

namespace net {

PageRead ReadPageWithRetries(const std::string& address, const std::string& user,
                             const std::string& password, const std::string& path,
                             const PageGetter& get) {
  PageRead read;
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(kPageReadPauseMs));
    read.reply = get(address, user, password, path);
    ++read.attempts;
  } while (read.reply.BodyText.empty() && read.reply.Status <= 0 &&
           read.attempts < kPageReadAttempts);
  return read;
}

PageReply AuthGetPage(const std::string& address, const std::string& user,
                      const std::string& password, const std::string& path) {
  return AuthGet(address, user, password, path);
}
}  // namespace net
