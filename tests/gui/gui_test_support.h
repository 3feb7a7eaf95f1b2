// SPDX-License-Identifier: MIT

#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "gui/test_input.h"
#include "gui/wintk.h"

namespace wintk::testing {

// Runs body as the application's main routine until it ends; windows it leaves open are closed.
inline void run_gui(const std::function<void()>& body) {
  static int argc = 1;
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  run_application(argc, argv, [&] { return body(), 0; });
}

inline bool eventually(const std::function<bool()>& pred,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (; !pred(); std::this_thread::sleep_for(std::chrono::milliseconds(2))) {
    if (std::chrono::steady_clock::now() > end) return false;
  }
  return true;
}

// The case a child process was started for (WINTK_CHILD lets child-only tests run), or "".
inline std::string child_case() {
  const char* c = std::getenv("WINTK_CHILD");
  return c ? c : "";
}

struct ChildResult {
  int exit_code = -1;
  std::string output;  // standard output and error
};

// Runs one test of this binary in a child process (on `platform`), for behaviour that ends it.
inline ChildResult run_child_test(const std::string& test_name, const std::string& which = "1",
                                  const std::string& platform = "offscreen") {
  const std::string command = "WINTK_CHILD='" + which + "' QT_QPA_PLATFORM='" + platform +
                              "' /proc/" + std::to_string(::getpid()) +
                              "/exe --gtest_filter=" + test_name + " 2>&1";
  ChildResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) result.output += buffer;
  const int status = ::pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// The bounding box of the pixels of a page in the colour (in any other); empty if none.
struct Box {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
  bool empty() const { return right < 0; }
  bool operator==(const Box&) const = default;
};

inline Box colour_box(const PixelBuffer& page, std::uint32_t colour, bool other = false) {
  Box b;
  for (int y = 0; y < page.height; ++y) {
    for (int x = 0; x < page.width; ++x) {
      if ((page.at(x, y) == colour) != other) {
        b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x), std::max(b.bottom, y)};
      }
    }
  }
  return b;
}

inline bool inside(const test_input::Rect& frame, const test_input::Rect& screen) {
  return frame.x >= screen.x && frame.y >= screen.y &&
         frame.x + frame.width <= screen.x + screen.width &&
         frame.y + frame.height <= screen.y + screen.height;
}

}  // namespace wintk::testing
