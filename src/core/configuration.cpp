#include "core/configuration.h"

namespace core {

Configuration& Config() {
  static Configuration configuration;
  return configuration;
}

}  // namespace core
