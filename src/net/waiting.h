#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace net {

// What the program is doing while it waits on a device, for the progress
// window.
enum class Activity {
  Pausing,     // a pause between two attempts: says nothing new
  Reading,     // reading a page of the device
  Sending,     // sending a command
  Uploading,   // sending a firmware image
  Connecting,  // connecting a shared folder
};

// Told about every wait on a device, so the windows can say what is being
// waited for. Waits are nested; `Idle` is called at least every 20 ms while
// one goes on. It is told on the thread that waits: the windows' device
// work waits on worker threads (CurrentAction() there names the action it
// works for).
class WaitObserver {
 public:
  virtual ~WaitObserver() = default;
  virtual void Begin(Activity activity, const std::string& target) = 0;
  virtual void Idle() = 0;
  virtual void End() = 0;
  // How far a long send has come: `done` of `total` bytes.
  virtual void Progress(std::uint64_t /*done*/, std::uint64_t /*total*/) {}
};

// The observer for every later wait; nullptr (the start) waits quietly.
void SetWaitObserver(WaitObserver* observer);
bool WaitObserved();

// Tells the observer how far a long send has come.
void ReportProgress(std::uint64_t done, std::uint64_t total);

// Marks one wait on a device from construction to destruction.
class WaitScope {
 public:
  WaitScope(Activity activity, const std::string& target);
  ~WaitScope();
  WaitScope(const WaitScope&) = delete;
  WaitScope& operator=(const WaitScope&) = delete;
};

// True while any wait on a device goes on.
bool Waiting();

// The user cancelled the action in progress: every wait of it that is
// running or still to come ends at once as if the device had not answered,
// until `EndAction` starts the next action.
void CancelAction();
bool ActionCancelled();
void EndAction();

// One user action of a window, which may run beside another window's: its
// own Cancel, shared by the window thread that cancels it and the thread
// its device work runs on.
struct ActionToken {
  ActionToken();
  ~ActionToken();
  std::atomic<bool> cancelled{false};
  // Its bounds on waiting (ActionBound, UserTurn), whichever thread works
  // for it.
  struct Bounds;
  std::unique_ptr<Bounds> bounds;
};
// While it lives, this thread works for `token`'s action: its waits end
// when that action is cancelled (as well as by CancelAction), and
// CancelAction cancels that action alone. A null token: no action.
class InAction {
 public:
  explicit InAction(std::shared_ptr<ActionToken> token);
  ~InAction();
  InAction(const InAction&) = delete;
  InAction& operator=(const InAction&) = delete;

 private:
  std::shared_ptr<ActionToken> outer_;
};
// The action this thread works for now; null when none.
std::shared_ptr<ActionToken> CurrentAction();
// Whether a wait on this thread may be cancelled while it goes on: it works
// for an action, or the windows watch waits. (A terminal program's waits
// are not: they need not look up every 20 ms.)
bool Cancellable();

// Bounds the whole of what a user action waits on devices while the object
// lives, every attempt and pause included: past the bound every wait ends
// as a time-out and no new one starts. Time the user spends answering a
// message box meanwhile is not counted. Bounds nest: the nearest end holds.
// Made for the thread's current action (see InAction), it bounds that
// action's waits on whichever thread they run.
class ActionBound {
 public:
  explicit ActionBound(std::chrono::milliseconds whole);
  ~ActionBound();
  ActionBound(const ActionBound&) = delete;
  ActionBound& operator=(const ActionBound&) = delete;

 private:
  std::shared_ptr<ActionToken> action_;
};

// Where the innermost bounds end now; nothing without a bound.
std::optional<std::chrono::steady_clock::time_point> BoundEnd();
// True once a bound has run out.
bool ActionTimeUp();

// Marks the user's turn (a message box waiting for an answer): the time is
// left out of every bound of the thread's current action.
class UserTurn {
 public:
  UserTurn();
  ~UserTurn();
  UserTurn(const UserTurn&) = delete;
  UserTurn& operator=(const UserTurn&) = delete;

 private:
  std::shared_ptr<ActionToken> action_;
};

// Called from inside every wait, at least every 20 ms: tells the observer,
// then throws SocketError (time-out) when the action was cancelled.
void WaitIdle();

// Sleeps `ms` milliseconds as a wait of its own; returns at once when the
// action is cancelled.
void Pause(int ms);

}  // namespace net
