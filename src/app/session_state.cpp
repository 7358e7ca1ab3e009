#include "app/session_state.h"

namespace app {

SessionState& Session() {
  static SessionState state;
  return state;
}

}  // namespace app
