#include "platform/platform.h"

namespace platform {

Services& services() {
  static Services instance;
  return instance;
}

Services Install(Services replacement) {
  Services previous = std::move(services());
  services() = std::move(replacement);
  return previous;
}

}  // namespace platform
