#include "ui/actions.h"

#include <QWidget>
#include <map>

#include "ui/ui.h"
#include "ui/wait_window.h"

namespace ui {
namespace {

std::map<std::string, int>& InUse() {
  static std::map<std::string, int> devices;
  return devices;
}

// Marks the device in use, and has the wait window let go of the action,
// for as long as the action lives, however it ends.
class Mark {
 public:
  Mark(std::string device, std::shared_ptr<net::ActionToken> token)
      : device_(std::move(device)), token_(std::move(token)) {
    if (!device_.empty()) ++InUse()[device_];
  }
  ~Mark() {
    if (!device_.empty() && --InUse()[device_] == 0) InUse().erase(device_);
    if (WaitWindow* wait = WaitWindow::Instance()) wait->Unwatch(token_);
  }
  Mark(const Mark&) = delete;
  Mark& operator=(const Mark&) = delete;

 private:
  std::string device_;
  std::shared_ptr<net::ActionToken> token_;
};

}  // namespace

bool DeviceInUse(const std::string& address) {
  return InUse().count(address) > 0;
}

Actions::Actions(QWidget* window, std::function<void(bool busy)> set_busy)
    : window_(window), set_busy_(std::move(set_busy)) {}

Actions::~Actions() {
  // The window goes: its device work ends at once, and what it brings back
  // finds nothing to go on with.
  for (auto& [token, action] : running_) {
    token->cancelled = true;
    action.Abandon();
  }
}

void Actions::Drop() {
  const std::shared_ptr<net::ActionToken> current = net::CurrentAction();
  bool dropped = false;
  for (auto it = running_.begin(); it != running_.end();) {
    it->first->cancelled = true;
    if (it->first == current) {
      ++it;  // on the stack now: it ends by itself, cancelled
      continue;
    }
    it->second.Abandon();
    it = running_.erase(it);
    dropped = true;
  }
  if (dropped && running_.empty()) Idle();
}

void Actions::Run(std::function<core::Task<>()> action, const std::string& device) {
  if (Busy()) return;
  auto token = std::make_shared<net::ActionToken>();
  core::Task<> whole;
  {
    const net::InAction in(token);
    whole = Whole(std::move(action), device, token);
  }
  if (whole.Done()) return;
  running_.emplace_back(token, std::move(whole));
  focus_ = window_->focusWidget();
  if (set_busy_) set_busy_(true);
  focus_moved_to_ = window_->focusWidget();
  window_->setCursor(Qt::BusyCursor);
  if (WaitWindow* wait = WaitWindow::Instance()) wait->Watch(token, window_);
}

core::Task<> Actions::Whole(std::function<core::Task<>()> action, std::string device,
                            std::shared_ptr<net::ActionToken> token) {
  const Mark mark(std::move(device), token);
  try {
    co_await action();
  } catch (...) {
    ReportError(std::current_exception());
  }
  Ended(token);
}

void Actions::Ended(const std::shared_ptr<net::ActionToken>& token) {
  for (auto it = running_.begin(); it != running_.end(); ++it) {
    if (it->first != token) continue;
    // (The action is at its end: it frees itself once it has returned.)
    running_.erase(it);
    if (running_.empty()) Idle();
    return;
  }
}

void Actions::Idle() {
  window_->unsetCursor();
  if (set_busy_) set_busy_(false);
  // Typing goes on where it was: a control disabled meanwhile lost the
  // focus (unless the action has put it elsewhere since).
  if (focus_ && focus_ != focus_moved_to_ && window_->focusWidget() == focus_moved_to_ &&
      focus_->isEnabled() && focus_->isVisible())
    focus_->setFocus();
  focus_ = focus_moved_to_ = nullptr;
}

}  // namespace ui
