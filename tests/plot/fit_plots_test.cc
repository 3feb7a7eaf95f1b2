#include "plot/fit_plots.h"

#include <gtest/gtest.h>

#include <thread>

#include "gui/test_input.h"
#include "plot_test_support.h"

namespace velmor::plot {
namespace {

using wintk::testing::run_gui;

struct PlotCase {
  const char* name;
  void (*show)(RunState&);
  ModelId model;
  bool main_window;     // the program's main window and an open dialog, else no window at all
  const char* caption;  // the title's lines joined by a blank
  const char* y_label;
};

class FitPlotsTest : public ::testing::TestWithParam<PlotCase> {};

// The plot returns once its window is closed; then the plot is destroyed, the secondary
// windows are gone with their slots free, and the main window is current again.
TEST_P(FitPlotsTest, ReturnsWhenClosedAndCleansUpTheSecondaryWindows) {
  const PlotCase& c = GetParam();
  run_gui([&] {
    RunState state;
    ASSERT_TRUE(testing::load_example(state));
    state.imdlno = c.model;
    int dialog = -1;
    if (c.main_window) {
      state.idactivewin = wintk::initwindow(300, 200, "Main");
      dialog = wintk::initwindow(120, 80, "Dialog");
      state.child_windows[3] = dialog;
      wintk::setcurrentwindow(state.idactivewin);
    } else {
      dialog = wintk::initwindow(10, 10, "probe");
      wintk::closewindow(dialog);
    }
    const int plot_window = dialog + 1;  // ids are handed out in creation order, never reused

    bool captioned = false;
    std::string y_label;
    std::thread user([&] {
      const auto record = testing::wait_drawn_in(plot_window);
      EXPECT_NE(record, nullptr) << "the plot was not drawn";
      if (record) {
        captioned = testing::with_window_captioned(c.caption);
        y_label = record->chart.GetYAxis().label;
      }
      wintk::test_input::request_user_close(plot_window);
    });
    c.show(state);
    user.join();

    EXPECT_TRUE(captioned);
    EXPECT_EQ(y_label, c.y_label);
    EXPECT_FALSE(wintk::isvalidwindow(plot_window));
    EXPECT_FALSE(find_plot_by_window(plot_window));
    if (c.main_window) {
      EXPECT_FALSE(wintk::isvalidwindow(dialog));
      EXPECT_EQ(state.child_windows[3], -1);
      EXPECT_TRUE(wintk::isvalidwindow(state.idactivewin));
      EXPECT_EQ(wintk::getcurrentwindow(), state.idactivewin);
    }
  });
}

// The model's name and the data file's (the run-wide state's default, "Data.in").
constexpr const char* kTitle = "1- [Pt] vs time Michaelis-Menten - Data.in";

INSTANTIATE_TEST_SUITE_P(
    Plots, FitPlotsTest,
    ::testing::Values(
        PlotCase{"XyPlot", xyplot, 1, true, kTitle, "Product"},
        PlotCase{"Residuals", resplot, 1, true,
                 "1- [Pt] vs time Michaelis-Menten - Data.in Residuals Plot", "RESIDUAL"},
        PlotCase{"SubstrateXyPlotWithoutMainWindow", xyplot, 3, false, kTitle, "Substrate"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmor::plot
