#pragma once

// What a window's action awaits: device work, which runs away from the
// window thread (OffThread), and the person's answer to a box (Ask) or to
// the file dialog (PickFile). Each resumes the action on the window thread;
// a runner or a box that answers at once lets it go on without suspending.
// An action destroyed while it waits is never resumed: what it waited for
// arrives, finds it gone and is dropped.

#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "desktop/services.h"
#include "net/waiting.h"

namespace core {

namespace detail {

// The end of one awaited thing: where the awaiting action is and whether
// it still is; set on the window thread only.
struct Resumption {
  std::coroutine_handle<> handle;
  std::shared_ptr<net::ActionToken> action;
  bool suspended = false;
  bool finished = false;
};

// Called on the window thread when the awaited thing is there: the action
// goes on, in its own action, unless it is already gone (`alive` expired)
// or has not suspended yet (it then goes on without suspending).
void Arrived(const std::weak_ptr<char>& alive, Resumption& r);

}  // namespace detail

template <typename R>
class OffThreadAwaiter {
 public:
  explicit OffThreadAwaiter(std::function<R()> work) : work_(std::move(work)) {}
  bool await_ready() const noexcept { return false; }
  bool await_suspend(std::coroutine_handle<> handle) {
    resumption_.handle = handle;
    resumption_.action = net::CurrentAction();
    auto result = result_;
    desktop::services().work->Run(
        [result, work = std::move(work_), action = resumption_.action] {
          const net::InAction in(action);
          try {
            if constexpr (std::is_void_v<R>) {
              work();
              result->value.emplace();
            } else {
              result->value.emplace(work());
            }
          } catch (...) {
            result->error = std::current_exception();
          }
        },
        [alive = std::weak_ptr<char>(alive_), r = &resumption_] { detail::Arrived(alive, *r); });
    resumption_.suspended = !resumption_.finished;
    return resumption_.suspended;
  }
  R await_resume() {
    if (result_->error) std::rethrow_exception(result_->error);
    if constexpr (!std::is_void_v<R>) return std::move(*result_->value);
  }

 private:
  struct Result {
    std::optional<std::conditional_t<std::is_void_v<R>, bool, R>> value;
    std::exception_ptr error;
  };
  std::function<R()> work_;
  std::shared_ptr<Result> result_ = std::make_shared<Result>();
  detail::Resumption resumption_;
  // Lives as long as the awaiting action's frame: what arrives after it
  // finds it gone.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

// Runs `work` (device work: no window, no box, nothing of a window it
// does not own a share of) on a worker thread for the window thread's
// current action (net::CurrentAction: its Cancel reaches the work), and
// gives its result, or rethrows its exception, in the action on the window
// thread. It takes `work` over.
//
// The work is a named variable, never a lambda written inside the co_await:
// GCC 12 (Debian's, and the MinGW that builds for Windows) destroys such a
// lambda twice when it captures anything with a destructor.
template <typename F>
auto OffThread(F&& work) {
  static_assert(std::is_lvalue_reference_v<F>,
                "name the work first: a lambda temporary in a co_await is destroyed twice");
  using R = std::invoke_result_t<std::remove_reference_t<F>&>;
  return OffThreadAwaiter<R>(std::function<R()>(std::move(work)));
}

// The person's answer to a message box; in an action the person has
// cancelled, no box opens and the answer is its Cancel (OK where that is
// the only button).
class AskAwaiter {
 public:
  AskAwaiter(std::string text, std::string title, desktop::MsgIcon icon,
             desktop::MsgButtons buttons);
  bool await_ready() const noexcept { return false; }
  bool await_suspend(std::coroutine_handle<> handle);
  desktop::MsgResult await_resume() const { return **answer_; }

 private:
  std::string text_, title_;
  desktop::MsgIcon icon_;
  desktop::MsgButtons buttons_;
  std::shared_ptr<std::optional<desktop::MsgResult>> answer_ =
      std::make_shared<std::optional<desktop::MsgResult>>();
  // The person's turn: the action's bounds on waiting stop meanwhile.
  std::optional<net::UserTurn> turn_;
  detail::Resumption resumption_;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

inline AskAwaiter Ask(std::string text, std::string title, desktop::MsgIcon icon,
                      desktop::MsgButtons buttons) {
  return AskAwaiter(std::move(text), std::move(title), icon, buttons);
}

// The file the person picks in the file-open dialog, or nothing.
class PickFileAwaiter {
 public:
  explicit PickFileAwaiter(std::string filter) : filter_(std::move(filter)) {}
  bool await_ready() const noexcept { return false; }
  bool await_suspend(std::coroutine_handle<> handle);
  std::optional<std::string> await_resume() const { return *picked_; }

 private:
  std::string filter_;
  std::shared_ptr<std::optional<std::string>> picked_ =
      std::make_shared<std::optional<std::string>>();
  detail::Resumption resumption_;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

inline PickFileAwaiter PickFile(std::string filter) {
  return PickFileAwaiter(std::move(filter));
}

}  // namespace core
