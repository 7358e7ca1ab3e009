#include "core/session_state.h"

namespace core {

SessionState& Session() {
  static SessionState state;
  return state;
}

}  // namespace core
