// SPDX-License-Identifier: MIT
// The "Select Models" window: its buttons, its refused close box and its layout.
#include <regex>

#include "shell_test_support.h"

namespace velmor::app {
namespace {

using namespace std::chrono_literals;
using testing::quick_options;
using testing::run_program;
using testing::User;

std::array<int, kModelCount> flags(const Shell& shell) {
  const auto& f = shell.shell().model_flags;
  return {f[0], f[1], f[2], f[3]};
}

// Buttons set the flags and the current model; the close box is refused; the fast method is used.
TEST(ModelDialog, ButtonsSelectionRefusedCloseBoxAndFastMethod) {
  testing::TempFolder folder;
  const std::string path = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    const std::tuple<int, std::array<int, kModelCount>, ModelId> choices[] = {
        {kClearButton, {0, 0, 0, 0}, 0},
        {kModelRadio[1], {0, 1, 0, 0}, 2},
        {kProductButton, {1, 1, 0, 0}, 1},
        {kSubstrateButton, {0, 0, 1, 1}, 3}};
    for (const auto& [control, expected, current] : choices) {
      ASSERT_TRUE(user.select_models(control));
      EXPECT_EQ(flags(shell), expected) << control;
      EXPECT_EQ(shell.state().imdlno, current) << control;
      EXPECT_EQ(wintk::getcurrentwindow(), user.main_window());
    }
    // The main window takes the user's input again once the dialog is closed; copies use LF.
    const int box = shell.shell().text_box;
    wintk::inserttextboxtext(box, "copied\r\nlines");
    ASSERT_TRUE(wintk::test_input::press_keys(box, "Ctrl+A") &&
                wintk::test_input::press_keys(box, "Ctrl+C"));
    EXPECT_EQ(wintk::test_input::clipboard_text(), "copied\nlines");
    wintk::settextboxcontents(box, std::nullopt);
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    const int dialog = shell.shell().model_dialog_window;
    for (int k = 0; k < kDialogModels; ++k) {
      EXPECT_EQ(wintk::radiobuttonischecked(kModelRadio[k]), k >= 2) << k;
    }
    ASSERT_TRUE(wintk::test_input::request_user_close(dialog));
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(wintk::isvalidwindow(dialog) && shell.shell().model_dialog_window == dialog);
    user.click(kFastMethodCheckbox);
    ASSERT_TRUE(user.close_dialog());
    EXPECT_FALSE(wintk::isvalidwindow(dialog));
    EXPECT_TRUE(flags(shell) == (std::array<int, kModelCount>{0, 0, 1, 1}) &&
                shell.shell().fit_method == kFastMethod);

    ASSERT_TRUE(user.select_models(kClearButton));
    ASSERT_TRUE(user.open(responder, path));
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kRun));
    ASSERT_TRUE(user.close_dialog());
    EXPECT_FALSE(std::filesystem::exists(folder.file("DATA.out")) ||
                 !testing::messages(responder).empty());
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    EXPECT_TRUE(wintk::checkboxischecked(kFastMethodCheckbox));
    user.click(kProductButton);
    ASSERT_TRUE(user.close_dialog());
    testing::PlotCloser closer(user.main_window());
    ASSERT_TRUE(user.choose(Entry::kRun));
    const std::string report = testing::read_file(folder.file("DATA.out"));
    const std::regex fast("FIT METHOD: FAST");
    EXPECT_EQ(std::distance(std::sregex_iterator(report.begin(), report.end(), fast), {}), 2);
  });
}

// While "Select Models" is open it stands above the main window, whose close box is refused.
TEST(ChildProcess, MainWindowCloseWhileSelectModelsIsOpen) {
  if (wintk::testing::child_case().empty()) GTEST_SKIP() << "runs only in a child process";
  run_program(quick_options(), [](Shell& shell, User& user) {
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    const int dialog = shell.shell().model_dialog_window;
    std::printf("owner %s\n",
                wintk::test_input::owner_of(dialog) == user.main_window() ? "main" : "none");
    ASSERT_TRUE(wintk::test_input::request_user_close(user.main_window()));
    std::this_thread::sleep_for(50ms);
    std::printf("main window %s\n", wintk::isvalidwindow(user.main_window()) ? "open" : "gone");
    ASSERT_TRUE(user.close_dialog());
  });
  std::exit(7);
}

TEST(ModelDialog, StaysAboveTheMainWindowWhoseCloseWaitsForIt) {
  const auto child =
      wintk::testing::run_child_test("ChildProcess.MainWindowCloseWhileSelectModelsIsOpen");
  EXPECT_EQ(child.exit_code, 7) << child.output;
  EXPECT_NE(child.output.find("owner main\nmain window open"), std::string::npos) << child.output;
}

// The Windows-era layout is kept where it fits; on smaller screens every button stays inside.
TEST(ModelDialogLayout, FollowsTheScreenAndKeepsTheButtonsInside) {
  const ModelDialogLayout large = model_dialog_layout(1920, 1050);
  // int(1920 / 3.7), H / 2 and H / 15 with H = 525
  EXPECT_EQ(std::tuple(large.width, large.height, large.left, large.top, large.step),
            std::tuple(518, 262, 518, 525, 35));
  const ModelDialogLayout l = model_dialog_layout(800, 570);
  // Product and Close inside, radio rows of 25 pixels apart, the window on the screen.
  EXPECT_TRUE(l.width / 2 - 220 >= 0 && l.width / 2 + 240 <= l.width &&
              6 * l.step + 45 <= l.height && l.step >= 30 && l.left + l.width <= 800 &&
              l.top + l.height <= 570);
}

}  // namespace
}  // namespace velmor::app
