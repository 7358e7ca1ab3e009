#include "net/waiting.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "net/socket_error.h"

namespace net {
namespace {

// The user-interface thread is the only one that waits on devices; these
// are its state.
WaitObserver* observer = nullptr;
int depth = 0;
bool cancelled = false;

constexpr int kPauseSliceMs = 10;

}  // namespace

void SetWaitObserver(WaitObserver* new_observer) {
  observer = new_observer;
}

bool WaitObserved() {
  return observer != nullptr;
}

WaitScope::WaitScope(Activity activity, const std::string& target) {
  ++depth;
  if (observer != nullptr) observer->Begin(activity, target);
}

WaitScope::~WaitScope() {
  --depth;
  if (observer != nullptr) observer->End();
}

bool Waiting() {
  return depth > 0;
}

void CancelAction() {
  cancelled = true;
}

bool ActionCancelled() {
  return cancelled;
}

void EndAction() {
  cancelled = false;
}

void WaitIdle() {
  if (observer != nullptr) observer->Idle();
  if (cancelled) throw SocketError(wsa::kTimedOut);
}

void Pause(int ms) {
  if (cancelled) return;
  WaitScope scope(Activity::Pausing, {});
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          end - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return;
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::min<long long>(left, kPauseSliceMs)));
    if (observer != nullptr) observer->Idle();
    if (cancelled) return;
  }
}

}  // namespace net
