#pragma once

// A window's action written as a sequence: ask the device, then show the
// answer. An action is a coroutine (core::Task) that runs on the window
// thread and suspends where it waits: for device work, which runs on a
// worker thread (core::OffThread), and for the person's answer to a box
// (core::Ask). Nothing waits inside a wait: the window thread goes back to
// its one event loop while an action is suspended.
//
// A Task starts at once. Awaited, its result (or exception) comes back to
// the awaiting action; dropped, it goes on by itself and frees itself at
// its end. Destroyed while it waits (its window closed), an action is
// dropped whole: what it waited for is thrown away, and nothing after the
// wait runs.
//
// GCC 12 (Debian's, and the MinGW that builds for Windows) miscompiles
// three things in a coroutine, each of which frees memory twice or reads a
// freed frame: a co_await in the condition of an if; a lambda that captures
// anything with a destructor, written inside a co_await's operand; and a
// conditional (?:) that makes a temporary there. The actions put each in a
// named variable first.

#include <coroutine>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

namespace core {

// What every action's frame keeps, whatever it returns.
struct PromiseBase {
  std::coroutine_handle<> continuation;  // the action awaiting this one
  bool awaited = false;                  // an action awaits it (or did)
  bool done = false;
  bool detached = false;  // no Task holds it: it frees itself at its end
  std::exception_ptr error;
};

// Reports an exception no action took: one that ended an action nobody
// awaited. The windows show it, as they show an error in any handler.
void SetUnhandledErrorReporter(std::function<void(std::exception_ptr)> report);
void ReportUnhandledError(std::exception_ptr error);

template <typename T>
struct PromiseValue {
  std::optional<T> value;
  template <typename U>
  void return_value(U&& v) {
    value.emplace(std::forward<U>(v));
  }
  T Take() { return std::move(*value); }
};

template <>
struct PromiseValue<void> {
  void return_void() {}
  void Take() {}
};

template <typename T = void>
class Task {
 public:
  struct promise_type : PromiseBase, PromiseValue<T> {
    Task get_return_object() {
      return Task(std::coroutine_handle<promise_type>::from_promise(*this));
    }
    std::suspend_never initial_suspend() noexcept { return {}; }
    auto final_suspend() noexcept {
      struct Final {
        bool await_ready() noexcept { return false; }
        std::coroutine_handle<> await_suspend(std::coroutine_handle<promise_type> h) noexcept {
          promise_type& p = h.promise();
          p.done = true;
          if (p.continuation) return p.continuation;
          if (p.detached) {
            if (p.error) ReportUnhandledError(p.error);
            h.destroy();
          }
          return std::noop_coroutine();
        }
        void await_resume() noexcept {}
      };
      return Final{};
    }
    void unhandled_exception() { error = std::current_exception(); }
  };

  Task() = default;
  Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
  Task& operator=(Task&& other) noexcept {
    if (this != &other) {
      Release();
      handle_ = std::exchange(other.handle_, {});
    }
    return *this;
  }
  Task(const Task&) = delete;
  Task& operator=(const Task&) = delete;
  ~Task() { Release(); }

  bool Done() const { return !handle_ || handle_.promise().done; }
  // The result of an action that has ended (one that awaited nothing, or
  // whose work, boxes and dialogs answered at once); rethrows its error.
  T Get() {
    promise_type& p = handle_.promise();
    p.awaited = true;
    if (p.error) std::rethrow_exception(p.error);
    return p.Take();
  }
  // Drops the action where it waits: its frames go, nothing after the wait
  // runs, and what it waited for finds it gone.
  void Abandon() {
    if (!handle_) return;
    handle_.destroy();
    handle_ = {};
  }

  // Awaiting a Task: its result, once it has one.
  bool await_ready() const noexcept { return handle_.promise().done; }
  void await_suspend(std::coroutine_handle<> awaiting) noexcept {
    handle_.promise().continuation = awaiting;
  }
  T await_resume() {
    promise_type& p = handle_.promise();
    p.awaited = true;
    if (p.error) std::rethrow_exception(p.error);
    return p.Take();
  }

 private:
  explicit Task(std::coroutine_handle<promise_type> handle) : handle_(handle) {}

  void Release() {
    if (!handle_) return;
    promise_type& p = handle_.promise();
    // A finished action goes; one an action awaits goes with it (that
    // action is being dropped); any other goes on by itself.
    if (p.done || p.continuation) {
      if (p.done && p.error && !p.awaited && !p.continuation) ReportUnhandledError(p.error);
      handle_.destroy();
    } else {
      p.detached = true;
    }
    handle_ = {};
  }

  std::coroutine_handle<promise_type> handle_;
};

}  // namespace core
