// SPDX-License-Identifier: MIT

#include <QImage>
#include <filesystem>

#include "gui/bmp_file.h"
#include "gui/test_responder.h"
#include "gui_test_support.h"
#include "temp_folder.h"

namespace wintk {
namespace {

using testing::Box;
using testing::colour_box;
using testing::run_gui;

constexpr std::uint32_t kBlack = 0;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// Lines, bars, viewport clipping and clearing; an invalid fill pattern sets the error result.
TEST(Drawing, LinesBarsViewportAndFillPatterns) {
  run_gui([] {
    initwindow(100, 80, "Lines");
    const int red = creatergb(255, 0, 0);
    const auto r = static_cast<std::uint32_t>(red);  // as the page holds it
    setcolor(red);
    line(10, 20, 60, 20);
    line(5, 5, 5, 30);
    setfillstyle(1, creatergb(0, 0, 255));
    bar(70, 40, 79, 49);
    PixelBuffer page = getpagepixels();
    EXPECT_EQ(std::vector({page.at(10, 20), page.at(35, 20), page.at(35, 19), page.at(35, 21),
                           page.at(5, 17), page.at(6, 17)}),
              std::vector({r, r, kBlack, kBlack, r, kBlack}));
    EXPECT_EQ(colour_box(page, 0xFF0000u), (Box{70, 40, 79, 49}));
    EXPECT_EQ(graphresult(), 0);
    setfillstyle(13, kWhite);
    EXPECT_EQ(graphresult(), kGraphErrorFill);
    EXPECT_EQ(graphresult(), 0);  // reading clears it
    bar(70, 0, 79, 9);
    EXPECT_EQ(getpagepixels().at(75, 5), 0xFF0000u);
    setfillstyle(0, kWhite);  // pattern 0 fills with the background colour
    bar(70, 40, 79, 49);
    EXPECT_EQ(getpagepixels().at(75, 45), kBlack);

    initwindow(100, 100, "Viewport");
    setviewport(20, 30, 49, 59, true);
    setbkcolor(creatergb(0, 255, 0));
    clearviewport();
    setfillstyle(1, kWhite);
    bar(-10, -10, 200, 200);  // clipped to the viewport
    EXPECT_EQ(colour_box(getpagepixels(), kBlack, true), (Box{20, 30, 49, 59}));
    resetviewport();
    EXPECT_EQ(std::pair(getviewsettings().clip, getviewsettings().right), std::pair(false, 100));
  });
}

// Line breaks count in text sizes; centred opaque text covers its measured block.
TEST(Text, MeasuringAndCentredText) {
  run_gui([] {
    initwindow(300, 100, "Text");
    settextstyle(1, 0, 16);
    const int one = textheight("Km");
    EXPECT_EQ(std::pair(textheight("Km\r\nVm"), textheight("Km\nVm")), std::pair(2 * one, 2 * one));
    EXPECT_EQ(textwidth("a\r\nlonger line"), textwidth("longer line"));
    EXPECT_EQ(textwidth("trailing   "), textwidth("trailing"));

    setfillstyle(1, creatergb(0, 0, 255));
    bar(0, 0, 299, 99);
    setcolor(kWhite);
    settextstyle(1, 0, 20);
    settextjustify(1, 2);
    outtextxy(150, 40, "Michaelis");
    PixelBuffer page = getpagepixels();
    const Box cell = colour_box(page, 0xFF0000u, true);  // black over the blue bar
    const int width = textwidth("Michaelis");
    EXPECT_EQ(std::pair(cell.top, cell.bottom), std::pair(40, 40 + textheight("Michaelis") - 1));
    EXPECT_NEAR(cell.left, 150 - width / 2.0, 1);
    EXPECT_NEAR(cell.right, 150 + width / 2.0, 1);
    const Box white = colour_box(page, kWhite);
    ASSERT_FALSE(white.empty());
    EXPECT_NEAR((white.left + white.right) / 2.0, 150.0, 4.0);
  });
}

TEST(Drawing, RefreshingOffDefersTheScreenUntilRefreshall) {
  run_gui([] {
    const int window = initwindow(60, 60, "Refresh");
    setfillstyle(1, kWhite);
    test_input::flush_gui_events();  // shown and painted before refreshing stops
    setrefreshing(false);
    bar(20, 20, 29, 29);
    test_input::flush_gui_events();
    EXPECT_EQ(test_input::grab_screen(window).at(25, 25), kBlack);
    EXPECT_EQ(getpagepixels().at(25, 25), kWhite);  // drawn on the page all the same
    refreshall();
    test_input::flush_gui_events();
    EXPECT_EQ(test_input::grab_screen(window).at(25, 25), kWhite);
    // With nothing new a refresh paints nothing (the command loop refreshes hundreds of times).
    const int paints = test_input::paint_count(window);
    refreshall();
    test_input::flush_gui_events();
    EXPECT_EQ(test_input::paint_count(window), paints);
  });
}

// Qt's own reader agrees with ours on every pixel, so the layout is the published one.
TEST(ImageFile, WrittenBitmapReloadsWithTheSamePixels) {
  const velmor::testing::TempFolder folder;
  const std::string path = folder.file("image.bmp");
  run_gui([&] {
    initwindow(101, 50, "Save");  // an odd width exercises the row padding
    setcolor(creatergb(10, 200, 30));
    line(0, 0, 100, 49);
    setfillstyle(1, creatergb(250, 5, 128));
    bar(60, 5, 90, 20);
    ASSERT_TRUE(writeimagefile(path));
    const PixelBuffer page = getpagepixels();
    EXPECT_EQ(bmp::read_bmp(path).value_or(PixelBuffer{}).pixels, page.pixels);
    const QImage image = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(101, 50));
    for (int y = 0; y < 50; ++y) {
      for (int x = 0; x < 101; ++x) {
        const std::uint32_t c = page.at(x, y);  // red in the low byte
        ASSERT_EQ(image.pixel(x, y), qRgb(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF))
            << x << ',' << y;
      }
    }
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 4);
    EXPECT_FALSE(bmp::read_bmp(path).has_value());  // a truncated file
    EXPECT_FALSE(bmp::write_bmp(path, PixelBuffer{}) ||
                 bmp::write_bmp(folder.file("missing/x.bmp"), page) ||
                 bmp::read_bmp(folder.file("missing/x.bmp")).has_value());
  });
}

TEST(ImageFile, PrintingToAPdfFileWritesADocument) {
  const velmor::testing::TempFolder folder;
  const std::string path = folder.file("print.pdf");
  RecordingResponder responder;
  responder.queue_answer({true, path});
  run_gui([&] {
    initwindow(80, 60, "Print");
    setfillstyle(1, kWhite);
    bar(10, 10, 40, 40);
    EXPECT_TRUE(printimage("Plot"));
    EXPECT_FALSE(printimage("Plot"));  // the next dialog is cancelled
  });
  EXPECT_TRUE(velmor::testing::read_file(path).starts_with("%PDF-"));
  EXPECT_EQ(responder.requests().front().initial_name, "Plot Window");
}

}  // namespace
}  // namespace wintk
