#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "gui/wintk.h"

namespace wintk::testing {

// Runs body as the application's main routine (on its own thread, with the event loop on this
// one) and returns when it has ended. Windows it leaves open are closed.
inline void run_gui(const std::function<void()>& body) {
  static int argc = 1;
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  run_application(argc, argv, [&] {
    body();
    return 0;
  });
}

// Polls until pred holds or the time limit has passed.
inline bool eventually(const std::function<bool()>& pred,
                       std::chrono::milliseconds limit = std::chrono::seconds(2)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

struct ChildResult {
  int exit_code = -1;
  std::string output;  // standard output and error
};

// Runs one test of this binary in a child process (with WINTK_CHILD=1 so that child-only tests
// run) and returns its exit code and output. Used for behaviour that ends the process.
// `platform` is the Qt platform with its options ("offscreen:configfile=...").
inline ChildResult run_child_test(const std::string& test_name,
                                  const std::string& platform = "offscreen") {
  const std::string command = "WINTK_CHILD=1 QT_QPA_PLATFORM='" + platform + "' /proc/" +
                              std::to_string(::getpid()) + "/exe --gtest_filter=" + test_name +
                              " 2>&1";
  ChildResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) result.output += buffer;
  const int status = ::pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline bool in_child() {
  return std::getenv("WINTK_CHILD") != nullptr;
}

}  // namespace wintk::testing
