// SPDX-License-Identifier: MIT

#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velmor::plot {

// An event that stays signalled until reset: every waiter passes while it is set. Any thread.
class ManualResetEvent {
 public:
  void set() {
    {
      const std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    changed_.notify_all();
  }
  void reset() {
    const std::lock_guard lock(mutex_);
    signalled_ = false;
  }
  bool is_set() const {
    const std::lock_guard lock(mutex_);
    return signalled_;
  }
  void wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return signalled_; });
  }
  // False when the time passed without the event being set.
  bool wait_for(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return signalled_; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
};

}  // namespace velmor::plot
