// The waits' observer (the wait window) is told on the threads that wait,
// while the window thread may replace it or end it.

#include "net/waiting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Once SetWaitObserver has returned, no thread is still inside the old
// observer: the program destroys its wait window right after, while a
// worker may still wait on a silent device.
TEST(Waiting, AnObserverReplacedIsInUseOnNoThreadAfterwards) {
  struct SlowObserver : net::WaitObserver {
    void Begin(net::Activity, const std::string&) override {}
    void Idle() override {
      inside = true;
      entered = true;
      std::this_thread::sleep_for(30ms);  // long enough to be caught inside
      inside = false;
    }
    void End() override {}
    std::atomic<bool> inside{false}, entered{false};
  } observer;
  net::SetWaitObserver(&observer);
  std::thread worker([] { net::Pause(300); });
  while (!observer.entered) std::this_thread::yield();
  net::SetWaitObserver(nullptr);
  EXPECT_FALSE(observer.inside);
  worker.join();
  EXPECT_FALSE(net::WaitObserved());
}

}  // namespace
