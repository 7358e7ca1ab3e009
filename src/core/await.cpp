#include "core/await.h"

#include "core/task.h"

namespace core {
namespace {

std::function<void(std::exception_ptr)>& Reporter() {
  static std::function<void(std::exception_ptr)> report;
  return report;
}

desktop::MsgResult Unanswered(desktop::MsgButtons buttons) {
  return buttons == desktop::MsgButtons::Ok ? desktop::MsgResult::Ok : desktop::MsgResult::Cancel;
}

}  // namespace

void SetUnhandledErrorReporter(std::function<void(std::exception_ptr)> report) {
  Reporter() = std::move(report);
}

void ReportUnhandledError(std::exception_ptr error) {
  if (Reporter()) Reporter()(error);
}

namespace detail {

void Arrived(const std::weak_ptr<char>& alive, Resumption& r) {
  if (alive.expired()) return;  // the action is gone: nothing runs on
  r.finished = true;
  if (!r.suspended) return;  // it goes on by itself, not suspended yet
  const net::InAction in(r.action);
  r.handle.resume();
}

}  // namespace detail

AskAwaiter::AskAwaiter(std::string text, std::string title, desktop::MsgIcon icon,
                       desktop::MsgButtons buttons)
    : text_(std::move(text)), title_(std::move(title)), icon_(icon), buttons_(buttons) {}

bool AskAwaiter::await_suspend(std::coroutine_handle<> handle) {
  // A cancelled action ends quietly, as if each box had been answered.
  if (net::ActionCancelled()) {
    *answer_ = Unanswered(buttons_);
    return false;
  }
  resumption_.handle = handle;
  resumption_.action = net::CurrentAction();
  turn_.emplace();
  desktop::services().message_boxes->Open(text_, title_, icon_, buttons_,
                                          [answer = answer_, alive = std::weak_ptr<char>(alive_),
                                           self = this](desktop::MsgResult pressed) {
                                            if (alive.expired()) return;
                                            *answer = pressed;
                                            self->turn_.reset();
                                            detail::Arrived(alive, self->resumption_);
                                          });
  resumption_.suspended = !resumption_.finished;
  return resumption_.suspended;
}

bool PickFileAwaiter::await_suspend(std::coroutine_handle<> handle) {
  resumption_.handle = handle;
  resumption_.action = net::CurrentAction();
  desktop::services().file_dialog->Open(filter_,
                                        [picked = picked_, alive = std::weak_ptr<char>(alive_),
                                         r = &resumption_](std::optional<std::string> file) {
                                          if (alive.expired()) return;
                                          *picked = std::move(file);
                                          detail::Arrived(alive, *r);
                                        });
  resumption_.suspended = !resumption_.finished;
  return resumption_.suspended;
}

}  // namespace core
