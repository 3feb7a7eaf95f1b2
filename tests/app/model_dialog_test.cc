// The "Select Models" window: its buttons, its refused close box and the read-back of the
// selection.
#include "shell_test_support.h"

namespace velmor::app {
namespace {

using testing::quick_options;
using testing::run_program;
using testing::User;

std::array<int, kModelCount> flags(const Shell& shell) {
  std::array<int, kModelCount> out{};
  for (int k = 0; k < kModelCount; ++k) out[k] = shell.shell().model_flags[k];
  return out;
}

// Each button, clicked before Close, sets the flags and makes the lowest selected model current
// (Clear leaves the current model as it was). Reopened, the dialog shows the selection and keeps
// it; its close box is refused. With nothing selected Run opens the dialog instead of fitting.
TEST(ModelDialog, ButtonsSelectionAndRefusedCloseBox) {
  testing::TempFolder folder;
  const std::string path = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    const struct {
      int control;
      std::array<int, kModelCount> flags;
      ModelId current;
    } choices[] = {{kClearButton, {0, 0, 0, 0}, 0},
                   {kModelRadio[1], {0, 1, 0, 0}, 2},
                   {kModelRadio[3], {0, 0, 0, 1}, 4},
                   {kProductButton, {1, 1, 0, 0}, 1},
                   {kSubstrateButton, {0, 0, 1, 1}, 3}};
    for (const auto& choice : choices) {
      ASSERT_TRUE(user.select_models(choice.control));
      EXPECT_EQ(flags(shell), choice.flags) << choice.control;
      EXPECT_EQ(shell.state().imdlno, choice.current) << choice.control;
      EXPECT_EQ(wintk::getcurrentwindow(), user.main_window());
    }

    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    const int dialog = shell.shell().model_dialog_window;
    for (int k = 0; k < kModelCount; ++k) {
      EXPECT_EQ(wintk::radiobuttonischecked(kModelRadio[k]), k >= 2) << k;
    }
    ASSERT_TRUE(wintk::test_input::request_user_close(dialog));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(wintk::isvalidwindow(dialog));
    EXPECT_EQ(shell.shell().model_dialog_window, dialog);
    ASSERT_TRUE(user.close_dialog());
    EXPECT_FALSE(wintk::isvalidwindow(dialog));
    EXPECT_EQ(flags(shell), (std::array<int, kModelCount>{0, 0, 1, 1}));

    ASSERT_TRUE(user.select_models(kClearButton));
    ASSERT_TRUE(user.open(responder, path));
    for (int i = 0; i < 2; ++i) {
      ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kRun));
      ASSERT_TRUE(user.close_dialog());
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("DATA.out")));
    EXPECT_TRUE(testing::messages(responder).empty());
  });
}

// The fit method's check box: off at first, kept when the dialog opens again, and taken by the
// next Run, whose report says that the fast method fitted the models.
TEST(ModelDialog, FastMethodIsKeptAndUsedByTheNextRun) {
  testing::TempFolder folder;
  const std::string path = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    EXPECT_FALSE(wintk::checkboxischecked(kFastMethodCheckbox));
    user.click(kProductButton);
    user.click(kFastMethodCheckbox);
    ASSERT_TRUE(user.close_dialog());
    EXPECT_EQ(shell.shell().fit_method, kFastMethod);
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    EXPECT_TRUE(wintk::checkboxischecked(kFastMethodCheckbox));
    ASSERT_TRUE(user.close_dialog());

    responder.queue_answer({true, path});
    ASSERT_TRUE(user.choose(Entry::kOpenData));
    testing::PlotCloser closer(user.main_window());
    ASSERT_TRUE(user.choose(Entry::kRun));
    const std::string report = testing::read_file(folder.file("DATA.out"));
    std::size_t lines = 0;
    for (std::size_t at = report.find("FIT METHOD: FAST"); at != std::string::npos;
         at = report.find("FIT METHOD: FAST", at + 1)) {
      ++lines;
    }
    EXPECT_EQ(lines, 2u);  // one line in each model's block
  });
}

// While "Select Models" is open it stands above the main window as its dialog, and the main
// window's close box (which otherwise ends the program) is refused.
TEST(ChildProcess, MainWindowCloseWhileSelectModelsIsOpen) {
  if (!wintk::testing::in_child()) GTEST_SKIP() << "runs only in a child process";
  run_program(quick_options(), [](Shell& shell, User& user) {
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    const int dialog = shell.shell().model_dialog_window;
    std::printf("owner %s\n",
                wintk::test_input::owner_of(dialog) == user.main_window() ? "main" : "none");
    ASSERT_TRUE(wintk::test_input::request_user_close(user.main_window()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::printf("main window %s\n", wintk::isvalidwindow(user.main_window()) ? "open" : "gone");
    ASSERT_TRUE(user.close_dialog());
  });
  std::exit(7);
}

TEST(ModelDialog, StaysAboveTheMainWindowWhoseCloseWaitsForIt) {
  const auto child =
      wintk::testing::run_child_test("ChildProcess.MainWindowCloseWhileSelectModelsIsOpen");
  EXPECT_EQ(child.exit_code, 7) << child.output;
  EXPECT_NE(child.output.find("owner main"), std::string::npos) << child.output;
  EXPECT_NE(child.output.find("main window open"), std::string::npos) << child.output;
}

// The Windows-era layout is kept where it fits; on smaller screens the window grows so that
// every button lies inside it.
TEST(ModelDialogLayout, FollowsTheScreenAndKeepsTheButtonsInside) {
  const ModelDialogLayout large = model_dialog_layout(1920, 1050);
  EXPECT_EQ(large.width, 518);   // int(1920 / 3.7)
  EXPECT_EQ(large.height, 262);  // H / 2 with H = 525
  EXPECT_EQ(large.left, 518);
  EXPECT_EQ(large.top, 525);
  EXPECT_EQ(large.step, 35);  // H / 15
  for (const auto& [w, h] : {std::pair{1280, 990}, {1024, 738}, {800, 570}}) {
    const ModelDialogLayout layout = model_dialog_layout(w, h);
    EXPECT_GE(layout.width / 2 - 220, 0) << w;                   // Product
    EXPECT_LE(layout.width / 2 + 140 + 100, layout.width) << w;  // Close
    EXPECT_LE(6 * layout.step + 45, layout.height) << w;
    EXPECT_GE(layout.step, 30) << w;  // 25-pixel radio rows do not overlap
    EXPECT_LE(layout.left + layout.width, w) << w;
    EXPECT_LE(layout.top + layout.height, h) << w;
  }
}

}  // namespace
}  // namespace velmor::app
