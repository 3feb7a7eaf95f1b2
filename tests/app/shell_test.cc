// The main window and its command loop, driven through the toolkit's test input.
#include <unistd.h>

#include "app/info_texts.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

using testing::messages;
using testing::quick_options;
using testing::run_program;
using testing::TempFolder;
using testing::User;
using testing::wait_for;

// Opens `path` through the Open dialog, answered by the responder.
bool open_file(User& user, wintk::RecordingResponder& responder, const std::string& path) {
  responder.queue_answer({true, path});
  return user.choose(Entry::kOpenData);
}

TEST(Shell, StartsWithTheMainWindowMenusAndTextBoxOfTheStartUp) {
  run_program(quick_options(), [](Shell& shell, User& user) {
    const EntryStates initial = initial_entry_states();
    for (int i = 0; i < kEntryCount; ++i) {
      const Entry entry = static_cast<Entry>(i);
      if (shell.shell().menu.item_id(entry) < 0) continue;  // the two drop-down menus
      EXPECT_EQ(user.enabled(entry), initial[i]) << entry_info(entry).label;
    }
    EXPECT_EQ(shell.shell().menu.states(), initial);
    EXPECT_EQ(shell.shell().weighting, kNoWeighting);
    EXPECT_FALSE(shell.shell().data_file_open);
    // Half the usable screen, with the text box filling it but for a 5-pixel margin.
    const auto client = wintk::test_input::client_size(user.main_window());
    EXPECT_EQ(client.width, static_cast<int>(0.5 * wintk::getmaxwidth()));
    EXPECT_EQ(client.height, static_cast<int>(0.5 * wintk::getmaxheight()));
    EXPECT_TRUE(wintk::test_input::control_enabled(shell.shell().text_box));
    EXPECT_TRUE(wintk::test_input::control_visible(shell.shell().text_box));
    EXPECT_EQ(wintk::getcurrentwindow(), user.main_window());
  });
}

TEST(Shell, ClosingTheSplashEndsItsWaitEarly) {
  ShellOptions options = quick_options();
  options.splash_ms = 20000;
  const auto begin = std::chrono::steady_clock::now();
  bool splash_seen = false;
  run_program(
      options,
      [&](Shell&, User&) {
        EXPECT_TRUE(splash_seen);
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
      },
      [&](Shell& shell) {
        ASSERT_TRUE(wait_for([&] { return shell.shell().main_window >= 0; }));
        const int splash = shell.shell().main_window + 1;
        splash_seen = wait_for([&] { return wintk::isvalidwindow(splash); });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        wintk::test_input::request_user_close(splash);
      });
}

TEST(Shell, CancelledOpenLeavesRunDisabledAndNamesDataIn) {
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.choose(Entry::kOpenData));
    EXPECT_EQ(shell.shell().data_file_name, "DATA.IN");
    EXPECT_FALSE(shell.shell().data_file_open);
    EXPECT_FALSE(user.enabled(Entry::kRun));
    EXPECT_FALSE(user.enabled(Entry::kRunCurveFit));
    EXPECT_TRUE(user.enabled(Entry::kClear));
    EXPECT_TRUE(user.enabled(Entry::kClearDisplay));
    // The dialog opened in the working folder, joined with '/', on the *.in files.
    const auto requests = responder.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, wintk::DialogKind::kOpenFile);
    EXPECT_EQ(requests[0].title, "Enter data file");
    EXPECT_EQ(requests[0].initial_name, std::filesystem::current_path().string() + "/*.in");
    EXPECT_EQ(requests[0].filter, "*.in (*.in);;All Files (*.*)");
    // Clear without an open data file only greys itself.
    ASSERT_TRUE(user.choose(Entry::kClear));
    EXPECT_FALSE(user.enabled(Entry::kClear));
    EXPECT_FALSE(user.enabled(Entry::kClearDisplay));
  });
}

TEST(Shell, OpenedFileKeepsTheCaseOfItsName) {
  TempFolder folder;
  const std::string path = testing::copy_example(folder, "MixedCase.Dat.In");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(open_file(user, responder, path));
    EXPECT_EQ(shell.shell().data_file_name, path);
    EXPECT_TRUE(shell.shell().data_file_open);
    for (const Entry e : {Entry::kRun, Entry::kRunCurveFit, Entry::kEditDataFile, Entry::kClear}) {
      EXPECT_TRUE(user.enabled(e)) << entry_info(e).label;
    }
    for (const Entry e : {Entry::kXyPlot, Entry::kResiduals, Entry::kSaveResults,
                          Entry::kPrintResults, Entry::kXyPlotFile}) {
      EXPECT_FALSE(user.enabled(e)) << entry_info(e).label;
    }
    EXPECT_TRUE(shell.shell().menu.enabled(Entry::kWeight));
  });
}

TEST(Shell, WeightItemsToggleAndClearResetsWeighting) {
  TempFolder folder;
  const std::string path = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(open_file(user, responder, path));
    ASSERT_TRUE(user.choose(Entry::kWeightOn));
    EXPECT_EQ(shell.shell().weighting, kRobustWeighting);
    EXPECT_FALSE(user.enabled(Entry::kWeightOn));
    EXPECT_TRUE(user.enabled(Entry::kWeightOff));
    ASSERT_TRUE(user.choose(Entry::kWeightOff));
    EXPECT_EQ(shell.shell().weighting, kNoWeighting);
    EXPECT_TRUE(user.enabled(Entry::kWeightOn));
    EXPECT_FALSE(user.enabled(Entry::kWeightOff));

    ASSERT_TRUE(user.choose(Entry::kWeightOn));
    ASSERT_TRUE(user.choose(Entry::kClear));
    EXPECT_EQ(shell.shell().weighting, kNoWeighting);
    EXPECT_TRUE(user.enabled(Entry::kWeightOn));
    EXPECT_FALSE(user.enabled(Entry::kWeightOff));
    EXPECT_FALSE(user.enabled(Entry::kClear));
    EXPECT_TRUE(user.enabled(Entry::kRun));
  });
}

TEST(Shell, RunWithoutAnOpenDataFileWarnsAndGreysBothRunEntries) {
  TempFolder folder;
  const std::string path = testing::copy_example(folder, "DATA.IN");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.select_models(kProductButton));
    ASSERT_TRUE(open_file(user, responder, path));
    ASSERT_TRUE(user.enabled(Entry::kRun));
    // The file is no longer open, but the Run entries still are.
    shell.shell().data_file_open = false;
    ASSERT_TRUE(user.choose(Entry::kRun));
    const auto shown = messages(responder);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Information|No data file open - Warning!\r\nOpen a data file for input.");
    EXPECT_FALSE(user.enabled(Entry::kRun));
    EXPECT_FALSE(user.enabled(Entry::kRunCurveFit));
    EXPECT_FALSE(std::filesystem::exists(folder / "DATA.out"));
  });
}

TEST(Shell, InformationScreensShowTheirTexts) {
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

TEST(Shell, EditDataFilePassesTheNameAsOneArgumentToTheEditor) {
  TempFolder folder;
  // A name a shell would take apart and run.
  const std::string path =
      testing::copy_example(folder, "run $(touch pwned) `touch pwned2`; x 'y'.in");
  const std::string record = folder / "editor_args";
  const std::string script = folder / "editor.sh";
  std::ofstream(script) << "printf '%s|%s' \"$#\" \"$1\" > \"" << record << "\"\n";
  const char* previous = std::getenv("VISUAL");
  const std::string saved = previous ? previous : "";
  ::setenv("VISUAL", ("/bin/sh " + script).c_str(), 1);
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell&, User& user) {
    ASSERT_TRUE(open_file(user, responder, path));
    ASSERT_TRUE(user.choose(Entry::kEditDataFile));
    // The program did not wait for the editor; it writes its record on its own time.
    ASSERT_TRUE(
        wait_for([&] { return testing::read_file(record).find('|') != std::string::npos; }));
    EXPECT_EQ(testing::read_file(record), "1|" + path);
    EXPECT_TRUE(testing::messages(responder).empty());
  });
  if (previous) {
    ::setenv("VISUAL", saved.c_str(), 1);
  } else {
    ::unsetenv("VISUAL");
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "pwned"));
  EXPECT_FALSE(std::filesystem::exists("pwned"));
  EXPECT_FALSE(std::filesystem::exists("pwned2"));
}

TEST(Shell, EditOfAMissingDataFileGreysTheEntry) {
  TempFolder folder;
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell&, User& user) {
    ASSERT_TRUE(open_file(user, responder, folder / "gone.in"));
    ASSERT_TRUE(user.enabled(Entry::kEditDataFile));
    ASSERT_TRUE(user.choose(Entry::kEditDataFile));
    EXPECT_FALSE(user.enabled(Entry::kEditDataFile));
    EXPECT_TRUE(messages(responder).empty());
  });
}

}  // namespace
}  // namespace velmor::app
