#include "os/wake.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace os {

Wake::Wake() : id_(::eventfd(0, EFD_CLOEXEC)) {
  if (id_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

Wake::~Wake() {
  ::close(static_cast<int>(id_));
}

void Wake::Raise() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto n = ::write(static_cast<int>(id_), &one, sizeof one);
}

bool Wake::Raised() const {
  pollfd p{static_cast<int>(id_), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

}  // namespace os
