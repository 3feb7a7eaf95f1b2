// The main window and its command loop, driven through the toolkit's test input.
#include "app/info_texts.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

using testing::messages;
using testing::quick_options;
using testing::run_program;
using testing::TempFolder;
using testing::User;

bool open_file(User& user, wintk::RecordingResponder& responder, const std::string& path) {
  responder.queue_answer({true, path});
  return user.choose(Entry::kOpenData);
}

TEST(Shell, StartsWithTheMenusOfTheStartUpAndAHalfScreenWindow) {
  run_program(quick_options(), [](Shell& shell, User& user) {
    // "Turn-ON Robust Wt" is enabled in the greyed "Weight" menu: out of reach until Open.
    EXPECT_EQ(shell.shell().menu.states(), initial_entry_states());
    const EntryStates reachable = reachable_entries(initial_entry_states());
    for (int i = 0; i < kEntryCount; ++i) {
      const Entry entry = static_cast<Entry>(i);
      if (shell.shell().menu.item_id(entry) < 0) continue;  // the two drop-down menus
      EXPECT_EQ(user.enabled(entry), reachable[i]) << entry_info(entry).label;
    }
    EXPECT_FALSE(user.enabled(Entry::kWeightOn));
    const auto client = wintk::test_input::client_size(user.main_window());
    EXPECT_EQ(client.width, static_cast<int>(0.5 * wintk::getmaxwidth()));
    EXPECT_EQ(client.height, static_cast<int>(0.5 * wintk::getmaxheight()));
    EXPECT_TRUE(wintk::test_input::control_enabled(shell.shell().text_box));
  });
}

TEST(Shell, ClosingTheSplashEndsItsWaitEarly) {
  ShellOptions options = quick_options();
  options.splash_ms = 20000;
  const auto begin = std::chrono::steady_clock::now();
  run_program(
      options,
      [&](Shell&, User&) {
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
      },
      [&](Shell& shell) {
        ASSERT_TRUE(testing::wait_for([&] { return shell.shell().main_window >= 0; }));
        const int splash = shell.shell().main_window + 1;
        ASSERT_TRUE(testing::wait_for([&] { return wintk::isvalidwindow(splash); }));
        // No hand is quicker than the splash setting up its close box; after that a close is
        // refused until the splash has drawn its text.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(testing::wait_for([&] {
          wintk::test_input::request_user_close(splash);
          return !wintk::isvalidwindow(splash);
        }));
      });
}

TEST(Shell, OpenCancelledLeavesRunGreyedAndConfirmedKeepsTheNameAsChosen) {
  TempFolder folder;
  const std::string path = testing::copy_example(folder, "Mixed.Case.In");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.choose(Entry::kOpenData));  // nothing queued: cancelled
    EXPECT_EQ(shell.shell().data_file_name, "DATA.IN");
    EXPECT_FALSE(user.enabled(Entry::kRun) || user.enabled(Entry::kRunCurveFit));
    EXPECT_TRUE(user.enabled(Entry::kClear));
    const wintk::DialogRequest request = responder.requests().at(0);
    EXPECT_EQ(request.title, "Enter data file");
    EXPECT_EQ(request.initial_name, std::filesystem::current_path().string() + "/*.in");
    // Clear without an open data file only greys itself.
    ASSERT_TRUE(user.choose(Entry::kClear));
    EXPECT_FALSE(user.enabled(Entry::kClear) || user.enabled(Entry::kClearDisplay));

    ASSERT_TRUE(open_file(user, responder, path));
    EXPECT_EQ(shell.shell().data_file_name, path);
    EXPECT_TRUE(user.enabled(Entry::kRun) && user.enabled(Entry::kEditDataFile));
    EXPECT_FALSE(user.enabled(Entry::kXyPlot) || user.enabled(Entry::kSaveResults));

    // Enter pressed on the proposed pattern, or on a folder, is no choice of a data file.
    for (const std::string& not_a_file : {folder / "*.in", folder.path().string()}) {
      ASSERT_TRUE(open_file(user, responder, not_a_file));
      EXPECT_EQ(shell.shell().data_file_name, "DATA.IN") << not_a_file;
      EXPECT_FALSE(user.enabled(Entry::kRun)) << not_a_file;
      ASSERT_TRUE(open_file(user, responder, path));
    }
  });
}

TEST(Shell, WeightItemsToggleAndClearResetsWeighting) {
  TempFolder folder;
  const std::string path = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(open_file(user, responder, path));
    for (const bool on : {true, false, true}) {
      ASSERT_TRUE(user.choose(on ? Entry::kWeightOn : Entry::kWeightOff));
      EXPECT_EQ(shell.shell().weighting, on ? kRobustWeighting : kNoWeighting);
      EXPECT_EQ(user.enabled(Entry::kWeightOn), !on);
      EXPECT_EQ(user.enabled(Entry::kWeightOff), on);
    }
    ASSERT_TRUE(user.choose(Entry::kClear));
    EXPECT_EQ(shell.shell().weighting, kNoWeighting);
    EXPECT_TRUE(user.enabled(Entry::kWeightOn) && user.enabled(Entry::kRun));
    EXPECT_FALSE(user.enabled(Entry::kWeightOff) || user.enabled(Entry::kClear));
  });
}

TEST(Shell, RunWithoutAnOpenDataFileWarnsAndGreysBothRunEntries) {
  TempFolder folder;
  const std::string path = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.select_models(kProductButton));
    ASSERT_TRUE(open_file(user, responder, path));
    shell.shell().data_file_open = false;  // the Run entries are still enabled
    ASSERT_TRUE(user.choose(Entry::kRun));
    EXPECT_EQ(messages(responder),
              std::vector<std::string>{"Information|No data file open - "
                                       "Warning!\r\nOpen a data file for input."});
    EXPECT_FALSE(user.enabled(Entry::kRun) || user.enabled(Entry::kRunCurveFit));
    EXPECT_FALSE(std::filesystem::exists(folder / "DATA.out"));
  });
}

TEST(Shell, InformationEntriesShowTheirScreens) {
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell&, User& user) {
    for (const Entry e : {Entry::kModelLibrary, Entry::kExampleFile, Entry::kHelp,
                          Entry::kMechanism, Entry::kAboutBar}) {
      ASSERT_TRUE(user.choose(e)) << entry_info(e).label;
    }
    EXPECT_EQ(messages(responder),
              (std::vector<std::string>{
                  "Information|" + model_library_text(), "Information|" + example_file_text(),
                  "Information|" + help_text(), "Information|" + mechanism_text(),
                  "Information|" + about_text()}));
  });
}

// The report in the box can be selected and copied, but typing, pasting or undoing in it does
// not change what Save would write.
TEST(Shell, ResultsBoxIsReadOnlyButSelectableAndCopyable) {
  run_program(quick_options(), [&](Shell& shell, User&) {
    const int box = shell.shell().text_box;
    const std::string report = "   MODEL NAME:  1-\r\n   SAVED TO: DATA.out\r\n";
    wintk::inserttextboxtext(box, report, false);  // as the Run command fills it
    ASSERT_TRUE(wintk::test_input::type_text(box, "typed"));
    ASSERT_TRUE(wintk::test_input::press_keys(box, "Ctrl+Z"));
    ASSERT_TRUE(wintk::test_input::press_keys(box, "Backspace"));
    EXPECT_EQ(wintk::gettextboxcontents(box), report);
    ASSERT_TRUE(wintk::test_input::press_keys(box, "Ctrl+A"));
    ASSERT_TRUE(wintk::test_input::press_keys(box, "Ctrl+C"));
    EXPECT_EQ(wintk::test_input::clipboard_text(), "   MODEL NAME:  1-\n   SAVED TO: DATA.out\n");
  });
}

// The editor gets the data file's name as one argument, however a shell would read it.
TEST(Shell, EditDataFileStartsTheEditorOnTheNameOrGreysWhenItIsGone) {
  TempFolder folder;
  const std::string path = testing::copy_example(folder, "a $(touch pwned) `touch pwned`; 'y'.in");
  const std::string record = folder / "editor_args";
  ::setenv("VISUAL", testing::recording_editor(folder, record).c_str(), 1);
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell&, User& user) {
    ASSERT_TRUE(open_file(user, responder, path));
    ASSERT_TRUE(user.choose(Entry::kEditDataFile));
    ASSERT_TRUE(testing::wait_for([&] { return !testing::read_file(record).empty(); }));
    EXPECT_EQ(testing::read_file(record), "1|" + path);

    std::filesystem::remove(path);
    ASSERT_TRUE(user.choose(Entry::kEditDataFile));
    EXPECT_FALSE(user.enabled(Entry::kEditDataFile));
    EXPECT_TRUE(messages(responder).empty());
  });
  ::unsetenv("VISUAL");
  EXPECT_FALSE(std::filesystem::exists(folder / "pwned") || std::filesystem::exists("pwned"));
}

}  // namespace
}  // namespace velmor::app
