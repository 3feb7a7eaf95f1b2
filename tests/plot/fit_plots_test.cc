#include "plot/fit_plots.h"

#include <gtest/gtest.h>

#include <thread>

#include "gui/test_input.h"
#include "plot_gui_support.h"
#include "plot_test_data.h"

namespace velmor::plot {
namespace {

using wintk::testing::run_gui;

struct PlotCase {
  const char* name;
  void (*show)(RunState&);
  const char* caption;  // the title's lines joined by a blank
  const char* y_label;
};

class FitPlotsTest : public ::testing::TestWithParam<PlotCase> {};

// The plot returns once its window is closed; then the secondary windows are gone, their slots
// free, and the main window is current again.
TEST_P(FitPlotsTest, ReturnsWhenClosedAndCleansUpTheSecondaryWindows) {
  const PlotCase& c = GetParam();
  run_gui([&] {
    RunState state;
    ASSERT_TRUE(testing::load_example(state));
    state.idactivewin = wintk::initwindow(300, 200, "Main");
    const int dialog = wintk::initwindow(120, 80, "Dialog");
    state.child_windows[3] = dialog;
    wintk::setcurrentwindow(state.idactivewin);
    const int plot_window = dialog + 1;  // ids are handed out in creation order

    std::vector<std::string> captions;
    std::string y_label;
    std::thread user([&] {
      const auto record = testing::wait_drawn_in(plot_window);
      EXPECT_NE(record, nullptr) << "the plot was not drawn";
      if (record) {
        captions = testing::window_captions();
        y_label = record->chart.GetYAxis().label;
      }
      wintk::test_input::request_user_close(plot_window);
    });
    c.show(state);
    user.join();

    EXPECT_NE(std::find(captions.begin(), captions.end(), c.caption), captions.end());
    EXPECT_EQ(y_label, c.y_label);
    EXPECT_FALSE(wintk::isvalidwindow(plot_window));
    EXPECT_FALSE(find_plot_by_window(plot_window));  // destroyed
    EXPECT_FALSE(wintk::isvalidwindow(dialog));
    EXPECT_EQ(state.child_windows[3], -1);
    EXPECT_TRUE(wintk::isvalidwindow(state.idactivewin));
    EXPECT_EQ(wintk::getcurrentwindow(), state.idactivewin);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Plots, FitPlotsTest,
    ::testing::Values(PlotCase{"XyPlot", xyplot, "1- [Pt] vs time Michaelis-Menten", "Product"},
                      PlotCase{"Residuals", resplot,
                               "1- [Pt] vs time Michaelis-Menten Residuals Plot", "RESIDUAL"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FitPlots, WorkWithoutAMainWindow) {
  run_gui([] {
    RunState state;
    ASSERT_TRUE(testing::load_example(state));
    state.imdlno = 3;
    // Ids are never reused in a process: the plot's window is the one after this probe.
    const int probe = wintk::initwindow(10, 10, "probe");
    wintk::closewindow(probe);
    std::string y_label;
    std::thread user([&] {
      const auto record = testing::wait_drawn_in(probe + 1);
      EXPECT_NE(record, nullptr);
      if (record) y_label = record->chart.GetYAxis().label;
      wintk::test_input::request_user_close(probe + 1);
    });
    xyplot(state);
    user.join();
    EXPECT_EQ(y_label, "Substrate");
  });
}

}  // namespace
}  // namespace velmor::plot
