// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

// Ending the process cleanly on SIGINT, SIGTERM, SIGHUP and SIGPIPE: the unfinished files
// (unfinished_files.h) are removed, every earlier file stays whole, and the exit status is the
// conventional 128 + the signal's number.
namespace velmor::util {

// The exit status of a process ended by the signal: 129 SIGHUP, 130 SIGINT, 141 SIGPIPE, 143
// SIGTERM.
int stop_status(int signal);

// "SIGINT", "SIGTERM", "SIGHUP", "SIGPIPE", or "signal N".
std::string signal_name(int signal);

// Ends the process now, from any thread: no other thread makes or renames a file any more, the
// unfinished files are removed, `message` (if any) is written to stderr and the process exits
// with `status` without running destructors, as other threads may be in the middle of their
// work.
[[noreturn]] void end_process(int status, std::string_view message);

// While it lives, the four signals are caught. The handler only notes the first signal and wakes
// a watcher thread through a pipe (nothing else is safe in a handler); the watcher calls
// `on_stop` with the signal, on its own thread, and the owner ends the process as it sees fit.
// If the process has not ended `grace` after the first signal, or a second signal other than
// SIGPIPE comes (a second Ctrl-C), the watcher ends it itself: end_process with
// "<program>: stopped by SIGINT". One object at a time per process, made and destroyed on the
// main thread; the destructor puts back the earlier handlers.
class StopSignals {
 public:
  StopSignals(std::string program, std::function<void(int signal)> on_stop,
              std::chrono::milliseconds grace);
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first signal received, 0 until one comes. Any thread.
  int received() const;

  // "<program>: stopped by SIGTERM".
  std::string stopped_message(int signal) const;

 private:
  void watch();

  std::string program_;
  std::function<void(int)> on_stop_;
  std::chrono::milliseconds grace_;
  int wake_read_ = -1;
  int wake_write_ = -1;
  std::thread watcher_;  // joined first in the destructor, before the pipe closes
};

}  // namespace velmor::util
