// SPDX-License-Identifier: MIT
// The "Select Models" window: its buttons, its refused close box and its layout.
#include <algorithm>
#include <regex>

#include "shell_test_support.h"

namespace velmor::app {
namespace {

using namespace std::chrono_literals;
using testing::quick_options;
using testing::run_program;
using testing::User;

std::array<int, kModelCount> flags(const Shell& shell) {
  std::array<int, kModelCount> values{};
  std::copy(shell.shell().model_flags.begin(), shell.shell().model_flags.end(), values.begin());
  return values;
}

// Buttons set the flags and the current model; the close box is refused; the models of the
// mechanisms, the fast method and the baseline of either sign reach the run.
TEST(ModelDialog, ButtonsSelectionRefusedCloseBoxAndFastMethod) {
  testing::TempFolder folder;
  const std::string path = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    const std::tuple<int, std::array<int, kModelCount>, ModelId> choices[] = {
        {kClearButton, {0, 0, 0, 0}, 0},   {kModelRadio[6], {0, 0, 0, 0, 0, 0, 1, 0}, 7},
        {kClearButton, {0, 0, 0, 0}, 7},   {kModelRadio[1], {0, 1, 0, 0}, 2},
        {kProductButton, {1, 1, 0, 0}, 1}, {kSubstrateButton, {0, 0, 1, 1}, 3}};
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
      EXPECT_EQ(wintk::radiobuttonischecked(kModelRadio[k]), k == 2 || k == 3) << k;
    }
    ASSERT_TRUE(wintk::test_input::request_user_close(dialog));
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(wintk::isvalidwindow(dialog) && shell.shell().model_dialog_window == dialog);
    user.click(kFastMethodCheckbox);
    user.click(kBaselineFreeCheckbox);
    ASSERT_TRUE(user.close_dialog());
    EXPECT_FALSE(wintk::isvalidwindow(dialog));
    EXPECT_TRUE(flags(shell) == (std::array<int, kModelCount>{0, 0, 1, 1}) &&
                shell.shell().fit_method == kFastMethod && shell.shell().baseline_free);

    ASSERT_TRUE(user.select_models(kClearButton));
    ASSERT_TRUE(user.open(responder, path));
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kRun));
    ASSERT_TRUE(user.close_dialog());
    EXPECT_FALSE(std::filesystem::exists(folder.file("DATA.out")) ||
                 !testing::messages(responder).empty());
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    EXPECT_TRUE(wintk::checkboxischecked(kFastMethodCheckbox) &&
                wintk::checkboxischecked(kBaselineFreeCheckbox));
    user.click(kProductButton);
    user.click(kModelRadio[4]);
    ASSERT_TRUE(user.close_dialog());
    testing::PlotCloser closer(user.main_window());
    ASSERT_TRUE(user.choose(Entry::kRun));
    const std::string report = testing::read_file(folder.file("DATA.out"));
    const auto count = [&](const char* text) {
      const std::regex pattern(text);
      return std::distance(std::sregex_iterator(report.begin(), report.end(), pattern), {});
    };
    // Models 1, 2 and 5, the baseline (model 2's alone) of either sign.
    EXPECT_EQ(count("FIT METHOD: FAST"), 3);
    EXPECT_EQ(count("MODEL NAME:  5- "), 1);
    EXPECT_EQ(count("BASELINE: FREE"), 1);
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
  // int(1920 / 3.7), H / 15 with H = 525, tall enough for the ten rows and the buttons
  EXPECT_EQ(std::tuple(large.width, large.height, large.left, large.top, large.step),
            std::tuple(518, 435, 518, 525, 35));
  const ModelDialogLayout l = model_dialog_layout(800, 570);
  // Product and Close inside, radio rows of 25 pixels apart, the window on the screen.
  EXPECT_TRUE(l.width / 2 - 220 >= 0 && l.width / 2 + 240 <= l.width &&
              (kDialogRows + 1) * l.step + 45 <= l.height && l.step >= 30 &&
              l.left + l.width <= 800 && l.top + l.height <= 570);
}

}  // namespace
}  // namespace velmor::app
