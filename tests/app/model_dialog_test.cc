// SPDX-License-Identifier: MIT
// The "Select Models" window: its buttons, its refused close box and its layout.
#include <algorithm>
#include <numeric>
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
      EXPECT_EQ(shell.result().imdlno, current) << control;
    }
    // The main window takes the user's input again once the dialog is closed; copies use LF.
    const int box = shell.shell().text_box;
    wintk::inserttextboxtext(box, "copied\r\nlines");
    ASSERT_TRUE(wintk::test_input::press_keys(box, "Ctrl+A") &&
                wintk::test_input::press_keys(box, "Ctrl+C"));
    EXPECT_EQ(wintk::test_input::clipboard_text(), "copied\nlines");
    wintk::settextboxcontents(box, std::nullopt);
    ASSERT_TRUE(user.select_models(kSubstrateButton));
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    const int dialog = shell.shell().model_dialog_window;
    wintk::test_input::as_current(dialog, [] {
      for (int k = 0; k < kDialogModels; ++k) {
        EXPECT_EQ(wintk::radiobuttonischecked(kModelRadio[k]), k == 2 || k == 3) << k;
      }
    });
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
    wintk::test_input::as_current(shell.shell().model_dialog_window, [] {
      EXPECT_TRUE(wintk::checkboxischecked(kFastMethodCheckbox) &&
                  wintk::checkboxischecked(kBaselineFreeCheckbox));
    });
    user.click(kProductButton);
    user.click(kModelRadio[4]);
    ASSERT_TRUE(user.close_dialog());
    EXPECT_TRUE(shell.shell().baseline_free);
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

// Captions whole, Tab in the order of the rows, Return and Escape close it; the main window's
// close box ends the program even while the dialog is open.
TEST(ChildProcess, SelectModelsKeysLayoutAndTheMainWindowClosed) {
  if (wintk::testing::child_case().empty()) GTEST_SKIP() << "runs only in a child process";
  run_program(quick_options(), [](Shell& shell, User& user) {
    for (const char* key : {"Return", "Escape"}) {
      ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
      user.click(kModelRadio[1]);
      const int before = shell.commands_handled();
      ASSERT_TRUE(wintk::test_input::press_keys(kModelRadio[1], key));
      ASSERT_TRUE(testing::wait_for([&] { return shell.commands_handled() > before; })) << key;
      std::printf("%s closes with model %d\n", key, shell.shell().model_flags[1].load());
    }
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kModels));
    const int dialog = shell.shell().model_dialog_window;
    std::printf("owner %s\n",
                wintk::test_input::owner_of(dialog) == user.main_window() ? "main" : "none");
    const wintk::test_input::Size client = wintk::test_input::client_size(dialog);
    int cut = 0;
    for (int id = 0; id <= kCloseButton; ++id) {
      const auto box = wintk::test_input::control_geometry(id);
      const wintk::ControlSize needed = wintk::getcontrolpreferredsize(id);
      cut += box.width < needed.width || box.x + box.width > client.width ||
             box.y + box.height > client.height;
    }
    std::printf("cut %d\n", cut);
    std::vector<int> in_order(kCloseButton + 1);
    std::iota(in_order.begin(), in_order.end(), 0);
    std::printf("tab order %s\n", wintk::test_input::tab_order() == in_order ? "rows" : "other");
    ASSERT_TRUE(wintk::test_input::request_user_close(user.main_window()));
    std::this_thread::sleep_for(5s);  // the process ends meanwhile
    std::puts("still running");
  });
  std::exit(7);
}

TEST(ModelDialog, KeysLayoutAndTheMainWindowsCloseBox) {
  const auto child =
      wintk::testing::run_child_test("ChildProcess.SelectModelsKeysLayoutAndTheMainWindowClosed");
  EXPECT_EQ(child.exit_code, 0) << child.output;
  EXPECT_NE(child.output.find("Return closes with model 1\nEscape closes with model 1\n"
                              "owner main\ncut 0\ntab order rows\n"),
            std::string::npos)
      << child.output;
  EXPECT_EQ(child.output.find("still running"), std::string::npos) << child.output;
}

// The layout drawn for the screen where the captions fit; grown for longer ones, never cut.
TEST(ModelDialogLayout, KeepsTheScreensLayoutAndGrowsForLongCaptions) {
  const std::vector<wintk::ControlSize> ten_rows(10, {300, 20}), four_buttons(4, {80, 30});
  const ModelDialogLayout large = model_dialog_layout(1920, 1050, {ten_rows, four_buttons});
  // int(1920 / 3.7) and H / 15 with H = 525, tall enough for the ten rows and the buttons;
  // buttons of 100 x 45 centred, 20 apart
  EXPECT_EQ(std::tuple(large.width, large.height, large.left, large.top),
            std::tuple(518, 435, 518, 525));
  EXPECT_EQ(std::tuple(large.rows[1].x, large.rows[1].y, large.rows[1].h), std::tuple(60, 70, 25));
  EXPECT_EQ(
      std::tuple(large.buttons[0].x, large.buttons[3].x, large.buttons[0].y, large.buttons[0].w),
      std::tuple(518 / 2 - 220, 518 / 2 + 140, 11 * 35, 100));

  const std::vector<wintk::ControlSize> long_rows = {
      {640, 24}, {900, 31}, {400, 24}, {700, 24}, {880, 24}};
  const std::vector<wintk::ControlSize> wide_buttons(4, {200, 50});
  for (const auto& [w, h] : {std::pair(1920, 1050), std::pair(1024, 740)}) {
    const ModelDialogLayout l = model_dialog_layout(w, h, {long_rows, wide_buttons});
    EXPECT_TRUE(l.left >= 0 && l.top >= 0 && l.left + l.width <= w && l.top + l.height <= h) << w;
    for (std::size_t i = 0; i < l.rows.size(); ++i) {
      const ControlBox& r = l.rows[i];
      EXPECT_TRUE(r.w >= long_rows[i].width && r.h >= long_rows[i].height) << w << " row " << i;
      EXPECT_LE(r.x + r.w, l.width);
      if (i > 0) {
        EXPECT_GE(r.y, l.rows[i - 1].y + l.rows[i - 1].h) << i;
      }
    }
    for (std::size_t i = 0; i < l.buttons.size(); ++i) {
      const ControlBox& b = l.buttons[i];
      EXPECT_TRUE(b.w >= 200 && b.h >= 50 && b.x >= 0 && b.x + b.w <= l.width &&
                  b.y >= l.rows.back().y + l.rows.back().h && b.y + b.h <= l.height)
          << w << " button " << i;
      if (i > 0) {
        EXPECT_GE(b.x, l.buttons[i - 1].x + l.buttons[i - 1].w);
      }
    }
  }
}

}  // namespace
}  // namespace velmor::app
