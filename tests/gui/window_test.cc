// Windows, menus, idle signals and closing, and the ways a program ends.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "gui/test_input.h"
#include "gui/test_responder.h"
#include "gui_test_support.h"

namespace wintk {
namespace {

using testing::eventually;
using testing::run_gui;

// A new window is black, draws in white and is current; closing by program asks no callback,
// ids are never reused, and the signalling window of a thread is its first.
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
    setfillstyle(1, getcolor());
    bar(0, 0, 10, 10);  // the default fill colour is white too
    EXPECT_EQ(getpagepixels().at(5, 5), 0xFFFFFFu);
    EXPECT_EQ(getsignallingwindow(), first);
    int from_stranger = 0;
    std::thread([&] { from_stranger = getsignallingwindow(); }).join();
    EXPECT_EQ(from_stranger, -1);
    setcurrentwindow(first);
    EXPECT_EQ(getmaxx(), 299);
    setcurrentwindow(second + 100);  // not a window: ignored
    EXPECT_EQ(getcurrentwindow(), first);

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

// One menu bar per window, which keeps the client size; item ids count across the menus. A
// command runs on its own thread, wakes the main routine and cannot be chosen while greyed.
TEST(Window, MenusAndTheirCommands) {
  run_gui([] {
    const int window = initwindow(320, 240, "Menus");
    const int frame_height = test_input::frame_size(window).height;
    const int bar = addmenu("");
    EXPECT_EQ(std::pair(bar, addmenu("again", -1)), std::pair(0, -2));
    const int file = addmenu("File", bar), help = addmenu("Help", bar);
    EXPECT_EQ(addmenu("bad parent", 7), -2);
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
    EXPECT_GT(test_input::frame_size(window).height, frame_height);

    ASSERT_TRUE(test_input::trigger_menu_item(window, item));
    loop();  // returns only because the callback called stopidle
    EXPECT_TRUE(other_thread && signalling == window);
    enablemenuitem(item, false);
    EXPECT_FALSE(test_input::menu_item_enabled(window, item) ||
                 test_input::trigger_menu_item(window, item));
    enablemenuitem(item, true);
    EXPECT_TRUE(test_input::menu_item_enabled(window, item));
  });
}

// Idle signals stay pending but do not accumulate; a wait on a window is released when another
// thread closes it.
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

TEST(Window, SystemCloseCallbackCanVetoAndUserCloseCallsTheCloseCallback) {
  run_gui([] {
    const int window =
        initwindow(100, 100, "Closable", kDefaultPosition, kDefaultPosition, false, false);
    std::atomic<int> allow{0}, asked{0}, closed{0};
    setwindowsystemclosecallback([&] { return ++asked, allow.load(); });
    setwindowclosecallback([&] { ++closed; });
    ASSERT_TRUE(test_input::request_user_close(window));
    EXPECT_EQ(std::pair(asked.load(), closed.load()), std::pair(1, 0));
    EXPECT_TRUE(isvalidwindow(window));
    allow = 1;
    ASSERT_TRUE(test_input::request_user_close(window));
    EXPECT_EQ(std::pair(closed.load(), isvalidwindow(window)), std::pair(1, false));
    EXPECT_EQ(getsignallingwindow(), -1);  // a destroyed window no longer exists for lookups
    closewindow(window);
  });
}

// A caption only with a title. Made larger than the screen, the pages grow (the new part in the
// background colour) and keep what is drawn there. New windows stay on the screen.
TEST(Window, CaptionResizingAndPlacement) {
  run_gui([] {
    const int plain = initwindow(100, 80);
    EXPECT_FALSE(test_input::has_caption(plain) || test_input::is_resizable(plain));
    const int titled = initwindow(100, 80, "Titled   ");
    EXPECT_TRUE(test_input::has_caption(titled));
    enableresize();
    EXPECT_TRUE(test_input::is_resizable(titled));
    addmenu("");
    EXPECT_EQ(test_input::client_size(titled).height, 80);

    const test_input::Rect screen = test_input::screen_geometry(titled);
    ASSERT_GT(screen.height, 300);
    const int blue = creatergb(0, 0, 200), red = creatergb(250, 0, 0);
    setbkcolor(blue);
    const int height = screen.height + 120, width = screen.width + 150;
    ASSERT_TRUE(test_input::resize_client(titled, {screen.width - 50, height}));
    ASSERT_TRUE(eventually([&] { return getmaxy() == height - 1; }));
    EXPECT_EQ(getpagepixels().at(5, height - 5), static_cast<std::uint32_t>(blue));
    ASSERT_TRUE(test_input::resize_client(titled, {width, height}));
    ASSERT_TRUE(eventually([&] { return getmaxx() == width - 1; }));
    setfillstyle(1, red);
    bar(width - 20, height - 20, width - 1, height - 1);
    const PixelBuffer page = getpagepixels();
    ASSERT_EQ(std::pair(page.width, page.height), std::pair(width, height));
    EXPECT_EQ(std::pair(page.at(width - 5, height - 5), page.at(width - 5, 5)),
              std::pair(std::uint32_t(red), std::uint32_t(blue)));

    const int beyond =
        initwindow(300, 200, "beyond", screen.x + screen.width - 50, screen.y + screen.height - 50);
    EXPECT_TRUE(testing::inside(test_input::frame_geometry(beyond), screen));
    EXPECT_TRUE(
        testing::inside(test_input::frame_geometry(initwindow(400, 300, "placed")), screen));
  });
}

// Child-only bodies, one per case: they end their process, which the tests below observe.
TEST(ChildProcess, EndsTheProgram) {
  const std::string which = testing::child_case();
  if (which.empty()) GTEST_SKIP() << "runs only in a child process";
  RecordingResponder responder;
  run_gui([&] {
    if (which == "second screen") {  // screens 1000 and 1300 pixels wide, side by side
      initwindow(200, 100, "second", 1100, 100);
      std::printf("largest client %d x %d\n", getmaxwidth(), getmaxheight());
    } else if (which == "remembered flag") {
      initwindow(100, 100, "Explicit", kDefaultPosition, kDefaultPosition, false, false);
      const int later = initwindow(100, 100, "Omitted flags");
      test_input::request_user_close(later);
      std::puts(isvalidwindow(later) ? "still open" : "survived the close");
    } else if (which == "user close") {
      const int window = initwindow(100, 100, "Main");
      setwindowclosecallback([] { std::puts("close callback ran"); });
      test_input::request_user_close(window);
      std::puts("still running");
    } else {
      initwindow(100, 100, "Gone");
      closewindow(-1);
      line(0, 0, 5, 5);
      std::puts("drew anyway");
    }
  });
  std::exit(7);
}

TEST(Window, LargestWindowIsMeasuredOnTheScreenOfTheWindow) {
  const std::string config = (std::filesystem::temp_directory_path() /
                              ("wintk_screens_" + std::to_string(::getpid()) + ".json"))
                                 .string();
  std::ofstream(config) << R"({"screens": [
      {"name": "left", "x": 0, "y": 0, "width": 1000, "height": 700, "logicalDpi": 96},
      {"name": "right", "x": 1000, "y": 0, "width": 1300, "height": 900, "logicalDpi": 96}]})";
  const auto child = testing::run_child_test("ChildProcess.EndsTheProgram", "second screen",
                                             "offscreen:configfile=" + config);
  std::filesystem::remove(config);
  int width = 0, height = 0;
  const std::size_t at = child.output.find("largest client");
  ASSERT_NE(at, std::string::npos) << child.output;
  ASSERT_EQ(std::sscanf(child.output.c_str() + at, "largest client %d x %d", &width, &height), 2);
  // The second screen less the frame, not both screens together.
  EXPECT_TRUE(width > 1200 && width <= 1300 && height > 800 && height <= 900)
      << width << " x " << height;
}

// Close flags given explicitly are remembered for a later window that omits them; closing the
// window that ends the program exits at once with 0, asking no callback; drawing with no
// current window ends the program with its message.
TEST(Window, EndingThePrograms) {
  const std::tuple<const char*, const char*, const char*, const char*, int> cases[] = {
      {"remembered flag", "survived the close", "still open", "", 7},
      {"user close", "", "close callback ran", "still running", 0},
      {"no window", "Drawing operation was attempted when there was no current window.",
       "drew anyway", "", 1}};
  for (const auto& [which, printed, not_printed, nor_printed, exit_code] : cases) {
    const auto child = testing::run_child_test("ChildProcess.EndsTheProgram", which);
    EXPECT_EQ(child.exit_code, exit_code) << child.output;
    EXPECT_NE(child.output.find(printed), std::string::npos) << child.output;
    EXPECT_EQ(child.output.find(not_printed), std::string::npos) << child.output;
    if (*nor_printed) {
      EXPECT_EQ(child.output.find(nor_printed), std::string::npos) << child.output;
    }
  }
}

}  // namespace
}  // namespace wintk
