// SPDX-License-Identifier: MIT
// The main window and its command loop, driven through the toolkit's test input.
#include "app/info_texts.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

using namespace std::chrono_literals;
using testing::messages;
using testing::quick_options;
using testing::run_program;
using testing::TempFolder;
using testing::User;

// Start-up, the reachable entries, and every command before a run; the editor gets one name.
TEST(Shell, StartUpTheResultsBoxAndCommandsBeforeARun) {
  TempFolder folder;
  const std::string path = testing::copy_example(folder, "a $(touch pwned) `touch pwned`; 'y'.In");
  const std::string record = folder.file("editor_args");
  ::setenv("VISUAL", testing::recording_editor(folder, record).c_str(), 1);
  wintk::RecordingResponder responder;
  ShellOptions options = quick_options();
  options.splash_ms = 20000;
  const auto begin = std::chrono::steady_clock::now();
  const auto close_splash = [](Shell& shell) {
    ASSERT_TRUE(testing::wait_for([&] { return shell.shell().main_window >= 0; }));
    const int splash = shell.shell().main_window + 1;
    ASSERT_TRUE(testing::wait_for([&] { return wintk::isvalidwindow(splash); }));
    // A close is refused until the splash has drawn its text; no hand is quicker than 100 ms.
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(testing::wait_for([&] {
      wintk::test_input::request_user_close(splash);
      return !wintk::isvalidwindow(splash);
    }));
  };
  run_program(
      options,
      [&](Shell& shell, User& user) {
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
        const std::set<Entry> reachable = {
            Entry::kOpenData,     Entry::kModels,    Entry::kHelp,         Entry::kAboutBar,
            Entry::kQuitBar,      Entry::kMechanism, Entry::kModelLibrary, Entry::kExampleFile,
            Entry::kOpenDataFile, Entry::kAboutFile, Entry::kQuitFile};
        for (int i = 0; i < kEntryCount; ++i) {
          const Entry entry = static_cast<Entry>(i);
          if (shell.shell().menu.item_id(entry) < 0) continue;  // the two drop-down menus
          EXPECT_EQ(user.enabled(entry), reachable.count(entry) == 1) << entry_info(entry).label;
        }
        const int box = shell.shell().text_box;
        const std::string report = "   MODEL NAME:  1-\r\n   SAVED TO: DATA.out\r\n";
        wintk::inserttextboxtext(box, report, false);  // as the Run command fills it
        for (const char* keys : {"Ctrl+Z", "Backspace"}) {
          ASSERT_TRUE(wintk::test_input::type_text(box, "typed"));
          ASSERT_TRUE(wintk::test_input::press_keys(box, keys));
        }
        EXPECT_EQ(wintk::gettextboxcontents(box), report);
        wintk::settextboxcontents(box, std::nullopt);
        const std::pair<Entry, std::string (*)()> screens[] = {
            {Entry::kModelLibrary, model_library_text},
            {Entry::kExampleFile, example_file_text},
            {Entry::kHelp, help_text},
            {Entry::kMechanism, mechanism_text},
            {Entry::kAboutBar, about_text}};
        for (const auto& [entry, text] : screens) {
          ASSERT_TRUE(user.choose(entry)) << entry_info(entry).label;
          EXPECT_EQ(testing::last_message(responder), "Information|" + text());
        }

        // A cancelled Open, or Enter pressed on the proposed pattern, leaves Run greyed.
        ASSERT_TRUE(user.choose(Entry::kOpenData));
        EXPECT_EQ(responder.requests().back().initial_name,
                  std::filesystem::current_path().string() + "/*.in");
        ASSERT_TRUE(user.open(responder, folder.file("*.in")));
        EXPECT_EQ(shell.shell().data_file_name, "DATA.IN");
        EXPECT_FALSE(user.enabled(Entry::kRun) || user.enabled(Entry::kRunCurveFit));
        // A confirmed Open keeps the name as chosen, case included.
        ASSERT_TRUE(user.open(responder, path));
        EXPECT_EQ(shell.shell().data_file_name, path);
        EXPECT_TRUE(user.enabled(Entry::kRun) && user.enabled(Entry::kEditDataFile));
        EXPECT_FALSE(user.enabled(Entry::kXyPlot) || user.enabled(Entry::kSaveResults));

        ASSERT_TRUE(user.choose(Entry::kEditDataFile));
        ASSERT_TRUE(testing::wait_for([&] { return !testing::read_file(record).empty(); }));
        EXPECT_EQ(testing::read_file(record), "1|" + path);
        // Edit of a file that has gone greys the entry, without a message.
        const std::size_t shown = messages(responder).size();
        std::filesystem::rename(path, folder.file("moved.in"));
        ASSERT_TRUE(user.choose(Entry::kEditDataFile));
        EXPECT_FALSE(user.enabled(Entry::kEditDataFile));
        EXPECT_EQ(messages(responder).size(), shown);

        for (const bool on : {true, false, true}) {
          ASSERT_TRUE(user.choose(on ? Entry::kWeightOn : Entry::kWeightOff));
          EXPECT_EQ(shell.shell().weighting, on ? kRobustWeighting : kNoWeighting);
          EXPECT_EQ(user.enabled(Entry::kWeightOn), !on);
          EXPECT_EQ(user.enabled(Entry::kWeightOff), on);
        }
        ASSERT_TRUE(user.choose(Entry::kClear));  // Clear turns weighting off
        EXPECT_TRUE(shell.shell().weighting == kNoWeighting && user.enabled(Entry::kRun));
        EXPECT_FALSE(user.enabled(Entry::kWeightOff) || user.enabled(Entry::kClear));
      },
      close_splash);
  ::unsetenv("VISUAL");
  EXPECT_FALSE(std::filesystem::exists(folder.file("pwned")) || std::filesystem::exists("pwned"));
}

}  // namespace
}  // namespace velmor::app
