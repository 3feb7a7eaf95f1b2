#include "plot/toolkit_painter.h"

#include <gtest/gtest.h>

#include "plot_test_support.h"

namespace velmor::plot {
namespace {

using wintk::testing::run_gui;

constexpr std::uint32_t kPaperWhite = 0xFFFFFF;

wintk::testing::Box ink_box(const wintk::PixelBuffer& page) {
  return wintk::testing::ink_box(page, kPaperWhite);
}

void white_page() {
  wintk::setbkcolor(0xFFFFFF);
  wintk::resetviewport();
  wintk::clearviewport();
}

TEST(ToolkitPainter, AreaIsTheViewportAndClippingKeepsAreaCoordinates) {
  run_gui([] {
    wintk::initwindow(300, 200, "Painter");
    white_page();
    wintk::setviewport(40, 30, 239, 179, false);
    {
      ToolkitPainter painter;
      EXPECT_EQ(painter.GetWidth(), 200);
      EXPECT_EQ(painter.GetHeight(), 150);
      painter.SetClipRect(10, 20, 50, 40);
      painter.SetLineColor(255, 0, 0);
      painter.DrawLine(0.f, 30.4f, 199.f, 30.4f);  // area row 30, cut to area columns 10..60
      painter.SetFillColor(0, 0, 255);
      painter.FillRect(55, 55, 100, 100);  // only its corner lies inside the clip
      EXPECT_TRUE(painter.clipping());
    }
    // The painter gave the viewport back.
    const wintk::ViewSettings view = wintk::getviewsettings();
    EXPECT_EQ(view.left, 40);
    EXPECT_EQ(view.right, 239);
    EXPECT_FALSE(view.clip);

    wintk::resetviewport();
    const wintk::PixelBuffer page = wintk::getpagepixels();
    const Rgb red{255, 0, 0}, blue{0, 0, 255};
    // Area (x, 30) is page (40 + x, 60); the clip spans page columns 50..100, rows 50..90.
    EXPECT_EQ(page.at(55, 60), testing::toolkit_colour(red));
    EXPECT_EQ(page.at(45, 60), kPaperWhite);
    EXPECT_EQ(page.at(110, 60), kPaperWhite);
    EXPECT_GT(testing::count_colour(page, red, 50, 60, 101, 61), 45);
    EXPECT_GT(testing::count_colour(page, blue, 95, 85, 101, 91), 20);
    EXPECT_EQ(testing::count_colour(page, blue, 102, 0, 300, 200), 0);
    EXPECT_EQ(testing::count_colour(page, blue, 0, 92, 300, 200), 0);
  });
}

TEST(ToolkitPainter, TextBottomAtYAndRotatedTextLeftOfAndAboveItsAnchor) {
  run_gui([] {
    wintk::initwindow(300, 300, "Text");
    white_page();
    wintk::settextstyle(7, 0, 40);  // a window's own text style must not leak into measuring
    ToolkitPainter painter;
    painter.SetLineColor(0, 0, 0);
    const int width = painter.CalculateTextDrawSize("Product");  // before the font is asked for
    const int height = painter.GetFontHeight();
    EXPECT_GT(height, 10);
    EXPECT_GT(width, 30);
    EXPECT_EQ(painter.CalculateTextDrawSize("Product"), width);

    painter.DrawText(50, 100, "Wg");
    wintk::testing::Box box = ink_box(wintk::getpagepixels());
    ASSERT_FALSE(box.empty());
    EXPECT_GE(box.left, 50);
    EXPECT_LE(box.bottom, 100);
    EXPECT_GE(box.top, 100 - height);

    white_page();
    painter.DrawRotatedText(200, 250, 90.0f, "Product");
    box = ink_box(wintk::getpagepixels());
    ASSERT_FALSE(box.empty());
    // Reading upward: [x - height, x] x [y - width, y].
    EXPECT_GE(box.left, 200 - height);
    EXPECT_LE(box.right, 200);
    EXPECT_GE(box.top, 250 - width);
    EXPECT_LE(box.bottom, 250);
    EXPECT_GT(box.bottom - box.top, 2 * (box.right - box.left));
  });
}

}  // namespace
}  // namespace velmor::plot
