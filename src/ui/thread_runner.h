#pragma once

#include <functional>

#include "desktop/services.h"

class QThreadPool;

namespace ui {

// Device work on threads of its own; its end comes back to the window
// thread as a queued call, in the one event loop. Several windows may each
// wait on a device at once, each wait up to a minute: the pool is larger
// than the processors. It is never destroyed, so an ending program does not
// wait for a silent device either.
class ThreadRunner : public desktop::WorkRunner {
 public:
  ThreadRunner();
  void Run(std::function<void()> work, std::function<void()> done) override;

 private:
  QThreadPool* pool_;
};

}  // namespace ui
