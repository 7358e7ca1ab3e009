#include "net/waiting.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <vector>

#include "net/socket_error.h"

namespace net {
namespace {

// Each thread that waits on devices (brevane-ctl asks several at once, the
// windows' actions work on worker threads) has its own waits and bounds,
// and works for one action at a time.
//
// The observer is told on the threads that wait while the window thread
// may replace it or end it: a call to it holds `observer_mutex` shared, so
// once SetWaitObserver returns, no thread is still inside the old one.
std::shared_mutex observer_mutex;
WaitObserver* observer = nullptr;
thread_local int depth = 0;
std::atomic<bool> cancelled = false;
thread_local std::shared_ptr<ActionToken> current_action;

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
struct BoundState {
  std::vector<Bound> bounds;
  Clock::duration users_time{};
  std::optional<Clock::time_point> turn_since;
  int turns = 0;

  Clock::duration UsersTime() const {
    return users_time + (turn_since ? Clock::now() - *turn_since : Clock::duration{});
  }
};
// A thread's own, while it works for no action.
thread_local BoundState own_state;

// Tells the observer, if there is one, by `tell(observer)`.
template <typename F>
void Tell(F tell) {
  const std::shared_lock lock(observer_mutex);
  if (observer != nullptr) tell(*observer);
}

}  // namespace

// An action's bounds are set on the window thread, which also counts the
// person's turns, and kept by the waits of its worker threads.
struct ActionToken::Bounds {
  std::mutex mutex;
  BoundState state;
};

ActionToken::ActionToken() : bounds(std::make_unique<Bounds>()) {}
ActionToken::~ActionToken() = default;

namespace {

// Runs `use` on the bound state this thread's waits answer to.
template <typename F>
auto WithState(const std::shared_ptr<ActionToken>& action, F use) {
  if (!action) return use(own_state);
  const std::lock_guard lock(action->bounds->mutex);
  return use(action->bounds->state);
}

}  // namespace

void SetWaitObserver(WaitObserver* new_observer) {
  const std::unique_lock lock(observer_mutex);
  observer = new_observer;
}

bool WaitObserved() {
  const std::shared_lock lock(observer_mutex);
  return observer != nullptr;
}

void ReportProgress(std::uint64_t done, std::uint64_t total) {
  Tell([&](WaitObserver& o) { o.Progress(done, total); });
}

WaitScope::WaitScope(Activity activity, const std::string& target) {
  ++depth;
  Tell([&](WaitObserver& o) { o.Begin(activity, target); });
}

WaitScope::~WaitScope() {
  --depth;
  Tell([](WaitObserver& o) { o.End(); });
}

bool Waiting() {
  return depth > 0;
}

void CancelAction() {
  if (current_action)
    current_action->cancelled = true;
  else
    cancelled = true;
}

bool ActionCancelled() {
  return cancelled || (current_action && current_action->cancelled);
}

InAction::InAction(std::shared_ptr<ActionToken> token) : outer_(std::move(current_action)) {
  current_action = std::move(token);
}

InAction::~InAction() {
  current_action = std::move(outer_);
}

std::shared_ptr<ActionToken> CurrentAction() {
  return current_action;
}

bool Cancellable() {
  return current_action != nullptr || WaitObserved();
}

void EndAction() {
  cancelled = false;
}

ActionBound::ActionBound(std::chrono::milliseconds whole) : action_(current_action) {
  WithState(action_, [whole](BoundState& state) {
    state.bounds.push_back({Clock::now(), whole, state.UsersTime()});
  });
}

ActionBound::~ActionBound() {
  WithState(action_, [](BoundState& state) { state.bounds.pop_back(); });
}

std::optional<Clock::time_point> BoundEnd() {
  return WithState(current_action, [](BoundState& state) {
    std::optional<Clock::time_point> end;
    const Clock::duration user = state.UsersTime();
    for (const Bound& b : state.bounds) {
      const Clock::time_point this_end = b.start + b.whole + (user - b.users_before);
      if (!end || this_end < *end) end = this_end;
    }
    return end;
  });
}

bool ActionTimeUp() {
  const auto end = BoundEnd();
  return end && Clock::now() >= *end;
}

UserTurn::UserTurn() : action_(current_action) {
  WithState(action_, [](BoundState& state) {
    if (state.turns++ == 0) state.turn_since = Clock::now();
  });
}

UserTurn::~UserTurn() {
  WithState(action_, [](BoundState& state) {
    if (--state.turns == 0) {
      state.users_time += Clock::now() - *state.turn_since;
      state.turn_since.reset();
    }
  });
}

void WaitIdle() {
  Tell([](WaitObserver& o) { o.Idle(); });
  if (ActionCancelled()) throw SocketError(wsa::kTimedOut);
}

void Pause(int ms) {
  if (ActionCancelled()) return;
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
    Tell([](WaitObserver& o) { o.Idle(); });
    if (ActionCancelled()) return;
  }
}

}  // namespace net
