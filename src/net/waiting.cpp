#include "net/waiting.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "net/socket_error.h"

namespace net {
namespace {

// The user-interface thread is the one watched and cancelled; each thread
// that waits on devices (brevane-ctl asks several at once) has its own
// waits and bounds.
WaitObserver* observer = nullptr;
thread_local int depth = 0;
std::atomic<bool> cancelled = false;

constexpr int kPauseSliceMs = 10;

using Clock = std::chrono::steady_clock;

// The bounds in force, innermost last, each with the user's time counted
// when it began; the user's time so far, and since when the user has had
// the turn.
struct Bound {
  Clock::time_point start;
  Clock::duration whole;
  Clock::duration users_before;
};
thread_local std::vector<Bound> bounds;
thread_local Clock::duration users_time{};
thread_local std::optional<Clock::time_point> turn_since;
thread_local int turns = 0;

Clock::duration UsersTime() {
  return users_time + (turn_since ? Clock::now() - *turn_since : Clock::duration{});
}

}  // namespace

void SetWaitObserver(WaitObserver* new_observer) {
  observer = new_observer;
}

bool WaitObserved() {
  return observer != nullptr;
}

void ReportProgress(std::uint64_t done, std::uint64_t total) {
  if (observer != nullptr) observer->Progress(done, total);
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

ActionBound::ActionBound(std::chrono::milliseconds whole) {
  bounds.push_back({Clock::now(), whole, UsersTime()});
}

ActionBound::~ActionBound() {
  bounds.pop_back();
}

std::optional<Clock::time_point> BoundEnd() {
  if (bounds.empty()) return std::nullopt;
  const Clock::duration user = UsersTime();
  std::optional<Clock::time_point> end;
  for (const Bound& b : bounds) {
    const Clock::time_point this_end = b.start + b.whole + (user - b.users_before);
    if (!end || this_end < *end) end = this_end;
  }
  return end;
}

bool ActionTimeUp() {
  const auto end = BoundEnd();
  return end && Clock::now() >= *end;
}

UserTurn::UserTurn() {
  if (turns++ == 0) turn_since = Clock::now();
}

UserTurn::~UserTurn() {
  if (--turns == 0) {
    users_time += Clock::now() - *turn_since;
    turn_since.reset();
  }
}

void WaitIdle() {
  if (observer != nullptr) observer->Idle();
  if (cancelled) throw SocketError(wsa::kTimedOut);
}

void Pause(int ms) {
  if (cancelled) return;
  WaitScope scope(Activity::Pausing, {});
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  if (const auto bound = BoundEnd(); bound && *bound < end) end = *bound;
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
