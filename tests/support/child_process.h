// SPDX-License-Identifier: MIT
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <string>

namespace velmor::testing {

// A pipe whose ends are closed with the object.
struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) == 0) {
      read = fds[0];
      write = fds[1];
    }
  }
  ~Pipe() {
    close_read();
    close_write();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  void close_read() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  void close_write() {
    if (write >= 0) ::close(write);
    write = -1;
  }
  // One byte; false at the end of the pipe.
  bool get() const {
    char byte = 0;
    ssize_t got;
    while ((got = ::read(read, &byte, 1)) < 0 && errno == EINTR) {
    }
    return got == 1;
  }
  // The same, waiting in steps of 50 ms: ThreadSanitizer may hold a signal that comes to a
  // thread blocked in read(2) until the call returns, so a child whose waiting thread may be the
  // one to take a stop signal waits this way.
  bool get_in_steps() const {
    pollfd ready{read, POLLIN, 0};
    while (::poll(&ready, 1, 50) <= 0) {
    }
    return get();
  }
  void put() const { (void)!::write(write, "x", 1); }
  // Everything up to the end of the pipe.
  std::string rest() const {
    std::string text;
    char block[4096];
    ssize_t got;
    while ((got = ::read(read, block, sizeof block)) != 0) {
      if (got > 0) text.append(block, static_cast<std::size_t>(got));
      if (got < 0 && errno != EINTR) break;
    }
    return text;
  }
};

// A child process running `body` (its result the exit status). The test decides when the child
// is signalled: the body tells the test through a Pipe that it has reached the point to stop
// at, and blocks there; no sleeping. A child still running when the object dies is killed.
class ChildProcess {
 public:
  explicit ChildProcess(const std::function<int()>& body) {
    pid_ = ::fork();
    if (pid_ == 0) ::_exit(body());
    // Only the child keeps the write end of alive_: the read end reports the end of the pipe as
    // soon as the child has ended, however it ended.
    alive_.close_write();
  }
  ~ChildProcess() {
    if (pid_ > 0 && !waited_) {
      ::kill(pid_, SIGKILL);
      wait();
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Waits for one byte from the child on `pipe` (whose write end the test process also holds,
  // so that its end never comes while the test lives); false, without waiting further, when the
  // child ends before it sends one (it crashed, or failed on its way to the point to stop at).
  bool await(const Pipe& pipe) const {
    if (pid_ <= 0) return false;
    pollfd watched[2] = {{pipe.read, POLLIN, 0}, {alive_.read, POLLIN, 0}};
    while (::poll(watched, 2, -1) < 0) {
      if (errno != EINTR) return false;
    }
    // A byte sent just before the child ended still counts.
    return (watched[0].revents & (POLLIN | POLLHUP)) != 0 && pipe.get();
  }
  void signal(int number) const { ::kill(pid_, number); }
  // The raw status of waitpid.
  int wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    waited_ = true;
    return status;
  }
  // The exit status, or -1 if the child was ended by a signal it did not handle.
  int exit_status() {
    const int status = wait();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  Pipe alive_;  // never written to; the child holds its write end
  bool waited_ = false;
};

}  // namespace velmor::testing
