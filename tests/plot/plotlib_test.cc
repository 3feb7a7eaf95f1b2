// SPDX-License-Identifier: MIT
// The plot windows, the fit and residual plots' contents and the batch pictures.
#include "plot/plotlib.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../gui/gui_test_support.h"
#include "../gui/pictures/picture_test_support.h"
#include "engine/core/global_types.h"
#include "example_data.h"
#include "gui/bmp_file.h"
#include "gui/pictures/picture_files.h"
#include "gui/pixel_buffer.h"
#include "gui/platform/gui_thread.h"
#include "gui/test_input.h"
#include "gui/test_responder.h"
#include "gui/wintk.h"
#include "plot/batch_pictures.h"
#include "plot/fit_charts.h"
#include "plot/fit_plots.h"
#include "plot/plot_record.h"
#include "plot/plot_setup.h"
#include "plot/toolkit_painter.h"
#include "temp_folder.h"

namespace velmor::plot {
namespace {

namespace fs = std::filesystem;
using testing::count_colour;
using velmor::testing::read_file;
using velmor::testing::TempFolder;

// The example with residuals, as model 1's fit.
bool load_example(FittedData& state) {
  state.data = velmor::testing::example_with_residuals();
  state.imdlno = 1;
  state.strmdl = "  1- [Pt] vs time Michaelis-Menten          ";
  return state.data.nRows > 0;
}

bool wait_until(const std::function<bool()>& pred) {  // a busy machine draws slowly
  return wintk::testing::eventually(pred, std::chrono::seconds(10));
}

bool drawn(const PlotRecord& record) {  // window open and drawing complete
  return record.displayed == 1 && record.state == PlotState::kDrawn && record.window_id >= 0;
}

// Runs `act` on the GUI thread for each visible top-level window so captioned; false if none.
bool with_window_captioned(const std::string& caption,
                           const std::function<void(QWidget&)>& act = {}) {
  bool found = false;
  wintk::platform::call_on_gui_thread([&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (!widget->isVisible() || widget->windowTitle().toStdString() != caption) continue;
      if (act) act(*widget);
      found = true;
    }
  });
  return found;
}

std::uint32_t page_colour(Rgb c) {
  return static_cast<std::uint32_t>(wintk::creatergb(c.r, c.g, c.b));
}

using wintk::testing::run_gui;

constexpr int kSaveItem = 0, kPrintItem = 1, kCloseItem = 2;

plot_t two_series_plot() {
  plot_t plot = initialize_plot();
  const std::vector<double> x = {0, 1, 2, 3}, y = {1, 3, 2, 4};
  add_dataset(plot, x, y);
  add_dataset(plot, x, y);
  set_seriestype(plot, 0, 1);
  return plot;
}

bool wait_drawn(plot_t plot) {
  return wait_until([plot] { return drawn(*plot); });
}

// Runs `action` on another thread, with the plot's window current there, once the plot is
// drawn; then the user closes the window unless `action` did.
void display_then(plot_t plot, const std::function<void(int window)>& action,
                  bool user_closes = true) {
  std::thread helper([&] {
    const bool ok = wait_drawn(plot);
    EXPECT_TRUE(ok) << "the plot was not drawn";
    const int window = plot_window(plot);
    if (ok) {
      wintk::setcurrentwindow(window);
      action(window);
    }
    if (!ok || (user_closes && plot_window(plot) >= 0)) {
      wintk::test_input::request_user_close(window);
    }
  });
  display_plot(plot);
  helper.join();
}

TEST(Plotlib, DefaultsSettersAndNullHandles) {
  plot_t none = nullptr;
  add_dataset(none, std::vector<double>{1}, std::vector<double>{1});
  EXPECT_EQ(save_plot(none, "x.bmp"), -1);
  destroy_plot(none);

  ScopedPlot scoped;
  plot_t plot = scoped.get();
  Chart& chart = *plot_chart(plot);
  EXPECT_EQ(chart.GetMargins(), (Margins{0, 20, 60, 60}));
  EXPECT_TRUE(chart.GetXGrid() && chart.GetYGrid() && !chart.GetYAxis().crosses_origin);
  add_dataset(plot, std::vector<double>{0.1, 0.2, 0.3}, std::vector<double>{1.0 / 3, 2.0});
  const PlotDataContainer& data = chart.GetDataContainer();
  EXPECT_EQ(data.GetXData(0)->GetSize(), 2);  // the shorter of the two
  // Trailing blanks go, colours are clamped, an unknown type changes nothing.
  set_title(plot, "Title   ");
  set_serieslabel(plot, 0, "first  ");
  EXPECT_EQ(chart.GetTitle() + "|" + data.GetLegendData(0)->name, "Title|first");
  set_seriescolor(plot, 0, 300, -5, 64);
  EXPECT_EQ(data.GetLegendData(0)->colour, (Rgb{255, 0, 64}));
  set_seriestype(plot, 0, 1);
  const DataDrawerBase* dots = data.GetDataDrawer(0);
  ASSERT_NE(dynamic_cast<const BigDotDataDrawer*>(dots), nullptr);
  set_seriestype(plot, 0, 7);
  EXPECT_EQ(data.GetDataDrawer(0), dots);

  scoped.reset();
  EXPECT_FALSE(is_registered(plot));
}

// The "Close" item ends the display; a closed plot is not shown again by the synchronous form.
TEST(PlotWindow, CloseItemEndsTheDisplay) {
  run_gui([&] {
    plot_t plot = two_series_plot();
    int shown = -1;
    display_then(
        plot,
        [&](int window) {
          shown = window;
          EXPECT_TRUE(with_window_captioned("Plot"));
          EXPECT_TRUE(wintk::test_input::trigger_menu_item(window, kCloseItem));
        },
        false);
    EXPECT_TRUE(shown >= 0 && plot_window(plot) == -1 && !wintk::isvalidwindow(shown));
    display_plot(plot);
    EXPECT_EQ(plot_window(plot), -1);
    destroy_plot(plot);
    EXPECT_EQ(plot, nullptr);
  });
}

// The asynchronous form returns once the window shows the plot; a resize lays the chart out anew.
TEST(PlotWindow, AsynchronousDisplayRedrawsClosesShowsAgainAndIsDestroyedWhileShown) {
  run_gui([] {
    plot_t plot = two_series_plot();
    display_plot(plot, true);  // returns once the loop runs
    const int window = plot_window(plot);
    ASSERT_GE(window, 0);
    ASSERT_TRUE(wait_drawn(plot));
    const Rect before = plot_chart(plot)->GetPlotRect();
    ASSERT_TRUE(with_window_captioned(
        "Plot", [](QWidget& w) { w.resize(w.width() + 200, w.height() + 100); }));
    ASSERT_TRUE(wait_until(
        [&] { return drawn(*plot) && plot_chart(plot)->GetPlotRect().w == before.w + 200; }));
    // A window made current meanwhile stays current.
    const int other = wintk::initwindow(120, 80, "Other");
    close_plot(plot);
    EXPECT_EQ(wintk::getcurrentwindow(), other);
    EXPECT_TRUE(plot_window(plot) == -1 && !wintk::isvalidwindow(window) && plot->closed.is_set());

    display_plot(plot, true);  // shown again, in a new window that exists on return
    const int again = plot_window(plot);
    ASSERT_TRUE(again >= 0 && again != window);
    ASSERT_TRUE(wait_drawn(plot));
    destroy_plot(plot);
    EXPECT_EQ(plot, nullptr);
    EXPECT_FALSE(wintk::isvalidwindow(again));
  });
}

// Saves refuse bad names; "Save As..." appends ".BMP", asks before replacing; embedding stays in.
TEST(PlotWindow, DrawnFitPlotSavedPrintedAndEmbedded) {
  const TempFolder temp;
  const fs::path& folder = temp.path();
  fs::create_directory(folder / "dir.bmp");
  const std::string kept = temp.write("kept.bmp", "kept");
  fs::permissions(kept, fs::perms::owner_read);
  const auto file = [&](const char* name) { return (folder / name).string(); };
  const auto image_size = [&](const char* name, const char* format) {
    return QImage(QString::fromStdString(file(name)), format).size();
  };
  run_gui([&] {
    FittedData state;
    ASSERT_TRUE(load_example(state));
    plot_t plot = initialize_plot();
    apply_plot_contents(make_fit_plot_contents(state.data, 1, state.strmdl), *plot_chart(plot));
    wintk::RecordingResponder responder;
    for (const std::string& name :
         {file("chosen"), kept, std::string(), file("chosen.Svg"), file("printed.pdf")}) {
      responder.queue_answer({true, name});  // the empty one: yes, replace it
    }
    wintk::PixelBuffer page;
    display_then(plot, [&](int window) {
      page = wintk::getpagepixels();
      for (const char* bad : {"missing/plot.bmp", "dir.bmp", "missing/plot.pdf"}) {
        EXPECT_EQ(save_plot(plot, file(bad)), -1) << bad;
      }
      EXPECT_EQ(save_plot(plot, kept), -1);
      for (const char* name : {"plot.bmp  ", "plot.png", "plot.svg", "plot.pdf"}) {
        EXPECT_EQ(save_plot(plot, file(name)), 0) << name;
      }
      const std::function<bool()> saved[] = {[&] { return fs::exists(folder / "chosen.BMP"); },
                                             [&] { return responder.requests().size() == 4; },
                                             [&] { return fs::exists(folder / "chosen.Svg"); }};
      for (const auto& done : saved) {
        ASSERT_TRUE(wintk::test_input::trigger_menu_item(window, kSaveItem));
        EXPECT_TRUE(wait_until(done));
      }
      ASSERT_TRUE(wintk::test_input::trigger_menu_item(window, kPrintItem));
      EXPECT_TRUE(wait_until([&] { return fs::exists(folder / "printed.pdf"); }));
    });
    EXPECT_GT(std::ranges::count(page.pixels, page_colour(kCurveColours[2])), 9 * 20);  // 9 dots
    EXPECT_FALSE(fs::exists(folder / "missing"));
    EXPECT_EQ(wintk::bmp::read_bmp(file("plot.bmp")).value_or(wintk::PixelBuffer{}).pixels,
              page.pixels);
    EXPECT_EQ(image_size("chosen.BMP", "BMP"), QSize(800, 600));
    EXPECT_EQ(read_file(kept), "kept");
    const auto requests = responder.requests();
    std::vector<wintk::DialogKind> kinds;
    kinds.reserve(requests.size());
    for (const auto& request : requests) kinds.push_back(request.kind);
    using enum wintk::DialogKind;
    ASSERT_EQ(kinds, (std::vector{kSaveFile, kSaveFile, kQuestion, kMessage, kSaveFile, kPrint}));
    EXPECT_EQ(requests[3].text, "The output file is read-only: " + kept);
    EXPECT_EQ(requests[5].initial_name, "Plot Window");
    EXPECT_EQ(save_plot(plot, file("late.bmp")), -1);  // no window: nothing

    const int host = wintk::initwindow(500, 400, "Host");  // black page
    embed_plot(plot, host, 60, 50, 400, 300);
    const wintk::PixelBuffer embedded = wintk::getpagepixels();
    EXPECT_EQ(embedded.at(70, 60), 0xFFFFFFu);
    const wintk::testing::Box white = wintk::testing::colour_box(embedded, 0xFFFFFF);
    EXPECT_TRUE(white.top >= 49 && white.right <= 460);
    EXPECT_EQ(save_plot(plot, file("embedded.bmp")), 0);
    EXPECT_EQ(image_size("embedded.bmp", "BMP"), QSize(400, 300));
    destroy_plot(plot);
    EXPECT_TRUE(wintk::isvalidwindow(host));  // not the plot's window
  });
}

// The area is the viewport, clipping keeps area coordinates and the viewport is given back.
// Text: a window's own text style must not leak into measuring; text stands above its anchor.
TEST(ToolkitPainter, AreaClippingAndTextAnchors) {
  run_gui([] {
    wintk::initwindow(300, 300, "Painter");
    wintk::settextstyle(7, 0, 40);
    wintk::setviewport(40, 30, 239, 179, false);
    {
      ToolkitPainter painter;
      painter.SetClipRect(10, 20, 50, 40);
      painter.SetLineColor(255, 0, 0);
      painter.DrawLine(0.f, 30.4f, 199.f, 30.4f);  // area row 30, cut to area columns 10..60
    }
    const wintk::ViewSettings view = wintk::getviewsettings();
    EXPECT_TRUE(view.left == 40 && view.right == 239 && !view.clip);
    wintk::resetviewport();
    const wintk::PixelBuffer page = wintk::getpagepixels();
    // Area (x, 30) is page (40 + x, 60); the clip spans page columns 50..100.
    EXPECT_EQ(wintk::testing::colour_box(page, page_colour({255, 0, 0})),
              (wintk::testing::Box{50, 60, 100, 60}));

    ToolkitPainter painter;
    const int width = painter.CalculateTextDrawSize("Product");  // before the font is asked for
    const int height = painter.GetFontHeight();
    EXPECT_TRUE(height > 10 && width > 30 && painter.CalculateTextDrawSize("Product") == width);
    wintk::setbkcolor(0xFFFFFF);
    wintk::clearviewport();
    painter.SetLineColor(0, 0, 0);
    painter.DrawText(50, 100, "Wg");
    const auto box = wintk::testing::colour_box(wintk::getpagepixels(), 0xFFFFFF, true);  // ink
    EXPECT_TRUE(!box.empty() && box.left >= 50 && box.bottom <= 100 && box.top >= 100 - height);
  });
}

struct PlotCase {
  const char* name;
  void (*show)(const FittedData&, std::string_view, PlotWindows&);
  ModelId model;
  bool main_window;     // the program's main window and an open dialog, else no window at all
  const char* caption;  // the title's lines joined by a blank
};

class FitPlotsTest : public ::testing::TestWithParam<PlotCase> {};

// Returns once closed: plot and secondary windows gone, slots free, the main window current.
TEST_P(FitPlotsTest, ReturnsWhenClosedAndCleansUpTheSecondaryWindows) {
  const PlotCase& c = GetParam();
  run_gui([&] {
    FittedData state;
    PlotWindows windows;
    ASSERT_TRUE(load_example(state));
    state.imdlno = c.model;
    int dialog = -1;
    if (c.main_window) {
      windows.idactivewin = wintk::initwindow(300, 200, "Main");
      dialog = wintk::initwindow(120, 80, "Dialog");
      windows.child_windows[3] = dialog;
      wintk::setcurrentwindow(windows.idactivewin);
    } else {
      dialog = wintk::initwindow(10, 10, "probe");
      wintk::closewindow(dialog);
    }
    const int plot_window = dialog + 1;  // ids are handed out in creation order, never reused

    bool captioned = false;
    std::thread user([&] {
      if (wait_until([&] {
            const auto record = find_plot_by_window(plot_window);
            return record && drawn(*record);
          })) {
        captioned = with_window_captioned(c.caption);
      }
      wintk::test_input::request_user_close(plot_window);
    });
    c.show(state, "Data.in", windows);
    user.join();

    EXPECT_TRUE(captioned);
    EXPECT_FALSE(wintk::isvalidwindow(plot_window) || find_plot_by_window(plot_window));
    if (c.main_window) {
      EXPECT_FALSE(wintk::isvalidwindow(dialog) || windows.child_windows[3] != -1);
      EXPECT_EQ(wintk::getcurrentwindow(), windows.idactivewin);
    }
  });
}

constexpr const char* kTitle = "1- [Pt] vs time Michaelis-Menten - Data.in";

INSTANTIATE_TEST_SUITE_P(
    Plots, FitPlotsTest,
    ::testing::Values(PlotCase{"XyPlot", xyplot, 1, true, kTitle},
                      PlotCase{"Residuals", resplot, 1, true,
                               "1- [Pt] vs time Michaelis-Menten - Data.in Residuals Plot"},
                      PlotCase{"SubstrateXyPlotWithoutMainWindow", xyplot, 3, false, kTitle}),
    [](const auto& info) { return std::string(info.param.name); });

// The residuals window's "View" menu puts them against time and back: the chart's contents are
// replaced (not added to) and the item of the view shown is greyed.
TEST(FitPlots, ResidualsWindowSwitchesBetweenRowNumberAndTime) {
  run_gui([] {
    FittedData state;
    PlotWindows windows;
    ASSERT_TRUE(load_example(state));
    const int probe = wintk::initwindow(10, 10, "probe");
    wintk::closewindow(probe);
    const int window = probe + 1;
    const PlotContents by_row = residual_plot_of(state, ResidualX::kRowNumber);
    const PlotContents by_time = residual_plot_of(state, ResidualX::kTime);
    ASSERT_NE(by_row.x_label, by_time.x_label);
    constexpr int kRowItem = 3, kTimeItem = 4;  // after the File menu's three
    std::thread user([&] {
      // Drawn with that X and only its series, the other view's item the one enabled.
      const auto shows = [&](const PlotContents& view, int other_item) {
        return wait_until([&] {
                 const auto record = find_plot_by_window(window);
                 if (!record || !drawn(*record)) return false;
                 const std::lock_guard lock(record->chart_mutex);
                 return record->chart.GetXAxis().label == view.x_label &&
                        record->chart.GetDataContainer().GetSize() ==
                            static_cast<int>(view.series.size());
               }) &&
               wintk::test_input::menu_item_enabled(window, other_item) &&
               !wintk::test_input::menu_item_enabled(window, kRowItem + kTimeItem - other_item);
      };
      EXPECT_TRUE(shows(by_row, kTimeItem));
      EXPECT_TRUE(wintk::test_input::trigger_menu_item(window, kTimeItem));
      EXPECT_TRUE(shows(by_time, kRowItem));
      EXPECT_TRUE(wintk::test_input::trigger_menu_item(window, kRowItem));
      EXPECT_TRUE(shows(by_row, kTimeItem));
      wintk::test_input::request_user_close(window);
    });
    resplot(state, "Data.in", windows);
    user.join();
    EXPECT_FALSE(wintk::isvalidwindow(window));
  });
}

TEST(BatchPictures, WriterMakesTheFolderAndWritesEightHundredBySixHundredPngs) {
  const TempFolder temp;
  const fs::path folder = temp.path() / "new" / "pictures";
  FittedData state;
  ASSERT_TRUE(load_example(state));
  std::ostringstream err;
  BatchPictureWriter writer(folder, "DATA", PictureFormat::kPng, save_chart_picture, err);
  EXPECT_FALSE(fs::exists(folder));  // made with the first picture, after the data were accepted
  writer.fit(state);
  EXPECT_TRUE(fs::is_directory(folder));
  state.imdlno = 2;
  writer.fit(state);
  writer.residuals(state);
  EXPECT_EQ(err.str(), "");
  for (const char* name : {"DATA.model1.png", "DATA.model2.png", "DATA.residuals.png"}) {
    const QImage image(QString::fromStdString((folder / name).string()), "PNG");
    EXPECT_EQ(image.size(), QSize(800, 600)) << name;
    EXPECT_GT(count_colour(image, kCurveColours[2]), 100) << name;  // the third curve's marks
  }
}

// Each failure an error line naming its picture (the file checks themselves: AtomicFile's tests).
TEST(BatchPictures, FailuresAreReportedAsErrors) {
  const TempFolder temp;
  const fs::path& base = temp.path();
  FittedData state;
  ASSERT_TRUE(load_example(state));

  std::ostringstream err;  // the folder's name is taken by a file
  BatchPictureWriter blocked(temp.write("taken", "x"), "DATA", PictureFormat::kPng,
                             save_chart_picture, err);
  blocked.fit(state);
  EXPECT_TRUE(blocked.failed());
  EXPECT_EQ(err.str(),
            "Error: cannot create the folder " + (base / "taken").string() + " for the pictures\n");

  fs::create_directory(base / "DATA.residuals.png");
  std::ostringstream err2;
  BatchPictureWriter writer(base, "DATA", PictureFormat::kPng, save_chart_picture, err2);
  writer.fit(state);
  writer.residuals(state);
  EXPECT_TRUE(writer.failed());
  EXPECT_EQ(err2.str(), "Error: The output file name is a folder: " +
                            (base / "DATA.residuals.png").string() + "\n");
}

}  // namespace
}  // namespace velmor::plot
