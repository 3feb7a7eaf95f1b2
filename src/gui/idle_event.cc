// SPDX-License-Identifier: MIT

#include "gui/idle_event.h"

namespace wintk {

void IdleEvent::signal() {
  {
    const std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  signalled_cv_.notify_one();
}

bool IdleEvent::wait_for(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!signalled_cv_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
  signalled_ = false;
  return true;
}

void IdleEvent::wait() {
  std::unique_lock lock(mutex_);
  signalled_cv_.wait(lock, [this] { return signalled_; });
  signalled_ = false;
}

}  // namespace wintk
