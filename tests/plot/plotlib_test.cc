#include "plot/plotlib.h"

#include <gtest/gtest.h>

#include <QImage>
#include <thread>
#include <vector>

#include "gui/bmp_file.h"
#include "gui/test_input.h"
#include "gui/test_responder.h"
#include "plot/fit_charts.h"
#include "plot/fit_plots.h"
#include "plot/toolkit_painter.h"
#include "plot_test_support.h"

namespace velmor::plot {
namespace {

namespace fs = std::filesystem;
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

bool wait_drawn(plot_t plot) {
  return testing::wait_until([plot] { return testing::drawn(*plot); });
}

// Runs `action` on another thread once the plot is drawn, while this thread is in display_plot;
// then the user closes the window by its close box unless `action` did (or the plot never drew).
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
  EXPECT_TRUE(chart.GetXGrid() && chart.GetYGrid() && !chart.GetYAxis().crosses_origin);
  EXPECT_EQ(plot_window(plot), -1);
  // n = min of the sizes; the values are stored as floats; an empty series still counts.
  add_dataset(plot, std::vector<double>{0.1, 0.2, 0.3}, std::vector<double>{1.0 / 3, 2.0});
  const PlotDataContainer& data = chart.GetDataContainer();
  EXPECT_EQ(data.GetXData(0)->GetSize(), 2);
  EXPECT_EQ(data.GetYData(0)->GetValue(0), static_cast<double>(static_cast<float>(1.0 / 3)));
  add_dataset(plot, std::vector<float>{}, std::vector<float>{});
  EXPECT_EQ(data.GetSize(), 2);
  // Trailing blanks go, colours are clamped, an unknown type changes nothing, log base 0 is 10.
  set_title(plot, "Title   ");
  set_serieslabel(plot, 0, "first  ");
  EXPECT_EQ(chart.GetTitle() + "|" + data.GetLegendData(0)->name, "Title|first");
  set_seriescolor(plot, 0, 300, -5, 64);
  EXPECT_EQ(data.GetLegendData(0)->colour, (Rgb{255, 0, 64}));
  set_seriestype(plot, 0, 1);
  const auto* dots = dynamic_cast<const BigDotDataDrawer*>(data.GetDataDrawer(0));
  ASSERT_TRUE(dots != nullptr && dots->GetDotSize() == 5);
  set_seriestype(plot, 0, 7);
  EXPECT_EQ(data.GetDataDrawer(0), dots);
  set_ylogarithmic(plot, 0.0);
  EXPECT_EQ(chart.GetYAxis().log_base, 10.0f);

  scoped.reset();
  EXPECT_FALSE(is_registered(plot));
}

// The "Close" item ends the display; an empty title gives the caption "Plot"; a closed plot is not
// shown again by the synchronous form; destroying a plot without a window does not wait.
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
    ASSERT_TRUE(testing::with_window_captioned(
        "Plot", [](QWidget& w) { w.resize(w.width() + 200, w.height() + 100); }));
    ASSERT_TRUE(testing::wait_until([&] {
      return testing::drawn(*plot) && plot_chart(plot)->GetPlotRect().w == before.w + 200;
    }));
    EXPECT_EQ(plot_chart(plot)->GetPlotRect().h, before.h + 100);
    display_plot(plot, true);  // a redraw, complete when this returns
    EXPECT_EQ(plot->state, kStateDrawn);
    // The window current meanwhile stays current (else none would be once the plot's is closed).
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

// BMP saves the window's picture, PNG/SVG/PDF draw anew; bad names are refused and left alone;
// "Save As..." appends ".BMP", asks before replacing, explains failures; embedding stays inside.
TEST(PlotWindow, DrawnFitPlotSavedPrintedAndEmbedded) {
  const testing::TempFolder temp;
  const fs::path folder = temp.path();
  fs::create_directory(folder / "dir.bmp");
  const std::string kept = temp.write("kept.bmp", "kept");
  fs::permissions(kept, fs::perms::owner_read);
  const auto file = [&](const char* name) { return (folder / name).string(); };
  const auto image_size = [&](const char* name, const char* format) {
    return QImage(QString::fromStdString(file(name)), format).size();
  };
  run_gui([&] {
    RunState state;
    ASSERT_TRUE(testing::load_example(state));
    plot_t plot = initialize_plot();
    apply_plot_contents(make_fit_plot_contents(state.data, 1, state.strmdl), *plot_chart(plot));
    wintk::RecordingResponder responder;
    for (const std::string& name : {file("chosen"), kept, std::string(), file("chosen.Svg"),
                                    file("printed.pdf")}) {
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
        EXPECT_TRUE(testing::wait_until(done));
      }
      ASSERT_TRUE(wintk::test_input::trigger_menu_item(window, kPrintItem));
      EXPECT_TRUE(testing::wait_until([&] { return fs::exists(folder / "printed.pdf"); }));
    });
    ASSERT_TRUE(page.width == 800 && page.height == 600);
    const Rect area = plot_chart(plot)->GetPlotRect();
    EXPECT_EQ(page.at(2, 2), 0xFFFFFFu);
    for (const Rgb colour : {Rgb{200, 200, 200}, kCurveColours[0], kCurveColours[1], kCurveColours[2]}) {
      EXPECT_GT(testing::count_colour(page, colour, area.x + 1, area.y + 1, area.right(), area.bottom()),
                9 * 20);  // the grid, each curve's nine 5 x 5 dots and its line
    }
    EXPECT_FALSE(fs::exists(folder / "missing"));
    EXPECT_EQ(wintk::bmp::read_bmp(file("plot.bmp")).value_or(wintk::PixelBuffer{}).pixels, page.pixels);
    EXPECT_EQ(image_size("chosen.BMP", "BMP"), QSize(800, 600));
    EXPECT_EQ(image_size("plot.png", "PNG"), QSize(800, 600));
    for (const char* svg : {"plot.svg", "chosen.Svg"}) {
      EXPECT_NE(testing::read_file(file(svg)).find("viewBox=\"0 0 800 600\""), std::string::npos) << svg;
    }
    EXPECT_EQ(testing::read_file(file("plot.pdf")).substr(0, 5), "%PDF-");
    EXPECT_TRUE(fs::is_directory(folder / "dir.bmp"));
    EXPECT_EQ(testing::read_file(kept), "kept");
    const auto requests = responder.requests();
    std::vector<wintk::DialogKind> kinds;
    for (const auto& request : requests) kinds.push_back(request.kind);
    using enum wintk::DialogKind;
    ASSERT_EQ(kinds, (std::vector{kSaveFile, kSaveFile, kQuestion, kMessage, kSaveFile, kPrint}));
    EXPECT_NE(requests[0].filter.find("*.bmp *.png *.svg *.pdf"), std::string::npos);
    EXPECT_EQ(requests[3].text, "The output file is read-only: " + kept);
    EXPECT_EQ(requests[3].message_kind, 2);
    EXPECT_EQ(requests[5].initial_name, "Plot Window");
    EXPECT_EQ(save_plot(plot, file("late.bmp")), -1);  // no window: nothing
    EXPECT_FALSE(fs::exists(folder / "late.bmp"));

    const int host = wintk::initwindow(500, 400, "Host");  // black page
    embed_plot(plot, host, 60, 50, 400, 300);
    EXPECT_EQ(wintk::getcurrentwindow(), host);
    const wintk::PixelBuffer embedded = wintk::getpagepixels();
    EXPECT_EQ(embedded.at(70, 60), 0xFFFFFFu);
    EXPECT_EQ(testing::count_colour(embedded, kWhite, 0, 0, 500, 49), 0);
    EXPECT_EQ(testing::count_colour(embedded, kWhite, 461, 0, 500, 400), 0);
    EXPECT_EQ(save_plot(plot, file("embedded.bmp")), 0);
    EXPECT_EQ(image_size("embedded.bmp", "BMP"), QSize(400, 300));
    destroy_plot(plot);
    EXPECT_TRUE(wintk::isvalidwindow(host));  // not the plot's window
  });
}

constexpr std::uint32_t kPaperWhite = 0xFFFFFF;

wintk::testing::Box white_page_then_ink(const std::function<void()>& draw) {
  wintk::setbkcolor(kPaperWhite);
  wintk::resetviewport();
  wintk::clearviewport();
  draw();
  return wintk::testing::ink_box(wintk::getpagepixels(), kPaperWhite);
}

// The area is the viewport, clipping keeps area coordinates and the viewport is given back; text
// has its bottom at y, rotated text lies left of and above its anchor.
TEST(ToolkitPainter, AreaClippingAndTextAnchors) {
  run_gui([] {
    wintk::initwindow(300, 300, "Painter");
    wintk::settextstyle(7, 0, 40);  // a window's own text style must not leak into measuring
    white_page_then_ink([] {});
    wintk::setviewport(40, 30, 239, 179, false);
    {
      ToolkitPainter painter;
      EXPECT_EQ(std::pair(painter.GetWidth(), painter.GetHeight()), std::pair(200, 150));
      painter.SetClipRect(10, 20, 50, 40);
      painter.SetLineColor(255, 0, 0);
      painter.DrawLine(0.f, 30.4f, 199.f, 30.4f);  // area row 30, cut to area columns 10..60
      painter.SetFillColor(0, 0, 255);
      painter.FillRect(55, 55, 100, 100);  // only its corner lies inside the clip
    }
    const wintk::ViewSettings view = wintk::getviewsettings();
    EXPECT_TRUE(view.left == 40 && view.right == 239 && !view.clip);
    wintk::resetviewport();
    const wintk::PixelBuffer page = wintk::getpagepixels();
    const Rgb red{255, 0, 0}, blue{0, 0, 255};
    // Area (x, 30) is page (40 + x, 60); the clip spans page columns 50..100, rows 50..90.
    EXPECT_TRUE(page.at(45, 60) == kPaperWhite && page.at(110, 60) == kPaperWhite);
    EXPECT_GT(testing::count_colour(page, red, 50, 60, 101, 61), 45);
    EXPECT_GT(testing::count_colour(page, blue, 95, 85, 101, 91), 20);
    EXPECT_EQ(testing::count_colour(page, blue, 102, 0, 300, 300) +
                  testing::count_colour(page, blue, 0, 92, 300, 300), 0);

    ToolkitPainter painter;
    painter.SetLineColor(0, 0, 0);
    const int width = painter.CalculateTextDrawSize("Product");  // before the font is asked for
    const int height = painter.GetFontHeight();
    EXPECT_TRUE(height > 10 && width > 30 && painter.CalculateTextDrawSize("Product") == width);
    wintk::testing::Box box = white_page_then_ink([&] { painter.DrawText(50, 100, "Wg"); });
    ASSERT_FALSE(box.empty());
    EXPECT_TRUE(box.left >= 50 && box.bottom <= 100 && box.top >= 100 - height);
    box = white_page_then_ink([&] { painter.DrawRotatedText(200, 250, 90.0f, "Product"); });
    ASSERT_FALSE(box.empty());  // reading upward: [x - height, x] x [y - width, y]
    EXPECT_TRUE(box.left >= 200 - height && box.right <= 200 && box.top >= 250 - width &&
                box.bottom <= 250);
    EXPECT_GT(box.bottom - box.top, 2 * (box.right - box.left));
  });
}

struct PlotCase {
  const char* name;
  void (*show)(RunState&);
  ModelId model;
  bool main_window;  // the program's main window and an open dialog, else no window at all
  const char *caption, *y_label;  // the caption: the title's lines joined by a blank
};

class FitPlotsTest : public ::testing::TestWithParam<PlotCase> {};

// Returns once closed: plot and secondary windows gone, slots free, the main window current.
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
      std::shared_ptr<PlotRecord> record;
      if (testing::wait_until([&] {
            record = find_plot_by_window(plot_window);
            return record && testing::drawn(*record);
          })) {
        captioned = testing::with_window_captioned(c.caption);
        y_label = record->chart.GetYAxis().label;
      }
      wintk::test_input::request_user_close(plot_window);
    });
    c.show(state);
    user.join();

    EXPECT_TRUE(captioned && y_label == c.y_label) << y_label;
    EXPECT_FALSE(wintk::isvalidwindow(plot_window) || find_plot_by_window(plot_window));
    if (c.main_window) {
      EXPECT_FALSE(wintk::isvalidwindow(dialog) || state.child_windows[3] != -1);
      EXPECT_TRUE(wintk::isvalidwindow(state.idactivewin));
      EXPECT_EQ(wintk::getcurrentwindow(), state.idactivewin);
    }
  });
}

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
