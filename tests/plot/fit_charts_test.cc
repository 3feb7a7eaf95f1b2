#include "plot/fit_charts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "plot/plot_setup.h"
#include "plot_test_support.h"

namespace velmor::plot {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const double k11 = static_cast<double>(1.1f);

// [SECTION] Residual axis

TEST(ResidualAxis, RangesOfTheCasesAFitCanGive) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    double lo, hi;
    double min, max;
  };
  const Case cases[] = {
      // Largest 0.5, smallest -0.3: n = 0, D = 0.5, S = 0.25, P = 2, T = 0.75.
      {"worked example", -0.3, 0.5, -0.7875, 0.75},
      // All positive, close together: n = 3, D = 0.125, S = 0.05, T = 1.05.
      {"all positive", 0.9, 1.0, -1.05 * 1.05, 1.05},
      // A large negative residual does not widen the range: it is clipped below -1.05 T.
      {"large negative is clipped", -10.0, 0.5, -5.25, 5.0},
      // All negative: the positive case upside down, never an inverted range.
      {"all negative mirrored", -1.0, -0.9, -1.05, 1.05 * 1.05},
      // A wide negative side: n = -1, D = 0.6, S = 0.25, T = 0.5.
      {"negative n estimate", -0.5, 0.3, -0.525, 0.5},
      // Largest residual exactly 0: symmetric about the zero line.
      {"largest is zero", -0.5, 0.0, -0.75, 0.75},
      {"all zero", 0.0, 0.0, -1.0, 1.0},
      {"not a number", kNaN, kNaN, -1.0, 1.0},
      {"none finite", kInf, -kInf, -1.0, 1.0},
      // Every residual the same: taken as [0, A].
      {"all equal", 0.5, 0.5, -0.7875, 0.75},
  };
  for (const Case& c : cases) {
    const ResidualAxis axis = residual_axis_range(c.lo, c.hi);
    EXPECT_NEAR(axis.min, c.min, 1e-6) << c.name;
    EXPECT_NEAR(axis.max, c.max, 1e-6) << c.name;
  }
}

TEST(ResidualAxis, TopIsAMultipleOfTheStepAboveTheLargestResidual) {
  for (const double hi : {1e-9, 3e-4, 0.02, 0.5, 0.99, 1.0, 7.3, 150.0, 4.2e6}) {
    for (const double spread : {0.0, 0.01, 0.5, 1.0, 3.0, 40.0}) {
      const double lo = hi - spread * hi;
      const ResidualAxisSteps s = residual_axis_steps(hi, lo);
      const ResidualAxis axis = residual_axis_range(lo, hi);
      ASSERT_TRUE(std::isfinite(axis.max)) << hi << " " << lo;
      EXPECT_GT(axis.max, hi) << hi << " " << lo;
      EXPECT_LT(axis.min, 0.0) << hi << " " << lo;
      EXPECT_DOUBLE_EQ(axis.max, s.t);
      EXPECT_NEAR(std::remainder(s.t / s.s, 1.0), 0.0, 1e-9) << hi << " " << lo;
      if (lo > 0.0) {
        // All residuals negative: the mirror image of the all-positive range.
        const ResidualAxis mirrored = residual_axis_range(-hi, -lo);
        EXPECT_DOUBLE_EQ(mirrored.min, -axis.max);
        EXPECT_DOUBLE_EQ(mirrored.max, -axis.min);
      }
    }
  }
}

// [SECTION] Curves and the XY plot

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
  EXPECT_EQ(curves[1].so, 7.0);
  EXPECT_EQ(curves[2].so, 5.0);

  const auto none = group_plot_curves(rows_with_so({}));
  ASSERT_EQ(none.size(), 1u);
  EXPECT_TRUE(none[0].time.empty());

  std::vector<double> so;
  for (int c = 0; c < 12; ++c) so.insert(so.end(), {double(c), double(c)});
  const auto ten = group_plot_curves(rows_with_so(so));
  ASSERT_EQ(ten.size(), 10u);  // the rows of curves 11 and 12 are not drawn
  EXPECT_EQ(ten[9].so, 9.0);
  EXPECT_EQ(ten[9].time.size(), 2u);
}

// The example: three curves, each dots with its legend and a line through the fitted values;
// the scales are fixed at 1.1 (single precision) times the largest time and observed value (the
// fitted values do not count). One curve is blue; the Y label follows the model; an all-negative
// maximum leaves the scales to autoscale instead of the range [0, negative]. Ten curves take the
// ten colours in table order.
TEST(FitPlotContents, CurvesLegendsScalesAndColours) {
  RunState state;
  ASSERT_TRUE(testing::load_example(state));
  const PlotContents contents = make_fit_plot_contents(state.data, 1, state.strmdl);
  EXPECT_EQ(contents.title, "1- [Pt] vs time Michaelis-Menten");
  EXPECT_EQ(contents.x_label, "Time");
  EXPECT_EQ(contents.y_label, "Product");
  // The G0 texts of gfortran for REAL(4) 50, 100 and 500.
  const char* legends[] = {"[So] =50.0000000", "[So] =100.000000", "[So] =500.000000"};
  ASSERT_EQ(contents.series.size(), 6u);
  for (int k = 0; k < 3; ++k) {
    const SeriesContents& dots = contents.series[2 * k];
    const SeriesContents& line = contents.series[2 * k + 1];
    EXPECT_EQ(dots.label, legends[k]);
    EXPECT_EQ(dots.type, kSeriesBigDots);
    EXPECT_EQ(line.type, kSeriesLine);
    EXPECT_EQ(line.label, "");
    EXPECT_EQ(line.x, dots.x);
    EXPECT_EQ(dots.x.size(), 9u);
  }
  EXPECT_EQ(contents.series[1].y[1], state.data.Ycalc[1]);
  EXPECT_TRUE(contents.x_scale.fixed && contents.y_scale.fixed);
  EXPECT_DOUBLE_EQ(contents.x_scale.max, k11 * 360.0);
  EXPECT_DOUBLE_EQ(contents.y_scale.min, 0.0);
  EXPECT_DOUBLE_EQ(contents.y_scale.max, k11 * 123.469);
  const auto chart = build_chart(contents);  // what a window or picture draws
  EXPECT_FALSE(chart->GetXAxis().autoscale_max);
  EXPECT_EQ(chart->GetYAxis().max, static_cast<float>(k11 * 123.469));

  ProgressCurveData data = rows_with_so({1, 1, 1});
  const PlotContents one = make_fit_plot_contents(data, 2, "");
  ASSERT_EQ(one.series.size(), 2u);
  EXPECT_EQ(one.series[0].colour, (Rgb{0, 0, 255}));
  EXPECT_EQ(one.series[1].colour, (Rgb{0, 0, 255}));
  EXPECT_EQ(one.y_label, "Product");
  EXPECT_EQ(make_fit_plot_contents(data, 3, "").y_label, "Substrate");
  EXPECT_EQ(make_fit_plot_contents(data, 4, "").y_label, "Substrate");
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
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(ten.series[2 * k].colour, table[k]) << k;
    EXPECT_EQ(ten.series[2 * k + 1].colour, table[k]) << k;
  }
  EXPECT_EQ(ten.series[18].label, "[So] =10.0000000");
  // Legend texts of other values, cut to fifty characters.
  EXPECT_EQ(curve_legend_text(0.5), "[So] =0.500000000");
  EXPECT_EQ(curve_legend_text(1e-5), "[So] =0.999999975E-5");
  EXPECT_LE(curve_legend_text(-3.4e38).size(), kLegendLength);
}

// [SECTION] Residual plot

TEST(ResidualPlotContents, ResidualsAgainstRowNumbersWithZeroLineAndTwoLineTitle) {
  RunState state;
  ASSERT_TRUE(testing::load_example(state));
  state.data.Ycalc[4] = state.data.Y[4] + 2.0;  // the largest residual
  state.data.Ycalc[7] = kNaN;                   // a failed value does not blank the axis
  const PlotContents contents = make_residual_plot_contents(state.data, state.strmdl);
  EXPECT_EQ(contents.title, "1- [Pt] vs time Michaelis-Menten\r\nResiduals Plot");
  EXPECT_EQ(contents.x_label, "NUMBER");
  EXPECT_EQ(contents.y_label, "RESIDUAL");
  ASSERT_EQ(contents.series.size(), 2u);
  const SeriesContents& dots = contents.series[0];
  const SeriesContents& zero = contents.series[1];
  ASSERT_EQ(dots.x.size(), 27u);
  EXPECT_EQ(dots.x.front(), 1.0);
  EXPECT_EQ(dots.x.back(), 27.0);
  EXPECT_DOUBLE_EQ(dots.y[4], 2.0);
  EXPECT_DOUBLE_EQ(dots.y[0], -0.5);
  EXPECT_TRUE(dots.type == kSeriesBigDots && zero.type == kSeriesLine);
  EXPECT_EQ(zero.y, std::vector<double>(27, 0.0));
  EXPECT_TRUE(dots.colour == (Rgb{0, 0, 255}) && zero.colour == (Rgb{0, 0, 255}));
  EXPECT_DOUBLE_EQ(contents.x_scale.max, k11 * 27);
  const ResidualAxis expected = residual_axis_range(-0.5, 2.0);
  EXPECT_TRUE(contents.y_scale.fixed);
  EXPECT_DOUBLE_EQ(contents.y_scale.min, expected.min);
  EXPECT_DOUBLE_EQ(contents.y_scale.max, expected.max);

  const std::string long_name(80, 'x');
  EXPECT_EQ(make_residual_plot_contents(state.data, long_name).title, long_name);
}

}  // namespace
}  // namespace velmor::plot
