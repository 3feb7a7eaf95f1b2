// SPDX-License-Identifier: MIT
// Windows, menus, idle signals and closing, and the ways a program ends.
#include <atomic>
#include <cstdio>
#include <thread>

#include "gui/test_responder.h"
#include "gui_test_support.h"

namespace wintk {
namespace {

using testing::eventually;
using testing::run_gui;

// A new window is black and current; closing by program asks no callback; ids are not reused.
TEST(Window, CreatingSwitchingAndClosing) {
  run_gui([] {
    const int first = initwindow(300, 200, "First");
    const int second = initwindow(120, 100, "Second");
    ASSERT_GE(first, 0);
    EXPECT_EQ(std::tuple(second, getcurrentwindow(), getmaxx(), getmaxy(), getcolor()),
              std::tuple(first + 1, second, 119, 99, creatergb(255, 255, 255)));
    const PixelBuffer page = getpagepixels();
    ASSERT_EQ(std::pair(page.width, page.height), std::pair(120, 100));
    EXPECT_EQ(std::count(page.pixels.begin(), page.pixels.end(), 0u), 120 * 100);
    setcurrentwindow(first);
    EXPECT_EQ(getmaxx(), 299);

    std::atomic<int> close_callbacks{0};
    setcurrentwindow(second);
    setwindowclosecallback([&] { ++close_callbacks; });
    const int third = initwindow(100, 100, "c");
    closewindow(second);
    EXPECT_EQ(std::pair(isvalidwindow(second), getcurrentwindow()), std::pair(false, third));
    closewindow(-1);  // the current one
    EXPECT_EQ(std::pair(isvalidwindow(third), getcurrentwindow()), std::pair(false, kNoWindow));
    closewindow(second);  // already closed: ignored
    EXPECT_EQ(initwindow(100, 100, "d"), third + 1);
    closewindow();  // every window
    EXPECT_FALSE(isvalidwindow(first) || isvalidwindow(third + 1));
    EXPECT_EQ(close_callbacks, 0);
  });
}

// One menu bar per window; item ids count across menus; commands run on their own thread.
TEST(Window, MenusAndTheirCommands) {
  run_gui([] {
    const int window = initwindow(320, 240, "Menus");
    const int bar = addmenu("");
    EXPECT_EQ(std::pair(bar, addmenu("again", -1)), std::pair(0, -2));
    const int file = addmenu("File", bar), help = addmenu("Help", bar);
    std::atomic<int> signalling{-5};
    std::atomic<bool> other_thread{false};
    const auto main_thread = std::this_thread::get_id();
    const int item = addmenuitem("Run", file, [&] {
      other_thread = std::this_thread::get_id() != main_thread;
      signalling = getsignallingwindow();
      stopidle();
    });
    // "No callback" uses up id 2, "Nowhere" no id.
    EXPECT_EQ(std::vector({item, addmenuseparator(file), addmenuitem("No callback", file, {}),
                           addmenuitem("About", help, [] {}), addmenuitem("Nowhere", 42, [] {}),
                           addmenuitem("Contents", help, [] {})}),
              std::vector({0, 1, -2, 3, -2, 4}));
    const auto client = test_input::client_size(window);
    EXPECT_EQ(std::tuple(client.width, client.height, getmaxy()), std::tuple(320, 240, 239));

    ASSERT_TRUE(test_input::trigger_menu_item(window, item));
    loop();  // returns only because the callback called stopidle
    EXPECT_TRUE(other_thread && signalling == window);
    enablemenuitem(item, false);
    EXPECT_FALSE(test_input::menu_item_enabled(window, item) ||
                 test_input::trigger_menu_item(window, item));
  });
}

// Idle signals stay pending but do not accumulate; closing a window releases a wait on it.
TEST(Window, IdleSignalsArePendingAndDoNotAccumulate) {
  run_gui([] {
    initwindow(100, 100, "Idle");
    stopidle();
    stopidle();
    auto start = std::chrono::steady_clock::now();
    startidle(20000);  // the pending signal releases it at once
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    start = std::chrono::steady_clock::now();
    startidle(30);  // the two signals counted as one: this one times out
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
    const int other = initwindow(100, 100, "Other");
    std::thread closer([other] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      closewindow(other);
    });
    start = std::chrono::steady_clock::now();
    waitidle(other, 20000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    closer.join();
  });
}

// A caption only with a title; pages grow beyond the screen; new windows stay on it.
TEST(Window, CaptionResizingAndPlacement) {
  run_gui([] {
    EXPECT_FALSE(test_input::has_caption(initwindow(100, 80)));
    const int titled = initwindow(100, 80, "Titled   ");
    enableresize();
    EXPECT_TRUE(test_input::has_caption(titled) && test_input::is_resizable(titled));

    const test_input::Rect screen = test_input::screen_geometry(titled);
    ASSERT_GT(screen.height, 300);
    const int blue = creatergb(0, 0, 200), red = creatergb(250, 0, 0);
    setbkcolor(blue);
    const int height = screen.height + 120, width = screen.width + 150;
    ASSERT_TRUE(test_input::resize_client(titled, {width, height}));
    ASSERT_TRUE(eventually([&] { return getmaxx() == width - 1 && getmaxy() == height - 1; }));
    setfillstyle(1, red);
    bar(width - 20, height - 20, width - 1, height - 1);
    const PixelBuffer page = getpagepixels();
    EXPECT_EQ(std::pair(page.at(width - 5, height - 5), page.at(width - 5, 5)),
              std::pair(std::uint32_t(red), std::uint32_t(blue)));

    const int beyond =
        initwindow(300, 200, "beyond", screen.x + screen.width - 50, screen.y + screen.height - 50);
    EXPECT_TRUE(testing::inside(test_input::frame_geometry(beyond), screen));
  });
}

// Child-only bodies, one per case: they end their process, which the tests below observe.
TEST(ChildProcess, EndsTheProgram) {
  const std::string which = testing::child_case();
  if (which.empty()) GTEST_SKIP() << "runs only in a child process";
  RecordingResponder responder;
  run_gui([&] {
    if (which == "remembered flag") {
      initwindow(100, 100, "Explicit", kDefaultPosition, kDefaultPosition, false, false);
      const int later = initwindow(100, 100, "Omitted flags");
      test_input::request_user_close(later);
      std::puts(isvalidwindow(later) ? "still open" : "survived the close");
    } else if (which == "user close") {
      const int window = initwindow(100, 100, "Main");
      setwindowclosecallback([] { std::puts("close callback ran"); });
      test_input::request_user_close(window);
      std::puts("still running");
    }
  });
  std::exit(7);
}

// Close flags are remembered; closing the main window exits with 0.
TEST(Window, EndingThePrograms) {
  const std::tuple<const char*, const char*, const char*, int> cases[] = {
      {"remembered flag", "survived the close", "still open", 7},
      {"user close", "", "close callback ran", 0}};
  for (const auto& [which, printed, not_printed, exit_code] : cases) {
    const auto child = testing::run_child_test("ChildProcess.EndsTheProgram", which);
    EXPECT_EQ(child.exit_code, exit_code) << child.output;
    EXPECT_NE(child.output.find(printed), std::string::npos) << child.output;
    EXPECT_EQ(child.output.find(not_printed), std::string::npos) << child.output;
  }
}

// A call without a current window, or with one that has gone, does nothing: no box, no end.
TEST(Window, CallsWithoutACurrentWindowAreIgnored) {
  RecordingResponder responder;
  run_gui([] {
    const int before = test_input::windowless_calls();
    initwindow(100, 100, "Gone");
    closewindow(-1);
    line(0, 0, 5, 5);
    setcolor(3);
    startidle(1);
    loop();
    EXPECT_EQ(std::tuple(getcolor(), getmaxx(), textwidth("x"), addmenu("Main")),
              std::tuple(0, -1, -1, -2));
    EXPECT_EQ(test_input::windowless_calls() - before, 8);
  });
  EXPECT_TRUE(responder.requests().empty());
}

// Threads that make, draw on and close windows at the same time each keep their own current
// window, as do menu callbacks; none draws on another's window or finds its own gone.
TEST(Window, EachThreadHasItsOwnCurrentWindow) {
  run_gui([] {
    const int before = test_input::windowless_calls();
    const int main_window = initwindow(60, 40, "main");
    std::atomic<int> callback_saw{-1};
    const int menu = addmenu("File", addmenu("Main"));
    const int item = addmenuitem("Item", menu, [&] {
      callback_saw = getcurrentwindow();
      setcurrentwindow(initwindow(30, 30, "made by the callback"));
    });
    const int other = initwindow(60, 40, "other");
    setcurrentwindow(main_window);
    ASSERT_TRUE(test_input::trigger_menu_item(main_window, item));
    ASSERT_TRUE(eventually([&] { return callback_saw >= 0; }));
    EXPECT_EQ(std::pair(callback_saw.load(), getcurrentwindow()),
              std::pair(main_window, main_window));

    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    threads.reserve(4);
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([t, &wrong] {
        const int colour = creatergb(50 * (t + 1), 10, 0);
        for (int round = 0; round < 25; ++round) {
          const int mine = initwindow(40, 30, "thread");
          setfillstyle(1, colour);
          bar(0, 0, 39, 29);
          std::this_thread::yield();
          const PixelBuffer page = getpagepixels();
          if (getcurrentwindow() != mine || page.empty() ||
              page.at(20, 15) != static_cast<std::uint32_t>(colour)) {
            ++wrong;
          }
          closewindow(-1);
        }
      });
    }
    for (int i = 0; i < 200; ++i) setcurrentwindow(i % 2 == 0 ? other : main_window);
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(getcurrentwindow(), main_window);
    EXPECT_EQ(test_input::windowless_calls(), before);
  });
}

}  // namespace
}  // namespace wintk
