// SPDX-License-Identifier: MIT
// The window's way in for plate exports: OpenData of an export asks for the set-up, with the
// layout found beside the data filled in; Run fits each group and shows every group's report.
#include "app/plate_setup_dialog.h"
#include "plate_exports.h"
#include "shell_test_support.h"

namespace velmor::app {
namespace {

using testing::quick_options;
using testing::run_program;
using testing::User;

TEST(PlateSetup, FieldsBecomeOptionsOrAreExplained) {
  testing::TempFolder folder;
  const std::string layout = folder.write("p.layout.csv", "well,S0\nA1,5\n");
  ImportOptions options;
  EXPECT_EQ(setup_options({layout, " 0.01008 ", "auto", "p1", ""}, options), "");
  EXPECT_EQ(std::tie(options.layout_file, options.signal_per_conc, options.blank, options.species),
            std::tuple(layout, 0.01008, BlankMode::kAuto, "p1"));
  EXPECT_EQ(setup_options({"", "", "-0.045", "", ""}, options), "");
  EXPECT_EQ(
      std::tie(options.layout_file, options.signal_per_conc, options.blank, options.blank_value),
      std::tuple("", 0.0, BlankMode::kValue, -0.045));
  // Refusals leave the options as they were.
  const ImportOptions before = options;
  EXPECT_EQ(setup_options({"", "0", "", "", ""}, options), std::string(kMsgBadSignalPerConc) + "0");
  EXPECT_EQ(setup_options({"", "1e-2x", "", "", ""}, options),
            std::string(kMsgBadSignalPerConc) + "1e-2x");
  EXPECT_EQ(setup_options({"", "", "nan", "", ""}, options), std::string(kMsgBadBlank) + "nan");
  EXPECT_EQ(setup_options({folder.file("none.csv"), "", "", "", ""}, options),
            "The layout file does not exist: " + folder.file("none.csv"));
  EXPECT_EQ(options.blank_value, before.blank_value);
  // Shown again as the fields: the layout beside the data when none is given.
  const SetupFields shown = setup_fields(before, folder.file("p.txt"));
  EXPECT_EQ(std::tie(shown.layout, shown.signal_per_conc, shown.blank),
            std::tuple(layout, "", "-0.045"));
}

TEST(PlateSetup, OpenDataAsksAndRunFitsEachGroup) {
  testing::TempFolder folder;
  const velmor::testing::PlateRun plate = velmor::testing::simulate_plate({});
  folder.write("gen5.layout.csv", velmor::testing::layout_csv(plate));
  const std::string data = folder.write(
      "gen5.txt", velmor::testing::export_text(plate, velmor::testing::ExportLayout::kGen5));
  wintk::RecordingResponder responder;
  run_program(quick_options(), [&](Shell& shell, User& user) {
    ASSERT_TRUE(user.select_models(kModelRadio[0]));
    responder.queue_answer({true, data});
    const int before = shell.commands_handled();
    ASSERT_TRUE(wintk::test_input::trigger_menu_item(user.main_window(),
                                                     shell.shell().menu.item_id(Entry::kOpenData)));
    ASSERT_TRUE(testing::wait_for([&] { return shell.shell().setup_dialog_window >= 0; }));
    const int dialog = shell.shell().setup_dialog_window;
    wintk::test_input::as_current(dialog, [&] {
      EXPECT_EQ(wintk::gettextboxcontents(kSetupLayoutBox), folder.file("gen5.layout.csv"));
    });
    // A value that is not a number is explained and the dialog stays.
    ASSERT_TRUE(wintk::test_input::type_text(kSetupSignalBox, "A405"));
    ASSERT_TRUE(wintk::test_input::click_control(kSetupOkButton));
    ASSERT_TRUE(testing::wait_for([&] {
      return testing::last_message(responder) ==
             std::string("Warning|") + kMsgBadSignalPerConc + "A405";
    }));
    EXPECT_GE(shell.shell().setup_dialog_window, 0);
    wintk::test_input::as_current(dialog,
                                  [] { wintk::settextboxcontents(kSetupSignalBox, std::nullopt); });
    ASSERT_TRUE(wintk::test_input::type_text(kSetupSignalBox, "0.01008"));
    ASSERT_TRUE(wintk::test_input::click_control(kSetupOkButton));
    ASSERT_TRUE(testing::wait_for([&] { return shell.commands_handled() > before; }));
    EXPECT_EQ(shell.shell().import_options.signal_per_conc, 0.01008);

    testing::PlotCloser closer(user.main_window());
    ASSERT_TRUE(user.choose(Entry::kRun));
    EXPECT_EQ(closer.closed(), 3);  // one fit picture per group
    std::string shown;
    wintk::test_input::as_current(
        user.main_window(), [&] { shown = wintk::gettextboxcontents(shell.shell().text_box); });
    for (const char* group : {"rep1", "rep2", "rep3"}) {
      EXPECT_NE(shown.find(std::string("GROUP: ") + group), std::string::npos) << group;
      EXPECT_TRUE(std::filesystem::exists(folder.file("gen5." + std::string(group) + ".out")));
    }
    ASSERT_TRUE(shell.shell().last_run.has_value());
    const FileResult& run = *shell.shell().last_run;
    ASSERT_EQ(run.groups.size(), 3u);
    for (const FileResult& group : run.groups) {
      ASSERT_EQ(group.record.fits.size(), 1u);
      const ModelFit& fit = group.record.fits[0];
      EXPECT_NEAR(fit.p[0], plate.design.km, 4.0 * fit.se[0]);
    }
    EXPECT_EQ(shell.result().data.time_unit, "s");  // the plots' axes can say so
  });
}

}  // namespace
}  // namespace velmor::app
