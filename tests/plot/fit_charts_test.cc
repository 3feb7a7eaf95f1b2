#include "plot/fit_charts.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "plot/batch_pictures.h"
#include "plot/plot_setup.h"
#include "plot_test_support.h"

namespace velmor::plot {
namespace {

namespace fs = std::filesystem;
using testing::count_colour;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const double k11 = static_cast<double>(1.1f);

// A the largest, B the smallest residual; n, D, S, P, T the steps of residual_axis_steps.
TEST(ResidualAxis, RangesOfTheCasesAFitCanGive) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::tuple<const char*, double, double, double, double> kCases[] = {
      {"worked example: n 0, D 0.5, S 0.25, P 2, T 0.75", -0.3, 0.5, -0.7875, 0.75},
      {"all positive: n 3, D 0.125, S 0.05, T 1.05", 0.9, 1.0, -1.05 * 1.05, 1.05},
      {"large negative clipped below -1.05 T", -10.0, 0.5, -5.25, 5.0},
      {"all negative: mirrored, never inverted", -1.0, -0.9, -1.05, 1.05 * 1.05},
      {"negative n: n -1, D 0.6, S 0.25, T 0.5", -0.5, 0.3, -0.525, 0.5},
      {"largest 0: symmetric", -0.5, 0.0, -0.75, 0.75},
      {"all zero", 0.0, 0.0, -1.0, 1.0},
      {"not a number", kNaN, kNaN, -1.0, 1.0},
      {"none finite", kInf, -kInf, -1.0, 1.0},
      {"all equal: taken as [0, A]", 0.5, 0.5, -0.7875, 0.75}};
  for (const auto& [name, lo, hi, min, max] : kCases) {
    const ResidualAxis axis = residual_axis_range(lo, hi);
    EXPECT_NEAR(axis.min, min, 1e-6) << name;
    EXPECT_NEAR(axis.max, max, 1e-6) << name;
  }
}

TEST(ResidualAxis, TopIsAMultipleOfTheStepAboveTheLargestResidual) {
  for (const double hi : {1e-9, 3e-4, 0.02, 0.5, 0.99, 1.0, 7.3, 150.0, 4.2e6}) {
    for (const double spread : {0.0, 0.01, 0.5, 1.0, 3.0, 40.0}) {
      const double lo = hi - spread * hi;
      const ResidualAxisSteps s = residual_axis_steps(hi, lo);
      const ResidualAxis axis = residual_axis_range(lo, hi), mirrored = residual_axis_range(-hi, -lo);
      SCOPED_TRACE(std::to_string(hi) + " " + std::to_string(lo));
      EXPECT_TRUE(axis.max > hi && axis.min < 0.0 && axis.max == s.t);
      EXPECT_NEAR(std::remainder(s.t / s.s, 1.0), 0.0, 1e-9);
      // All residuals negative: the mirror image of the all-positive range.
      EXPECT_TRUE(lo <= 0.0 || (mirrored.min == -axis.max && mirrored.max == -axis.min));
    }
  }
}

ProgressCurveData rows_with_so(const std::vector<double>& so) {
  ProgressCurveData data;
  for (std::size_t i = 0; i < so.size(); ++i) {
    data.X1[i] = 10.0 * i;
    data.X2[i] = so[i];
    data.Y[i] = static_cast<double>(i);
    data.Ycalc[i] = i + 0.25;
  }
  data.nRows = static_cast<int>(so.size());
  return data;
}

TEST(GroupPlotCurves, SplitsWhereSoChangesAndKeepsTenCurvesAtMost) {
  const auto curves = group_plot_curves(rows_with_so({5, 5 + 5e-8, 5, 7, 7, 5}));
  ASSERT_EQ(curves.size(), 3u);  // a change of 1e-7 or less is the same curve
  EXPECT_EQ(curves[0].time, (std::vector<double>{0, 10, 20}));
  EXPECT_EQ(curves[1].observed, (std::vector<double>{3, 4}));
  EXPECT_EQ(curves[1].fitted, (std::vector<double>{3.25, 4.25}));
  EXPECT_TRUE(curves[1].so == 7.0 && curves[2].so == 5.0);

  const auto none = group_plot_curves(rows_with_so({}));
  EXPECT_TRUE(none.size() == 1u && none[0].time.empty());

  std::vector<double> so;
  for (int c = 0; c < 12; ++c) so.insert(so.end(), {double(c), double(c)});
  const auto ten = group_plot_curves(rows_with_so(so));
  ASSERT_EQ(ten.size(), 10u);  // the rows of curves 11 and 12 are not drawn
  EXPECT_TRUE(ten[9].so == 9.0 && ten[9].time.size() == 2u);
}

// Per curve dots with the legend and a line; scales 1.1 (float) x the largest time and observed
// value; an all-negative maximum autoscales instead; ten curves take the ten colours in order.
TEST(FitPlotContents, CurvesLegendsScalesAndColours) {
  RunState state;
  ASSERT_TRUE(testing::load_example(state));
  const PlotContents contents = make_fit_plot_contents(state.data, 1, state.strmdl);
  EXPECT_EQ(std::tuple(contents.title, contents.x_label, contents.y_label),
            std::tuple("1- [Pt] vs time Michaelis-Menten", "Time", "Product"));
  // The G0 texts of gfortran for REAL(4) 50, 100 and 500.
  const char* legends[] = {"[So] =50.0000000", "[So] =100.000000", "[So] =500.000000"};
  ASSERT_EQ(contents.series.size(), 6u);
  for (int k = 0; k < 3; ++k) {
    const SeriesContents& dots = contents.series[2 * k];
    const SeriesContents& line = contents.series[2 * k + 1];
    EXPECT_EQ(std::tuple(dots.label, line.label, dots.x.size()), std::tuple(legends[k], "", 9u));
    EXPECT_TRUE(dots.type == kSeriesBigDots && line.type == kSeriesLine && line.x == dots.x);
  }
  EXPECT_EQ(contents.series[1].y[1], state.data.Ycalc[1]);
  EXPECT_TRUE(contents.x_scale.fixed && contents.y_scale.fixed);
  EXPECT_DOUBLE_EQ(contents.x_scale.max, k11 * 360.0);
  EXPECT_DOUBLE_EQ(contents.y_scale.min, 0.0);
  EXPECT_DOUBLE_EQ(contents.y_scale.max, k11 * 123.469);
  Chart chart;  // drawn where a logarithmic Y axis was: linear again
  chart.GetYAxis().logarithmic = true;
  apply_plot_contents(contents, chart);
  EXPECT_FALSE(chart.GetYAxis().logarithmic);
  EXPECT_EQ(chart.GetYAxis().max, static_cast<float>(k11 * 123.469));

  ProgressCurveData data = rows_with_so({1, 1, 1});
  for (const auto& [model, label] : {std::pair{2, "Product"}, {3, "Substrate"}, {4, "Substrate"}}) {
    EXPECT_EQ(make_fit_plot_contents(data, model, "").y_label, label) << model;
  }
  for (int i = 0; i < 3; ++i) {
    data.X1[i] = 0.0;
    data.Y[i] = -2.0 - i;
  }
  const PlotContents negative = make_fit_plot_contents(data, 1, "");
  EXPECT_FALSE(negative.x_scale.fixed || negative.y_scale.fixed);

  std::vector<double> so;
  for (int c = 0; c < 10; ++c) so.insert(so.end(), {c + 1.0, c + 1.0, c + 1.0});
  const PlotContents ten = make_fit_plot_contents(rows_with_so(so), 1, "m");
  ASSERT_EQ(ten.series.size(), 20u);
  const Rgb table[] = {{0, 0, 255},    {255, 127, 255}, {255, 127, 64}, {0, 255, 255},
                       {127, 0, 255},  {255, 0, 255},   {127, 64, 255}, {64, 127, 127},
                       {127, 64, 127}, {127, 127, 127}};
  for (int k = 0; k < 20; ++k) EXPECT_EQ(ten.series[k].colour, table[k / 2]) << k;
  EXPECT_EQ(ten.series[18].label, "[So] =10.0000000");
  EXPECT_EQ(curve_legend_text(1e-5), "[So] =0.999999975E-5");
}

TEST(ResidualPlotContents, ResidualsAgainstRowNumbersWithZeroLineAndTwoLineTitle) {
  RunState state;
  ASSERT_TRUE(testing::load_example(state));
  state.data.Ycalc[4] = state.data.Y[4] + 2.0;  // the largest residual
  state.data.Ycalc[7] = kNaN;                   // a failed value does not blank the axis
  const PlotContents contents = make_residual_plot_contents(state.data, state.strmdl);
  EXPECT_EQ(std::tuple(contents.title, contents.x_label, contents.y_label),
            std::tuple("1- [Pt] vs time Michaelis-Menten\r\nResiduals Plot", "NUMBER", "RESIDUAL"));
  ASSERT_EQ(contents.series.size(), 2u);
  const SeriesContents &dots = contents.series[0], &zero = contents.series[1];
  ASSERT_EQ(dots.x.size(), 27u);
  EXPECT_TRUE(dots.x.front() == 1.0 && dots.x.back() == 27.0);
  EXPECT_DOUBLE_EQ(dots.y[4], 2.0);
  EXPECT_DOUBLE_EQ(dots.y[0], -0.5);
  EXPECT_TRUE(dots.type == kSeriesBigDots && zero.type == kSeriesLine);
  EXPECT_EQ(zero.y, std::vector<double>(27, 0.0));
  EXPECT_TRUE(dots.colour == (Rgb{0, 0, 255}) && zero.colour == (Rgb{0, 0, 255}));
  EXPECT_DOUBLE_EQ(contents.x_scale.max, k11 * 27);
  const ResidualAxis expected = residual_axis_range(-0.5, 2.0);
  EXPECT_TRUE(contents.y_scale.fixed && contents.y_scale.min == expected.min &&
              contents.y_scale.max == expected.max);

  EXPECT_EQ(make_residual_plot_contents(state.data, std::string(80, 'x')).title, std::string(80, 'x'));
}

TEST(BatchPictures, NamedAfterTheDataFileTheModelAndTheFormat) {
  EXPECT_EQ(fit_picture_path("out", "DATA", 1), fs::path("out/DATA.model1.png"));
  EXPECT_EQ(fit_picture_path("out", "run-2", 4, PictureFormat::kSvg),
            fs::path("out/run-2.model4.svg"));
  EXPECT_EQ(residual_picture_path("/tmp/p", "DATA", PictureFormat::kPdf),
            fs::path("/tmp/p/DATA.residuals.pdf"));
}

TEST(BatchPictures, WriterMakesTheFolderAndWritesEightHundredBySixHundredPngs) {
  const testing::TempFolder temp;
  const fs::path folder = temp.path() / "new" / "pictures";
  RunState state;
  ASSERT_TRUE(testing::load_example(state));
  std::ostringstream err;
  BatchPictureWriter writer(folder, "DATA", PictureFormat::kPng, err);
  EXPECT_FALSE(fs::exists(folder));  // made with the first picture, after the data were accepted
  writer.fit(state);
  EXPECT_TRUE(fs::is_directory(folder));
  state.imdlno = 2;
  writer.fit(state);
  writer.residuals(state);
  EXPECT_FALSE(writer.failed());
  EXPECT_EQ(err.str(), "");
  // Each an 800 x 600 picture of its own plot: the three curves, or the blue residuals alone.
  for (const auto& [name, fit] : {std::pair{"DATA.model1.png", true}, {"DATA.model2.png", true},
                                  {"DATA.residuals.png", false}}) {
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString((folder / name).string()), "PNG")) << name;
    EXPECT_EQ(image.size(), QSize(800, 600)) << name;
    EXPECT_GT(count_colour(image, kCurveColours[0]), 100) << name;
    EXPECT_EQ(count_colour(image, kCurveColours[2]) > 100, fit) << name;
  }
}

// Each failure an error line naming its picture; nothing written through a link or over a folder.
TEST(BatchPictures, FailuresAreReportedAsErrors) {
  const testing::TempFolder temp;
  const fs::path base = temp.path();
  RunState state;
  ASSERT_TRUE(testing::load_example(state));

  std::ostringstream err;  // the folder's name is taken by a file
  BatchPictureWriter blocked(temp.write("taken", "x"), "DATA", PictureFormat::kPng, err);
  blocked.fit(state);
  EXPECT_TRUE(blocked.failed());
  EXPECT_EQ(err.str(),
            "Error: cannot create the folder " + (base / "taken").string() + " for the pictures\n");

  const fs::path target = temp.write("target.txt", "kept\n");
  fs::create_symlink(target, base / "DATA.model1.png");
  fs::create_directory(base / "DATA.residuals.png");
  std::ostringstream err2;
  BatchPictureWriter writer(base, "DATA", PictureFormat::kPng, err2);
  writer.fit(state);
  writer.residuals(state);
  EXPECT_TRUE(writer.failed());
  EXPECT_EQ(err2.str(),
            "Error: The output file is a symbolic link, which is not written through: " +
                (base / "DATA.model1.png").string() +
                "\nError: The output file name is a folder: " +
                (base / "DATA.residuals.png").string() + "\n");
  EXPECT_EQ(testing::read_file(target.string()), "kept\n");
  EXPECT_TRUE(fs::is_directory(base / "DATA.residuals.png"));
}

}  // namespace
}  // namespace velmor::plot
