// SPDX-License-Identifier: MIT

#include "gui/pictures/image_painter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gui/pictures/picture_files.h"
#include "picture_test_support.h"
#include "plot/fit_charts.h"
#include "plot/plot_setup.h"
#include "temp_folder.h"

namespace velmor::plot {
namespace {

namespace fs = std::filesystem;
using testing::count_colour;

constexpr Rgb kBlue{0, 0, 255}, kOrange{255, 127, 64};

// Two curves set up like a fit plot: dots and a line each, one colour per curve, grids, labels.
std::unique_ptr<Chart> two_curve_chart() {
  PlotContents contents{
      "1- [Pt] vs time Michaelis-Menten", "Time", "Product", {true, 0, 110}, {true, 0, 5.5}, {}};
  const std::vector<double> t = {10, 30, 50, 70, 90, 100};
  const std::vector<double> y[] = {{1, 2.2, 3.1, 3.9, 4.5, 4.8}, {0.4, 1.1, 1.6, 2.0, 2.3, 2.4}};
  for (int k = 0; k < 2; ++k) {
    const Rgb colour = k == 0 ? kBlue : kOrange;
    contents.series.push_back({t, y[k], colour, kSeriesBigDots, "[So] =" + std::to_string(k + 1)});
    contents.series.push_back({t, y[k], colour, kSeriesLine, ""});
  }
  return build_chart(contents);
}

// Grid and curves inside the plot area; the PNG holds those pixels; bad names leave nothing.
TEST(ImagePainter, RendersTheFitPlotAndSavesItAsPng) {
  auto chart = two_curve_chart();
  const QImage image = render_chart_image(*chart, 800, 600);
  ASSERT_EQ(image.size(), QSize(800, 600));
  const Rect plot = chart->GetPlotRect();
  const QRect inside(plot.x + 1, plot.y + 1, plot.w - 2, plot.h - 2);
  EXPECT_GT(count_colour(image, {200, 200, 200}, inside), 1000);  // grid lines
  EXPECT_GT(count_colour(image, kOrange, inside), 6 * 25);        // six 5 x 5 dots and a line
  EXPECT_EQ(count_colour(image, kBlue, QRect(0, plot.y + plot.h / 2, plot.x - 1, plot.h / 2)), 0);

  const velmor::testing::TempFolder folder;
  const std::string file = folder.file("DATA.model1.png");
  ASSERT_TRUE(save_chart_png(*chart, 800, 600, file));
  QImage back;
  ASSERT_TRUE(back.load(QString::fromStdString(file), "PNG"));
  EXPECT_EQ(back.convertToFormat(image.format()), image);
  EXPECT_FALSE(save_chart_png(*chart, 800, 600, folder.file("missing/x.png")) ||
               save_chart_png(*chart, 800, 600, folder.path().string()) ||  // a folder
               save_chart_png(*chart, 0, 600, folder.file("empty.png")));
  EXPECT_FALSE(fs::exists(folder.file("missing")) || fs::exists(folder.file("empty.png")));
  chart->GetXAxis().SetFixedRange(5, 5);
  EXPECT_FALSE(save_chart_png(*chart, 800, 600, folder.file("flat.png")));
  EXPECT_TRUE(fs::exists(folder.file("flat.png")));
}

// Bounding box of the pixels darker than mid-grey.
QRect dark_box(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

// Text bottom at y, rotated text upward; a far-away or NaN line end never crashes or strays.
TEST(ImagePainter, TextAnchorsAndFarAwayLineEnds) {
  const OffscreenGuiScope gui;
  ASSERT_TRUE(gui.ok());
  QImage image(300, 300, QImage::Format_RGB32);
  image.fill(Qt::white);
  int font_height = 0, width = 0;
  {
    ImagePainter painter(image);
    font_height = painter.GetFontHeight();
    width = painter.CalculateTextDrawSize("Product");
    EXPECT_TRUE(font_height >= 16 && font_height < 24) << font_height;
    painter.SetLineColor(0, 0, 0);
    painter.DrawText(20, 50, "Hxg");
    painter.DrawRotatedText(150, 250, 90.0f, "Product");
    painter.DrawLine(280, 0, 280, 1e30f);  // a vertical line through the whole picture
    painter.DrawLine(0, 0, std::nanf(""), 10);
  }
  const QRect text = dark_box(image.copy(0, 0, 120, 120));
  ASSERT_FALSE(text.isNull());
  EXPECT_TRUE(text.bottom() < 50 && text.top() >= 50 - font_height && text.left() >= 20);
  const QRect rotated = dark_box(image.copy(120, 120, 150, 180)).translated(120, 120);
  ASSERT_FALSE(rotated.isNull());
  EXPECT_TRUE(rotated.right() <= 150 && rotated.left() >= 150 - font_height &&
              rotated.bottom() <= 250 && rotated.top() >= 250 - width - 1);
  EXPECT_EQ(count_colour(image.copy(275, 0, 25, 300), kBlack), 300);
  EXPECT_EQ(count_colour(image.copy(0, 0, 20, 300), kBlack), 0);
}

// Wide lines and polygons by the device's own pen and fill, in the exact colour; a polygon far
// outside the picture is left out.
TEST(ImagePainter, WideLinesAndPolygonsInTheExactColour) {
  const OffscreenGuiScope gui;
  ASSERT_TRUE(gui.ok());
  QImage image(300, 300, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    ImagePainter painter(image);
    painter.SetLineColor(kOrange);
    painter.DrawWideLine(20, 100, 120, 100, 2);
    painter.SetFillColor(kBlue);
    painter.FillPolygon({{200, 200}, {210, 200}, {210, 210}, {200, 210}});
    painter.FillPolygon({{1e9f, 0}, {2e9f, 0}, {1e9f, 1e9f}});
  }
  const int orange = count_colour(image, kOrange);
  EXPECT_TRUE(orange >= 2 * 100 && orange <= 2 * 103) << orange;
  EXPECT_EQ(count_colour(image, kOrange, QRect(0, 99, 300, 2)), orange);
  EXPECT_EQ(count_colour(image, kBlue), 100);
  EXPECT_EQ(count_colour(image, kBlue, QRect(200, 200, 10, 10)), 100);
}

// SVG: the picture's size, a legend text, both colours; PDF: one page of the picture's size.
TEST(SavePicture, EachFormatOpensAsAPictureOfTheChart) {
  const velmor::testing::TempFolder folder;
  const OffscreenGuiScope gui;
  for (const PictureFormat format : {PictureFormat::kSvg, PictureFormat::kPdf}) {
    SCOPED_TRACE(picture_extension(format));
    auto chart = two_curve_chart();
    const std::string file = folder.file(std::string("chart.") + picture_extension(format));
    ASSERT_EQ(picture_format_of_file(file), format);
    ASSERT_TRUE(save_chart_picture(*chart, 800, 600, format, file));
    QFile in(QString::fromStdString(file));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(in.readAll());
    if (format == PictureFormat::kSvg) {
      EXPECT_TRUE(text.contains(QRegularExpression("<svg[^>]*viewBox=\"0 0 800 600\"")));
      EXPECT_TRUE(text.contains("#ff7f40") && text.contains("#0000ff"));        // both curves
      EXPECT_TRUE(text.contains(QRegularExpression(">\\s*\\[So\\] =1\\s*<")));  // a legend text
    } else {
      EXPECT_TRUE(text.startsWith("%PDF-1.") && text.trimmed().endsWith("%%EOF"));
      EXPECT_EQ(text.count(QRegularExpression("/Type\\s*/Page\\b(?!s)")), 1);
      EXPECT_TRUE(text.contains(QRegularExpression("/MediaBox \\[0 0 600(\\.0+)? 450(\\.0+)?\\]")));
    }
  }
}

}  // namespace
}  // namespace velmor::plot
