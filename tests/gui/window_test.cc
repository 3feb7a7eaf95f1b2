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

TEST(Window, StartsBlackWithWhiteDrawingColoursAndIsCurrent) {
  run_gui([] {
    const int first = initwindow(300, 200, "First");
    const int second = initwindow(120, 100, "Second");
    ASSERT_GE(first, 0);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(getcurrentwindow(), second);
    EXPECT_EQ(getmaxx(), 119);
    EXPECT_EQ(getmaxy(), 99);
    EXPECT_EQ(getcolor(), creatergb(255, 255, 255));
    const PixelBuffer page = getpagepixels();
    ASSERT_EQ(page.width, 120);
    ASSERT_EQ(page.height, 100);
    for (const auto pixel : page.pixels) ASSERT_EQ(pixel, 0u);
    setfillstyle(1, getcolor());
    bar(0, 0, 10, 10);  // the default fill colour is white too
    EXPECT_EQ(getpagepixels().at(5, 5), 0xFFFFFFu);
    setcurrentwindow(first);
    EXPECT_EQ(getmaxx(), 299);
    setcurrentwindow(second + 100);  // not a window: ignored
    EXPECT_EQ(getcurrentwindow(), first);
  });
}

TEST(Window, ClosingEmptiesSlotsAndClearsTheCurrentWindow) {
  run_gui([] {
    const int a = initwindow(100, 100, "a");
    const int b = initwindow(100, 100, "b");
    std::atomic<int> close_callbacks{0};
    setcurrentwindow(b);
    setwindowclosecallback([&] { ++close_callbacks; });
    const int c = initwindow(100, 100, "c");
    closewindow(b);
    EXPECT_EQ(close_callbacks, 0);  // closing by program asks no one
    EXPECT_FALSE(isvalidwindow(b));
    EXPECT_EQ(getcurrentwindow(), c);
    closewindow(-1);  // the current one
    EXPECT_FALSE(isvalidwindow(c));
    EXPECT_EQ(getcurrentwindow(), kNoWindow);
    closewindow(b);  // already closed: ignored
    const int d = initwindow(100, 100, "d");
    EXPECT_EQ(d, c + 1);  // ids are never reused
    closewindow();        // no argument: every window
    EXPECT_FALSE(isvalidwindow(a));
    EXPECT_FALSE(isvalidwindow(d));
  });
}

// One menu bar per window, which keeps the client size; item ids count across the menus,
// separators and refused items (an item without a callback) included, but not items refused for
// a menu that does not exist.
TEST(Window, MenuBarKeepsTheClientSizeAndItemIdsCountAcrossMenus) {
  run_gui([] {
    const int window = initwindow(320, 240, "Menus");
    const auto before = test_input::frame_size(window);
    const int bar = addmenu("");
    EXPECT_EQ(bar, 0);
    EXPECT_EQ(addmenu("again", -1), -2);
    const int file = addmenu("File", bar);
    const int help = addmenu("Help", bar);
    EXPECT_EQ(addmenu("bad parent", 7), -2);
    EXPECT_EQ(addmenuitem("Open", file, [] {}), 0);
    EXPECT_EQ(addmenuseparator(file), 1);
    EXPECT_EQ(addmenuitem("No callback", file, {}), -2);  // uses up id 2
    EXPECT_EQ(addmenuitem("About", help, [] {}), 3);
    EXPECT_EQ(addmenuitem("Nowhere", 42, [] {}), -2);  // invalid menu: no id used
    EXPECT_EQ(addmenuitem("Contents", help, [] {}), 4);
    const auto client = test_input::client_size(window);
    EXPECT_EQ(client.width, 320);
    EXPECT_EQ(client.height, 240);
    EXPECT_EQ(getmaxx(), 319);
    EXPECT_EQ(getmaxy(), 239);
    EXPECT_GT(test_input::frame_size(window).height, before.height);
  });
}

TEST(Window, MenuCommandRunsOnItsOwnThreadAndWakesTheMainRoutine) {
  run_gui([] {
    const int window = initwindow(200, 100, "Commands");
    const int file = addmenu("File", addmenu(""));
    std::atomic<int> signalling{-5};
    std::atomic<bool> other_thread{false};
    const auto main_thread = std::this_thread::get_id();
    const int item = addmenuitem("Run", file, [&] {
      other_thread = std::this_thread::get_id() != main_thread;
      signalling = getsignallingwindow();
      stopidle();
    });
    ASSERT_TRUE(test_input::trigger_menu_item(window, item));
    loop();  // returns only because the callback called stopidle
    EXPECT_TRUE(other_thread);
    EXPECT_EQ(signalling, window);

    enablemenuitem(item, false);
    EXPECT_FALSE(test_input::menu_item_enabled(window, item));
    EXPECT_FALSE(test_input::trigger_menu_item(window, item));  // a greyed item does nothing
    enablemenuitem(item, true);
    EXPECT_TRUE(test_input::menu_item_enabled(window, item));
  });
}

TEST(Window, SignallingWindowOfTheCreatingThreadIsItsFirstWindow) {
  run_gui([] {
    const int first = initwindow(100, 100, "one");
    initwindow(100, 100, "two");
    EXPECT_EQ(getsignallingwindow(), first);
    int from_stranger = 0;
    std::thread([&] { from_stranger = getsignallingwindow(); }).join();
    EXPECT_EQ(from_stranger, -1);
  });
}

TEST(Window, IdleSignalsArePendingAndDoNotAccumulate) {
  run_gui([] {
    initwindow(100, 100, "Idle");
    stopidle();
    stopidle();
    const auto start = std::chrono::steady_clock::now();
    startidle(20000);  // the pending signal releases it at once
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    const auto second = std::chrono::steady_clock::now();
    startidle(30);  // the two signals counted as one: this one times out
    EXPECT_GE(std::chrono::steady_clock::now() - second, std::chrono::milliseconds(25));

    // By id, whatever window is current: a wait on a window is released when another thread
    // closes it.
    const int other = initwindow(100, 100, "Other");
    std::thread closer([other] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      closewindow(other);
    });
    const auto third = std::chrono::steady_clock::now();
    waitidle(other, 20000);
    EXPECT_LT(std::chrono::steady_clock::now() - third, std::chrono::seconds(10));
    closer.join();
  });
}

TEST(Window, SystemCloseCallbackCanVetoAndUserCloseCallsTheCloseCallback) {
  run_gui([] {
    const int window =
        initwindow(100, 100, "Closable", kDefaultPosition, kDefaultPosition, false, false);
    std::atomic<int> allow{0};
    std::atomic<int> asked{0};
    std::atomic<int> closed{0};
    setwindowsystemclosecallback([&] {
      ++asked;
      return allow.load();
    });
    setwindowclosecallback([&] { ++closed; });
    ASSERT_TRUE(test_input::request_user_close(window));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(isvalidwindow(window));
    allow = 1;
    ASSERT_TRUE(test_input::request_user_close(window));
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(isvalidwindow(window));
    EXPECT_EQ(getsignallingwindow(), -1);  // a destroyed window no longer exists for lookups
    closewindow(window);
  });
}

TEST(Window, CaptionAndResizing) {
  run_gui([] {
    const int plain = initwindow(100, 80);
    EXPECT_FALSE(test_input::has_caption(plain));
    EXPECT_FALSE(test_input::is_resizable(plain));
    const int titled = initwindow(100, 80, "Titled   ");
    EXPECT_TRUE(test_input::has_caption(titled));
    enableresize();
    EXPECT_TRUE(test_input::is_resizable(titled));
    addmenu("");
    const auto client = test_input::client_size(titled);
    EXPECT_EQ(client.width, 100);
    EXPECT_EQ(client.height, 80);

    // Made larger than the screen the pages were sized for, first taller, then wider too: the
    // pages grow with the window (the new part in the background colour), so drawing there is
    // kept and reading the page gives whole rows.
    const test_input::Rect screen = test_input::screen_geometry(titled);
    const int blue = creatergb(0, 0, 200);
    setbkcolor(blue);
    const int height = screen.height + 120;
    ASSERT_TRUE(test_input::resize_client(titled, {screen.width - 50, height}));
    ASSERT_TRUE(eventually([&] { return getmaxy() == height - 1; }));
    EXPECT_EQ(getpagepixels().at(5, height - 5), static_cast<std::uint32_t>(blue));
    const int width = screen.width + 150;
    ASSERT_TRUE(test_input::resize_client(titled, {width, height}));
    ASSERT_TRUE(eventually([&] { return getmaxx() == width - 1; }));
    setfillstyle(1, creatergb(250, 0, 0));
    bar(width - 20, height - 20, width - 1, height - 1);
    const PixelBuffer page = getpagepixels();
    ASSERT_EQ(page.width, width);
    ASSERT_EQ(page.height, height);
    EXPECT_EQ(page.at(width - 5, height - 5), static_cast<std::uint32_t>(creatergb(250, 0, 0)));
    EXPECT_EQ(page.at(width - 5, 5), static_cast<std::uint32_t>(blue));
  });
}

bool inside(const test_input::Rect& frame, const test_input::Rect& screen) {
  return frame.x >= screen.x && frame.y >= screen.y &&
         frame.x + frame.width <= screen.x + screen.width &&
         frame.y + frame.height <= screen.y + screen.height;
}

// Asked for beyond the screen's edge, or left to the platform: the whole window stays on the
// screen.
TEST(Window, NewWindowsStayOnTheScreen) {
  run_gui([] {
    const int probe = initwindow(100, 100, "probe");
    const test_input::Rect screen = test_input::screen_geometry(probe);
    ASSERT_GT(screen.height, 300);
    const int beyond =
        initwindow(300, 200, "beyond", screen.x + screen.width - 50, screen.y + screen.height - 50);
    EXPECT_TRUE(inside(test_input::frame_geometry(beyond), screen));
    const int placed = initwindow(400, 300, "placed");
    EXPECT_TRUE(inside(test_input::frame_geometry(placed), screen));
  });
}

// Child-only bodies: they end their process, which the parent tests below observe.
TEST(ChildProcess, UserCloseOfMainWindow) {
  if (!testing::in_child()) GTEST_SKIP() << "runs only in a child process";
  run_gui([] {
    const int window = initwindow(100, 100, "Main");
    setwindowclosecallback([] { std::puts("close callback ran"); });
    test_input::request_user_close(window);
    std::puts("still running");
  });
  std::exit(7);
}

TEST(ChildProcess, DrawingWithoutCurrentWindow) {
  if (!testing::in_child()) GTEST_SKIP() << "runs only in a child process";
  RecordingResponder responder;
  run_gui([] {
    initwindow(100, 100, "Gone");
    closewindow(-1);
    line(0, 0, 5, 5);
    std::puts("drew anyway");
  });
  std::exit(7);
}

TEST(ChildProcess, RememberedCloseFlag) {
  if (!testing::in_child()) GTEST_SKIP() << "runs only in a child process";
  run_gui([] {
    initwindow(100, 100, "Explicit", kDefaultPosition, kDefaultPosition, false, false);
    const int later = initwindow(100, 100, "Omitted flags");
    test_input::request_user_close(later);
    std::puts(isvalidwindow(later) ? "still open" : "survived the close");
  });
  std::exit(7);
}

// Two screens side by side, 1000 and 1300 pixels wide; a window on the second one.
TEST(ChildProcess, LargestWindowOnTheSecondScreen) {
  if (!testing::in_child()) GTEST_SKIP() << "runs only in a child process";
  run_gui([] {
    initwindow(200, 100, "second", 1100, 100);
    std::printf("largest client %d x %d\n", getmaxwidth(), getmaxheight());
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
  const auto child = testing::run_child_test("ChildProcess.LargestWindowOnTheSecondScreen",
                                             "offscreen:configfile=" + config);
  std::filesystem::remove(config);
  int width = 0, height = 0;
  const std::size_t at = child.output.find("largest client");
  ASSERT_NE(at, std::string::npos) << child.output;
  ASSERT_EQ(std::sscanf(child.output.c_str() + at, "largest client %d x %d", &width, &height), 2);
  // The second screen less the frame, not both screens together.
  EXPECT_TRUE(width > 1200 && width <= 1300) << width;
  EXPECT_TRUE(height > 800 && height <= 900) << height;
}

// Behaviour that ends the process, observed from outside: the child's exit status and what it
// printed, and what it must not have printed.
TEST(Window, EndingThePrograms) {
  const struct {
    const char* child;
    int exit_code;
    const char* printed;
    std::vector<const char*> not_printed;
  } kCases[] = {
      // Close flags given explicitly are remembered for a later window that omits them: its
      // user close closes it without ending the program.
      {"RememberedCloseFlag", 7, "survived the close", {"still open"}},
      // Closing the window that ends the program exits at once with 0, asking no callback.
      {"UserCloseOfMainWindow", 0, "", {"close callback ran", "still running"}},
      {"DrawingWithoutCurrentWindow", 1,
       "Drawing operation was attempted when there was no current window.", {"drew anyway"}},
  };
  for (const auto& c : kCases) {
    const auto child = testing::run_child_test(std::string("ChildProcess.") + c.child);
    EXPECT_EQ(child.exit_code, c.exit_code) << child.output;
    EXPECT_NE(child.output.find(c.printed), std::string::npos) << child.output;
    for (const char* text : c.not_printed) {
      EXPECT_EQ(child.output.find(text), std::string::npos) << child.output;
    }
  }
}

}  // namespace
}  // namespace wintk
