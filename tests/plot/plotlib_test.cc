#include "plot/plotlib.h"

#include <gtest/gtest.h>

#include <QImage>
#include <thread>
#include <vector>

#include "gui/bmp_file.h"
#include "gui/test_input.h"
#include "gui/test_responder.h"
#include "plot/fit_charts.h"
#include "plot_test_support.h"

namespace velmor::plot {
namespace {

namespace fs = std::filesystem;
using testing::wait_drawn;
using wintk::testing::run_gui;

constexpr int kSaveItem = 0;
constexpr int kPrintItem = 1;
constexpr int kCloseItem = 2;

plot_t two_series_plot() {
  plot_t plot = initialize_plot();
  const std::vector<double> x = {0, 1, 2, 3};
  const std::vector<double> y = {1, 3, 2, 4};
  add_dataset(plot, x, y);
  add_dataset(plot, x, y);
  set_seriestype(plot, 0, 1);
  return plot;
}

// Runs `action` on another thread once the plot is drawn, while this thread is inside
// display_plot; then the user closes the window by its title-bar button, unless `action` closes
// it itself. If the plot is never drawn the window is closed anyway, so a failing test ends.
void display_then(plot_t plot, const std::function<void(int window)>& action,
                  bool user_closes = true) {
  std::thread helper([&] {
    const bool ok = wait_drawn(plot);
    EXPECT_TRUE(ok) << "the plot was not drawn";
    const int window = plot_window(plot);
    if (ok) action(window);
    if (!ok || (user_closes && plot_window(plot) >= 0)) {
      wintk::test_input::request_user_close(window);
    }
  });
  display_plot(plot);
  helper.join();
}

// [SECTION] Plot record and setters (no window)

// Null handles are ignored; the defaults of a new plot; what the setters do beyond storing.
TEST(Plotlib, DefaultsSettersAndNullHandles) {
  plot_t none = nullptr;
  add_dataset(none, std::vector<double>{1}, std::vector<double>{1});
  set_title(none, "t");
  set_seriescolor(none, 0, 1, 2, 3);
  EXPECT_EQ(save_plot(none, "x.bmp"), -1);
  destroy_plot(none);

  ScopedPlot scoped;
  plot_t plot = scoped.get();
  Chart& chart = *plot_chart(plot);
  EXPECT_EQ(chart.GetMargins(), (Margins{0, 20, 60, 60}));
  EXPECT_TRUE(chart.GetXGrid() && chart.GetYGrid());
  EXPECT_FALSE(chart.GetYAxis().crosses_origin);
  EXPECT_EQ(plot_window(plot), -1);
  // n = min of the sizes; the values are stored as floats; an empty series still counts.
  add_dataset(plot, std::vector<double>{0.1, 0.2, 0.3}, std::vector<double>{1.0 / 3, 2.0});
  const PlotDataContainer& data = chart.GetDataContainer();
  EXPECT_EQ(data.GetXData(0)->GetSize(), 2);
  EXPECT_EQ(data.GetYData(0)->GetValue(0), static_cast<double>(static_cast<float>(1.0 / 3)));
  add_dataset(plot, std::vector<float>{}, std::vector<float>{});
  EXPECT_EQ(data.GetSize(), 2);
  // Texts lose their trailing blanks, colours are clamped to 0..255, an unknown type changes
  // nothing, a log base of 0 means 10.
  set_title(plot, "Title   ");
  set_serieslabel(plot, 0, "first  ");
  EXPECT_EQ(chart.GetTitle(), "Title");
  EXPECT_EQ(data.GetLegendData(0)->name, "first");
  set_seriescolor(plot, 0, 300, -5, 64);
  EXPECT_EQ(data.GetLegendData(0)->colour, (Rgb{255, 0, 64}));
  set_seriestype(plot, 0, 1);
  const auto* dots = dynamic_cast<const BigDotDataDrawer*>(data.GetDataDrawer(0));
  ASSERT_NE(dots, nullptr);
  EXPECT_EQ(dots->GetDotSize(), 5);
  set_seriestype(plot, 0, 7);
  EXPECT_EQ(data.GetDataDrawer(0), dots);
  set_ylogarithmic(plot, 0.0);
  EXPECT_EQ(chart.GetYAxis().log_base, 10.0f);

  scoped.reset();
  EXPECT_FALSE(is_registered(plot));
}

// [SECTION] Display loop and close paths

// The window's "Close" item ends the display (the title-bar close box does so in the fit plot
// tests); an empty title gives the caption "Plot". A plot whose close was requested is not shown
// again by the synchronous form, and destroying a plot without a window does not wait.
TEST(PlotWindow, CloseItemEndsTheDisplay) {
  run_gui([&] {
    plot_t plot = two_series_plot();
    int shown = -1;
    display_then(
        plot,
        [&](int window) {
          shown = window;
          EXPECT_TRUE(testing::with_window_captioned("Plot"));
          EXPECT_EQ(wintk::getcurrentwindow(), window);
          EXPECT_TRUE(wintk::test_input::trigger_menu_item(window, kCloseItem));
        },
        false);
    EXPECT_GE(shown, 0);
    EXPECT_EQ(plot_window(plot), -1);
    EXPECT_FALSE(wintk::isvalidwindow(shown));
    display_plot(plot);
    EXPECT_EQ(plot_window(plot), -1);
    destroy_plot(plot);
    EXPECT_EQ(plot, nullptr);
  });
}

// The asynchronous form returns once the window shows the plot; the window is resizable and the
// chart is laid out again for its new size.
TEST(PlotWindow, AsynchronousDisplayRedrawsClosesShowsAgainAndIsDestroyedWhileShown) {
  run_gui([] {
    plot_t plot = two_series_plot();
    display_plot(plot, true);  // returns once the loop runs
    const int window = plot_window(plot);
    ASSERT_GE(window, 0);
    ASSERT_TRUE(wait_drawn(plot));
    const Rect before = plot_chart(plot)->GetPlotRect();
    ASSERT_TRUE(testing::with_window_captioned(
        "Plot", [](QWidget& w) { w.resize(w.width() + 200, w.height() + 100); }));
    ASSERT_TRUE(testing::wait_until([&] {
      return testing::drawn(*plot) && plot_chart(plot)->GetPlotRect().w == before.w + 200;
    }));
    EXPECT_EQ(plot_chart(plot)->GetPlotRect().h, before.h + 100);
    display_plot(plot, true);  // a redraw, complete when this returns
    EXPECT_EQ(plot->state, kStateDrawn);
    // Closing wakes the loop through the plot window itself: the window current meanwhile stays
    // current (a waker that made the plot current would leave no current window at all once the
    // loop had closed it, and the next drawing would end the program).
    const int other = wintk::initwindow(120, 80, "Other");
    close_plot(plot);
    EXPECT_EQ(wintk::getcurrentwindow(), other);
    EXPECT_EQ(plot_window(plot), -1);
    EXPECT_FALSE(wintk::isvalidwindow(window));
    EXPECT_TRUE(plot->closed.is_set());

    display_plot(plot, true);  // shown again, in a new window that exists on return
    const int again = plot_window(plot);
    ASSERT_GE(again, 0);
    EXPECT_NE(again, window);
    ASSERT_TRUE(wait_drawn(plot));
    destroy_plot(plot);
    EXPECT_EQ(plot, nullptr);
    EXPECT_FALSE(wintk::isvalidwindow(again));
  });
}

// [SECTION] A drawn fit plot, saved and printed

// The example's fit plot in its window: white background, grid, each curve's dots (nine squares
// of 5 x 5) and line in its colour, the legend texts coloured too, top to bottom in curve order.
// Saved under a BMP name, it is the window's picture; PNG, SVG and PDF by the name's extension
// are drawn anew at the window's size. A missing folder, a folder or a read-only file of the
// chosen name are refused and left as they are; "Save As..." asks for the name, appends ".BMP"
// to a name without extension and asks before replacing a file; a name that cannot be written
// is explained in a warning. Embedded into a rectangle of another window, the plot draws there
// only, and saving covers that rectangle.
TEST(PlotWindow, DrawnFitPlotSavedPrintedAndEmbedded) {
  const testing::TempFolder temp;
  const fs::path folder = temp.path();
  fs::create_directory(folder / "dir.bmp");
  const std::string kept = temp.write("kept.bmp", "kept");
  fs::permissions(kept, fs::perms::owner_read);
  run_gui([&] {
    RunState state;
    ASSERT_TRUE(testing::load_example(state));
    plot_t plot = initialize_plot();
    apply_plot_contents(make_fit_plot_contents(state.data, 1, state.strmdl), *plot_chart(plot));
    wintk::RecordingResponder responder;
    responder.queue_answer({true, (folder / "chosen").string()});
    responder.queue_answer({true, kept});
    responder.queue_answer({true, {}});  // yes, replace it
    responder.queue_answer({true, (folder / "chosen.Svg").string()});
    responder.queue_answer({true, (folder / "printed.pdf").string()});
    wintk::PixelBuffer page;
    display_then(plot, [&](int window) {
      page = wintk::getpagepixels();
      EXPECT_EQ(save_plot(plot, (folder / "missing" / "plot.bmp").string()), -1);
      EXPECT_FALSE(fs::exists(folder / "missing"));
      EXPECT_EQ(save_plot(plot, (folder / "plot.bmp  ").string()), 0);
      EXPECT_EQ(save_plot(plot, (folder / "dir.bmp").string()), -1);
      EXPECT_EQ(save_plot(plot, kept), -1);
      for (const char* name : {"plot.png", "plot.svg", "plot.pdf"}) {
        EXPECT_EQ(save_plot(plot, (folder / name).string()), 0) << name;
      }
      EXPECT_EQ(save_plot(plot, (folder / "missing" / "plot.pdf").string()), -1);
      ASSERT_TRUE(wintk::test_input::trigger_menu_item(window, kSaveItem));
      EXPECT_TRUE(testing::wait_until([&] { return fs::exists(folder / "chosen.BMP"); }));
      ASSERT_TRUE(wintk::test_input::trigger_menu_item(window, kSaveItem));
      EXPECT_TRUE(testing::wait_until([&] { return responder.requests().size() == 4; }));
      ASSERT_TRUE(wintk::test_input::trigger_menu_item(window, kSaveItem));
      EXPECT_TRUE(testing::wait_until([&] { return fs::exists(folder / "chosen.Svg"); }));
      ASSERT_TRUE(wintk::test_input::trigger_menu_item(window, kPrintItem));
      EXPECT_TRUE(testing::wait_until([&] { return fs::exists(folder / "printed.pdf"); }));
    });
    ASSERT_EQ(page.width, 800);
    ASSERT_EQ(page.height, 600);
    const Rect area = plot_chart(plot)->GetPlotRect();
    const int x0 = area.x + 1, y0 = area.y + 1, x1 = area.right(), y1 = area.bottom();
    EXPECT_EQ(page.at(2, 2), 0xFFFFFFu);
    EXPECT_GT(testing::count_colour(page, {200, 200, 200}, x0, y0, x1, y1), 1000);
    EXPECT_GT(testing::count_colour(page, kBlack), 1000);  // axes, ticks, labels
    int previous_top = -1;
    for (int k = 0; k < 3; ++k) {
      const Rgb colour = kCurveColours[k];
      EXPECT_GT(testing::count_colour(page, colour, x0, y0, x1, y1), 9 * 20) << k;
      int top = -1;
      for (int y = area.y; y < area.y + 8 * 20 && top < 0; ++y) {
        if (testing::count_colour(page, colour, area.x + 20, y, area.x + 220, y + 1) > 0) top = y;
      }
      EXPECT_GT(top, previous_top) << "legend of curve " << k + 1;
      previous_top = top;
    }
    EXPECT_EQ(
        wintk::bmp::read_bmp((folder / "plot.bmp").string()).value_or(wintk::PixelBuffer{}).pixels,
        page.pixels);
    EXPECT_EQ(testing::bmp_size(folder / "chosen.BMP").width(), 800);
    EXPECT_EQ(QImage(QString::fromStdString((folder / "plot.png").string()), "PNG").size(),
              QSize(800, 600));
    for (const char* svg : {"plot.svg", "chosen.Svg"}) {
      EXPECT_NE(testing::read_file((folder / svg).string()).find("viewBox=\"0 0 800 600\""),
                std::string::npos)
          << svg;
    }
    EXPECT_EQ(testing::read_file((folder / "plot.pdf").string()).substr(0, 5), "%PDF-");
    EXPECT_TRUE(fs::is_directory(folder / "dir.bmp"));
    EXPECT_EQ(testing::read_file(kept), "kept");
    const auto requests = responder.requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[0].kind, wintk::DialogKind::kSaveFile);
    EXPECT_NE(requests[0].filter.find("*.bmp *.png *.svg *.pdf"), std::string::npos);
    EXPECT_EQ(requests[2].kind, wintk::DialogKind::kQuestion);
    EXPECT_EQ(requests[3].text, "The output file is read-only: " + kept);
    EXPECT_EQ(requests[3].message_kind, 2);
    EXPECT_EQ(requests[4].kind, wintk::DialogKind::kSaveFile);
    EXPECT_EQ(requests[5].kind, wintk::DialogKind::kPrint);
    EXPECT_EQ(requests[5].initial_name, "Plot Window");
    EXPECT_EQ(save_plot(plot, (folder / "late.bmp").string()), -1);  // no window: nothing
    EXPECT_FALSE(fs::exists(folder / "late.bmp"));

    const int host = wintk::initwindow(500, 400, "Host");  // black page
    embed_plot(plot, host, 60, 50, 400, 300);
    EXPECT_EQ(wintk::getcurrentwindow(), host);
    const wintk::PixelBuffer embedded = wintk::getpagepixels();
    EXPECT_EQ(embedded.at(70, 60), 0xFFFFFFu);
    EXPECT_EQ(testing::count_colour(embedded, kWhite, 0, 0, 500, 49), 0);
    EXPECT_EQ(testing::count_colour(embedded, kWhite, 461, 0, 500, 400), 0);
    EXPECT_EQ(save_plot(plot, (folder / "embedded.bmp").string()), 0);
    EXPECT_EQ(testing::bmp_size(folder / "embedded.bmp"), QSize(400, 300));
    destroy_plot(plot);
    EXPECT_TRUE(wintk::isvalidwindow(host));  // not the plot's window
  });
}

}  // namespace
}  // namespace velmor::plot
