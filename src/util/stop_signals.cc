// SPDX-License-Identifier: MIT
#include "util/stop_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>

#include "util/unfinished_files.h"

namespace velmor::util {
namespace {

constexpr std::array<int, 4> kStopSignals = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// Shared with the handler, which may run on any thread: lock-free atomics only.
std::atomic<int> g_first_signal{0};
std::atomic<int> g_wake_fd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// The previous handlers, put back by the destructor.
std::array<struct sigaction, kStopSignals.size()> g_previous{};

extern "C" void note_stop_signal(int number) {
  const int saved_errno = errno;
  int none = 0;
  g_first_signal.compare_exchange_strong(none, number);
  const auto byte = static_cast<unsigned char>(number);
  const int fd = g_wake_fd.load();
  if (fd >= 0) (void)!::write(fd, &byte, 1);
  errno = saved_errno;
}

void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

int stop_status(int signal) {
  return 128 + signal;
}

std::string signal_name(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGPIPE:
      return "SIGPIPE";
    default:
      return "signal " + std::to_string(signal);
  }
}

void end_process(int status, std::string_view message) {
  stop_outputs();
  remove_unfinished_files();
  write_all(STDERR_FILENO, message);
  ::_exit(status);
}

StopSignals::StopSignals(std::string program, std::function<void(int)> on_stop,
                         std::chrono::milliseconds grace)
    : program_(std::move(program)), on_stop_(std::move(on_stop)), grace_(grace) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;  // no watcher: the signals keep their defaults
  wake_read_ = fds[0];
  wake_write_ = fds[1];
  // A handler never waits on a full pipe; one byte of it is enough to wake the watcher.
  ::fcntl(wake_write_, F_SETFL, O_NONBLOCK);
  g_first_signal = 0;
  g_wake_fd = wake_write_;
  watcher_ = std::thread([this] { watch(); });
  struct sigaction action {};
  action.sa_handler = note_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
    ::sigaction(kStopSignals[i], &action, &g_previous[i]);
  }
}

StopSignals::~StopSignals() {
  if (wake_write_ < 0) return;
  for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
    ::sigaction(kStopSignals[i], &g_previous[i], nullptr);
  }
  g_wake_fd = -1;
  const unsigned char end = 0;
  while (::write(wake_write_, &end, 1) < 0 && errno == EINTR) {
  }
  watcher_.join();
  ::close(wake_read_);
  ::close(wake_write_);
}

int StopSignals::received() const {
  return g_first_signal.load();
}

std::string StopSignals::stopped_message(int signal) const {
  return program_ + ": stopped by " + signal_name(signal) + "\n";
}

void StopSignals::watch() {
  int first = 0;
  auto deadline = std::chrono::steady_clock::now();
  while (true) {
    // Until a signal comes the watcher still wakes once a second: ThreadSanitizer may hold a
    // signal that reaches this thread in poll(2) until the call returns.
    int timeout = 1000;
    if (first != 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      timeout = static_cast<int>(std::max<long long>(left.count(), 0));
    }
    pollfd wake{wake_read_, POLLIN, 0};
    const int ready = ::poll(&wake, 1, timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0 && first == 0) continue;                                   // no signal yet
    if (ready == 0) end_process(stop_status(first), stopped_message(first));  // grace over
    if (ready < 0) return;
    unsigned char byte = 0;
    ssize_t got;
    while ((got = ::read(wake_read_, &byte, 1)) < 0 && errno == EINTR) {
    }
    if (got != 1 || byte == 0) return;  // the destructor's end, or the pipe is gone
    if (first == 0) {
      first = byte;
      deadline = std::chrono::steady_clock::now() + grace_;
      if (on_stop_) on_stop_(first);
    } else if (byte != SIGPIPE) {
      end_process(stop_status(first), stopped_message(first));
    }
  }
}

}  // namespace velmor::util
