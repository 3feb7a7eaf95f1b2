// SPDX-License-Identifier: MIT

#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace wintk {

// An auto-reset event: a signal given while nobody waits stays pending and releases the next
// wait at once; several signals before a wait count as one; each released wait consumes it.
// Any thread may signal or wait.
class IdleEvent {
 public:
  void signal();

  // Waits until signalled or the time-out passes; true when a signal was consumed.
  bool wait_for(std::chrono::milliseconds timeout);
  void wait();

 private:
  std::mutex mutex_;
  std::condition_variable signalled_cv_;
  bool signalled_ = false;
};

}  // namespace wintk
