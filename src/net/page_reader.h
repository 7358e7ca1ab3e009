#pragma once

#include <functional>
#include <string>

#include "net/auth_get.h"

namespace net {

// Reads one page: AuthGet, or a stand-in in tests.
using PageGetter = std::function<PageReply(const std::string& address, const std::string& user,
                                           const std::string& password, const std::string& path)>;

inline constexpr int kPageReadAttempts = 8;
inline constexpr int kPageReadPauseMs = 20;
// A page read, all its attempts and pauses included, ends within this long.
inline constexpr int kPageReadWholeMs = 15000;

struct PageRead {
  PageReply reply;   // the last answer
  int attempts = 0;  // requests made
};

// Up to 8 requests, each after a 20 ms pause, until one brings a page or a
// positive status; within 15 s in all.
PageRead ReadPageWithRetries(const std::string& address, const std::string& user,
                             const std::string& password, const std::string& path,
                             const PageGetter& get);

// AuthGet with its usual bounds, shaped as a PageGetter.
PageReply AuthGetPage(const std::string& address, const std::string& user,
                      const std::string& password, const std::string& path);
}  // namespace net
