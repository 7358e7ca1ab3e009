#include "core/session_state.h"

namespace core {

SessionState& Session() {
  static SessionState state;
  return state;
}

}  // namespace core

namespace core {

device::Session Login() {
  const SessionState& s = Session();
  return device::Session(device::Trusted::Chosen(s.DeviceIp), s.UserName, s.UserPassword);
}

}  // namespace core
