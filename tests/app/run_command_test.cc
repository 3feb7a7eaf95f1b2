// SPDX-License-Identifier: MIT
// The Run command end to end: the fit, plots, report, menus, Save, failures and endings.
#include <fstream>
#include <regex>
#include <sstream>

#include "app/batch/batch_run.h"
#include "app/results_text.h"
#include "engine/data/data_file_names.h"
#include "plot/plot_record.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

using testing::messages;
using testing::PlotCloser;
using testing::quick_options;
using testing::read_file;
using testing::run_program;
using testing::TempFolder;
using testing::User;
using testing::wait_for;

// Save loses nothing: the data file (refused) or "No" to replacing keep Save and Run enabled.
TEST(RunCommand, CompleteRunOfTheExampleThenSavePlotsAndClear) {
  TempFolder folder;
  const std::string data = testing::copy_example(folder, "Data.In");
  const std::string report = folder.file("Data.out");
  const std::string other = folder.write("notes.txt", "keep me\n");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.select_models(kProductButton));
    ASSERT_TRUE(user.open(responder, data));
    PlotCloser closer(user.main_window());
    ASSERT_TRUE(user.choose(Entry::kRun));
    EXPECT_TRUE(messages(responder).empty()) << messages(responder).front();
    EXPECT_EQ(shell.result().global_mdl_count, 2);
    EXPECT_TRUE(closer.closed_becomes(2)) << closer.closed();  // one plot per model, waited for
    // The box shows the report without the closing line the file has.
    const std::string file = read_file(report);
    const std::size_t closing = file.rfind("   Results written to ");
    EXPECT_EQ(file.substr(closing), "   Results written to " + report + "\n");
    std::istringstream before_closing_line(file.substr(0, closing));
    const std::string box = wintk::gettextboxcontents(shell.shell().text_box);
    EXPECT_EQ(box, report_text_for_box(before_closing_line));
    EXPECT_TRUE(user.enabled(Entry::kXyPlotFile) && user.enabled(Entry::kResiduals));

    // Export Summary writes the batch mode's summary of the same run.
    const std::string exported = folder.file("fits.csv");
    responder.queue_answer({true, exported});
    ASSERT_TRUE(user.choose(Entry::kExportSummary));
    CommandLine batch;
    batch.inputs = {data};
    batch.models = {1, 1, 0, 0};
    batch.summary_file = folder.file("batch.csv");
    std::ostringstream out, err;
    ASSERT_EQ(run_batch(batch, out, err), 0) << err.str();
    EXPECT_EQ(read_file(exported), read_file(batch.summary_file));

    const std::string original = read_file(data);
    const auto can_retry = [&] {
      return user.enabled(Entry::kSaveResults) && user.enabled(Entry::kRun);
    };
    responder.queue_answer({true, data});
    ASSERT_TRUE(user.choose(Entry::kSaveResults));
    EXPECT_EQ(testing::last_message(responder), std::string("Warning|") + kMsgSaveOverData + data);
    EXPECT_EQ(read_file(data), original);
    EXPECT_TRUE(can_retry());
    for (const bool replace : {false, true}) {
      responder.queue_answer({true, other});
      responder.queue_answer({replace, {}});  // the answer to "replace it?"
      ASSERT_TRUE(user.choose(Entry::kSaveResults));
      EXPECT_EQ(read_file(other),
                replace ? std::regex_replace(box, std::regex("\r\n"), "\n") : "keep me\n");
      EXPECT_EQ(can_retry(), !replace);
    }
    EXPECT_TRUE(user.enabled(Entry::kRun));  // a data file is still loaded
    EXPECT_EQ(responder.requests().back().text, other + kMsgReplaceQuestion);

    ASSERT_TRUE(user.choose(Entry::kXyPlot));
    ASSERT_TRUE(user.choose(Entry::kResiduals));
    EXPECT_TRUE(closer.closed_becomes(4)) << closer.closed();
    ASSERT_TRUE(user.choose(Entry::kClear));
    EXPECT_EQ(wintk::gettextboxlength(shell.shell().text_box), 0);
    EXPECT_FALSE(user.enabled(Entry::kSaveResults) || user.enabled(Entry::kXyPlot));
  });
}

// Each plot closed by its user the moment it is shown: every run and plot command completes, and
// the program goes on until Quit, leaving only the data and the report.
TEST(RunCommand, PlotsClosedTheMomentTheyAreShown) {
  TempFolder folder;
  const std::string data = testing::copy_example(folder, "DATA.IN");
  const std::string report = report_name_for(data);
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell&, User& user) {
    ASSERT_TRUE(user.select_models(kProductButton));
    ASSERT_TRUE(user.open(responder, data));
    wintk::test_input::close_when_shown("Plot");
    for (int run = 0; run < 3; ++run) {
      std::filesystem::remove(report);
      ASSERT_TRUE(user.choose(Entry::kRun));
      EXPECT_NE(read_file(report).find("Results written to"), std::string::npos) << run;
    }
    EXPECT_TRUE(user.choose(Entry::kXyPlot) && user.choose(Entry::kResiduals));
    wintk::test_input::close_when_shown("");
    EXPECT_TRUE(messages(responder).empty()) << messages(responder).front();
  });
  EXPECT_EQ(velmor::testing::file_names_in(folder.path()),
            (std::set<std::string>{"DATA.IN", "DATA.out"}));
}

// Substrate models on product data warn; failed fits leave the plots on the last good run.
TEST(RunCommand, WrongModelTypeAndFailedFitsKeepTheLastSuccessfulRunOnThePlots) {
  TempFolder folder;
  const std::string data = testing::copy_example(folder, "DATA.IN");
  const std::string failing =
      folder.write("Fails.in", "0 50 0.5\n40 50 13.7\n120 50 1e300\n160 50 42.6\n200 50 45.4\n");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.select_models(kSubstrateButton));
    ASSERT_TRUE(user.open(responder, data));
    ASSERT_TRUE(user.choose_and_wait_for_dialog(Entry::kRun));
    EXPECT_EQ(messages(responder),
              std::vector<std::string>{"Information|THE WRONG MODEL TYPE WAS SELECTED!\r\n"
                                       "THE DATA SUGGESTS A PRODUCT vs TIME MODEL INSTEAD."});
    user.click(kModelRadio[0]);
    ASSERT_TRUE(user.close_dialog());
    EXPECT_FALSE(std::filesystem::exists(folder.file("DATA.out")));
    EXPECT_EQ(
        std::pair(shell.result().global_mdl_count, wintk::gettextboxlength(shell.shell().text_box)),
        std::pair(0, 0));

    std::vector<std::string> titles;
    PlotCloser closer(user.main_window(), [&](int window) {
      const auto plot = plot::find_plot_by_window(window);
      if (!plot) return;
      const std::lock_guard lock(plot->chart_mutex);
      titles.push_back(plot->chart.GetTitle());
    });
    ASSERT_TRUE(user.choose(Entry::kRun));
    ASSERT_TRUE(user.open(responder, failing));
    ASSERT_TRUE(user.choose(Entry::kRun));
    EXPECT_EQ(messages(responder).size(), 3u);
    EXPECT_EQ(testing::last_message(responder),
              "Error|No model could be fitted to these data: every fit failed");

    ASSERT_TRUE(user.choose(Entry::kXyPlot));
    ASSERT_TRUE(user.choose(Entry::kResiduals));
    // The failed run shows its own fit as it goes, then the plots show the last good run.
    const std::string title = "1- [Pt] vs time Michaelis-Menten - ";
    EXPECT_EQ(titles,
              (std::vector<std::string>{title + "DATA.IN", title + "Fails.in", title + "DATA.IN",
                                        title + "DATA.IN\r\nResiduals Plot"}));
  });
}

// A batch run on a file being run is refused; an unwritable report; Quit while a run shows a plot.
TEST(RunCommand, ConcurrentBatchRunUnwritableReportAndQuitDuringARun) {
  TempFolder folder;
  const std::string data = testing::copy_example(folder, "DATA.IN");
  const std::string report = report_name_for(data);
  wintk::RecordingResponder responder;
  int batch_status = -1;
  std::ostringstream batch_out, batch_err;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.select_models(kModelRadio[0]));
    ASSERT_TRUE(user.open(responder, data));
    {
      PlotCloser closer(user.main_window(), [&](int) {
        CommandLine batch;
        batch.mode = CommandLine::Mode::kBatch;
        batch.inputs = {data};
        batch_status = run_batch(batch, batch_out, batch_err);
        std::filesystem::create_directory(report);
      });
      ASSERT_TRUE(user.choose(Entry::kRun));
      EXPECT_TRUE(closer.closed_becomes(1)) << closer.closed();
    }
    EXPECT_EQ(batch_status, 3);
    EXPECT_NE(batch_err.str().find("Warning: The file is in use by another run: " + report),
              std::string::npos)
        << batch_err.str();
    EXPECT_EQ(messages(responder),
              std::vector<std::string>{"Information|Textbox Data File Write - Fatal error!\r\n"
                                       "The output file name is a folder: " +
                                       report});
    EXPECT_TRUE(std::filesystem::is_directory(report));
    EXPECT_TRUE(shell.result().global_mdl_count == 1 && user.enabled(Entry::kRun));

    std::filesystem::remove(report);
    ASSERT_TRUE(user.select_models(kProductButton));
    // Quit while the first model's plot is up: that plot goes without the user's close, the
    // second model is fitted without a plot, the report is whole and the program ends.
    std::atomic<bool> quit_chosen{false};
    PlotCloser closer(
        user.main_window(),
        [&](int) {
          if (quit_chosen) return;
          quit_chosen = wintk::test_input::trigger_menu_item(
              user.main_window(), shell.shell().menu.item_id(Entry::kQuitBar));
        },
        [](int id) { return wait_for([&] { return !wintk::isvalidwindow(id); }); });
    ASSERT_TRUE(user.choose(Entry::kRun));
    EXPECT_TRUE(quit_chosen);
    EXPECT_TRUE(wait_for([&] { return shell.ended(); }, std::chrono::seconds(5)));
    EXPECT_TRUE(closer.closed_becomes(1));
    EXPECT_EQ(shell.result().global_mdl_count, 2);
    EXPECT_NE(read_file(report).find("Results written to"), std::string::npos);
  });
}

// The user closes the main window while the run shows its first plot: the program ends at once.
TEST(ChildProcess, MainWindowClosedDuringARun) {
  if (wintk::testing::child_case().empty()) GTEST_SKIP() << "runs only in a child process";
  const std::string data = std::getenv("VELMOR_CHILD_DATA");
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.select_models(kProductButton));
    ASSERT_TRUE(user.open(responder, data));
    PlotCloser closer(user.main_window(), [&](int) {
      wintk::test_input::request_user_close(user.main_window());
      std::this_thread::sleep_for(std::chrono::seconds(20));  // the process ends meanwhile
    });
    user.choose(Entry::kRun);
    std::puts("the run went on");
  });
  std::exit(7);
}

// A run ended by closing the main window leaves the previous report whole and nothing beside it.
TEST(RunCommand, ClosingTheMainWindowDuringARunLeavesThePreviousReportWhole) {
  TempFolder folder;
  const std::string data = testing::copy_example(folder, "DATA.IN");
  const std::string previous = "the previous run's report\n";
  std::ofstream(report_name_for(data), std::ios::binary) << previous;
  ::setenv("VELMOR_CHILD_DATA", data.c_str(), 1);
  const auto child = wintk::testing::run_child_test("ChildProcess.MainWindowClosedDuringARun");
  ::unsetenv("VELMOR_CHILD_DATA");
  EXPECT_EQ(child.exit_code, 0) << child.output;
  EXPECT_EQ(child.output.find("the run went on"), std::string::npos) << child.output;
  EXPECT_EQ(read_file(report_name_for(data)), previous);
  EXPECT_EQ(velmor::testing::file_names_in(folder.path()),
            (std::set<std::string>{"DATA.IN", "DATA.out"}));
}

}  // namespace
}  // namespace velmor::app
