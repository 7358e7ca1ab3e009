#pragma once

// The actions a window runs, each the whole of what one click (or key, or
// tick) sets going: a core::Task that awaits device work and the person's
// answers, and reads as a sequence.
//
// - It starts at once, as an action of its own: the wait window's Cancel
//   ends that action's device work alone (net::CurrentAction).
// - While one waits, the window takes no other: `set_busy(true)` disables
//   what would start one, so the person sees which buttons wait, and
//   `set_busy(false)` gives them back at its end.
// - A wait of more than a moment shows the wait window, with its Cancel.
// - An error that escapes it is reported as any handler's is.
// - The window's end drops what still runs: nothing of it runs after, and
//   its device work is cancelled.

#include <functional>
#include <list>
#include <memory>
#include <string>

#include <QPointer>
#include <QWidget>

#include "core/task.h"
#include "net/waiting.h"

namespace ui {

class Actions {
 public:
  // `window`: where the wait window shows; `set_busy`: see above.
  Actions(QWidget* window, std::function<void(bool busy)> set_busy);
  ~Actions();
  Actions(const Actions&) = delete;
  Actions& operator=(const Actions&) = delete;

  // Runs `action()` as the window's new action on `device` (an address;
  // empty when it reaches none), unless one of the window's actions still
  // runs: then nothing.
  void Run(std::function<core::Task<>()> action, const std::string& device = {});
  // Whether one of the window's actions still runs (waits).
  bool Busy() const { return !running_.empty(); }
  // Ends the window's actions where they wait, as its end does (the window
  // is closed from elsewhere, and works on another device next), and gives
  // back what they disabled. An action that calls this itself is cancelled
  // and ends by itself.
  void Drop();

 private:
  core::Task<> Whole(std::function<core::Task<>()> action, std::string device,
                     std::shared_ptr<net::ActionToken> token);
  void Ended(const std::shared_ptr<net::ActionToken>& token);
  // No action runs any more: the window takes the next.
  void Idle();

  QWidget* window_;
  std::function<void(bool)> set_busy_;
  // Where the focus was when the window became busy, and where disabling
  // moved it: it goes back unless the action put it elsewhere.
  QPointer<QWidget> focus_, focus_moved_to_;
  // The actions that wait, with their tokens.
  std::list<std::pair<std::shared_ptr<net::ActionToken>, core::Task<>>> running_;
};

// Whether an action of any window works on the device at `address` now: a
// timer starts no device action of its own there meanwhile.
bool DeviceInUse(const std::string& address);

}  // namespace ui
