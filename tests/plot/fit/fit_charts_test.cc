// SPDX-License-Identifier: MIT
// What the fit and residual plots show, and how the chart draws it, on a recording painter.
#include "plot/fit_charts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "../chart/recording_painter.h"
#include "engine/core/global_types.h"
#include "example_data.h"
#include "mechanism_reference.h"
#include "plot/plot_setup.h"
#include "reference_model.h"

namespace velmor::plot {
namespace {

using Kind = RecordingPainter::Kind;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const double k11 = static_cast<double>(1.1f);

// The example as a table naming its units would give it.
ProgressCurveData with_units(ProgressCurveData data, const char* time, const char* conc) {
  data.time_unit = time;
  data.conc_unit = conc;
  return data;
}

ProgressCurveData rows_with_so(const std::vector<double>& so) {
  ProgressCurveData data;
  data.resize_rows(static_cast<int>(so.size()));
  for (std::size_t i = 0; i < so.size(); ++i) {
    data.X1[i] = 10.0 * i;
    data.X2[i] = so[i];
    data.Y[i] = static_cast<double>(i);
    data.Ycalc[i] = i + 0.25;
  }
  return data;
}

// Km, Vm, baseline of a model-2 fit of the example.
ParamVector example_params() {
  ParamVector p{};
  p[0] = 180.0;
  p[1] = 0.9;
  p[2] = 1.5;
  return p;
}

TEST(GroupPlotCurves, SplitsWhereSoChangesAndKeepsTenCurvesAtMost) {
  std::vector<double> so = {5, 5 + 5e-8, 5};  // a change of 1e-7 or less is the same curve
  for (int c = 0; c < 11; ++c) so.insert(so.end(), {double(c), double(c)});
  const auto curves = group_plot_curves(rows_with_so(so));
  ASSERT_EQ(curves.size(), 10u);  // the rows of curves 11 and 12 are not drawn
  EXPECT_EQ(curves[0].time, (std::vector<double>{0, 10, 20}));
  EXPECT_TRUE(curves[1].so == 0.0 && curves[1].fitted == (std::vector<double>{3.25, 4.25}));
  EXPECT_TRUE(curves[9].so == 8.0 && curves[9].time.size() == 2u && curves[9].first_row == 19);
  EXPECT_EQ(group_plot_curves(rows_with_so({1, 2})).size(), 2u);
  const auto one = group_plot_curves(rows_with_so({3}));  // a single row: its own curve
  EXPECT_TRUE(one.size() == 1u && one[0].so == 3.0 && one[0].time.size() == 1u);
}

// Evenly from the first to the last finite time, both exact; one time, or none.
TEST(FineTimes, EvenlyBetweenTheFirstAndLastTime) {
  const std::vector<double> grid = fine_times({40, kNaN, 0.5, 360, 120});
  ASSERT_EQ(grid.size(), static_cast<std::size_t>(kFineSamples));
  EXPECT_GE(kFineSamples, 200);
  EXPECT_TRUE(grid.front() == 0.5 && grid.back() == 360.0);
  for (std::size_t i = 1; i < grid.size(); ++i) {
    EXPECT_NEAR(grid[i] - grid[i - 1], 359.5 / (kFineSamples - 1), 1e-9) << i;
  }
  EXPECT_EQ(fine_times({7, 7}), std::vector<double>{7});
  EXPECT_TRUE(fine_times({kNaN}).empty() && fine_times({}).empty());
}

// Per curve its markers with the legend, then the fitted model on the fine grid; checked against
// the independent reference model. Without a model, the line joins the fitted values.
TEST(FitPlotContents, FittedCurvesOnAFineGridWithMarkersLegendsAndUnits) {
  const ProgressCurveData data = testing::example_with_residuals();
  const ParamVector p = example_params();
  const PlotContents contents = make_fit_plot_contents(
      with_units(data, "min", "uM"), 2, "  2- [Pt] vs time Michaelis-Menten - basl  ",
      fitted_model_curve(2, p));
  EXPECT_EQ(std::tuple(contents.title, contents.x_label, contents.y_label),
            std::tuple("2- [Pt] vs time Michaelis-Menten - basl", "Time (min)", "Product (uM)"));
  EXPECT_TRUE(contents.x_scale.fixed && contents.x_scale.max == k11 * 360.0);
  EXPECT_TRUE(contents.y_scale.fixed && contents.y_scale.max == k11 * 123.469);
  EXPECT_FALSE(contents.x_axis_through_zero);
  ASSERT_EQ(contents.series.size(), 6u);
  const double so[] = {50, 100, 500};
  for (int k = 0; k < 3; ++k) {
    const SeriesContents& points = contents.series[2 * k];
    const SeriesContents& line = contents.series[2 * k + 1];
    EXPECT_EQ(points.label, "[So] = " + std::to_string(int(so[k])) + " uM");
    EXPECT_TRUE(points.marker == kCurveMarkers[k] && points.colour == kCurveColours[k] &&
                line.colour == kCurveColours[k]);
    EXPECT_EQ(points.x.size(), 9u);
    EXPECT_EQ(std::tuple(points.legend_line_width, line.line_width, line.label),
              std::tuple(kCurveLineWidth, kCurveLineWidth, ""));
    ASSERT_EQ(line.x, fine_times(points.x));
    ASSERT_EQ(line.y.size(), line.x.size());
    for (std::size_t i = 0; i < line.x.size(); ++i) {
      const double expected = testing::model_value(2, line.x[i], so[k], {p[0], p[1], p[2]});
      EXPECT_NEAR(line.y[i], expected, 1e-6 * so[k]) << k << ' ' << line.x[i];
    }
  }

  // A mechanism model's curve too: inactivation of the enzyme (model 7).
  ParamVector inactivation = p;
  inactivation[2] = 0.004;
  const PlotContents model7 =
      make_fit_plot_contents(data, 7, "", fitted_model_curve(7, inactivation));
  const SeriesContents& last = model7.series[5];
  for (std::size_t i = 0; i < last.x.size(); i += 15) {
    EXPECT_NEAR(last.y[i], testing::mechanism_value(7, last.x[i], 500.0, {180.0, 0.9, 0.004}),
                1e-9 * 500)
        << last.x[i];
  }

  const PlotContents plain = make_fit_plot_contents(data, 4, "");
  EXPECT_EQ(std::tuple(plain.x_label, plain.y_label, plain.series[1].x, plain.series[1].y[1]),
            std::tuple("Time", "Substrate", plain.series[0].x, data.Ycalc[1]));
  EXPECT_EQ(plain.series[4].label, "[So] = 500");

  ProgressCurveData negative = rows_with_so({1, 1, 1});
  for (int i = 0; i < 3; ++i) {
    negative.X1[i] = 0.0;
    negative.Y[i] = -2.0 - i;
  }
  const PlotContents autoscaled = make_fit_plot_contents(negative, 1, "");
  EXPECT_FALSE(autoscaled.x_scale.fixed || autoscaled.y_scale.fixed);
}

// The shortest text that reads back, at most nine digits, the unit after a blank; cut whole.
TEST(LegendText, ShortestFormOfTheValueWithItsUnit) {
  const std::tuple<double, const char*, const char*> kCases[] = {
      {50.0, "", "[So] = 50"},
      {0.5, "uM", "[So] = 0.5 uM"},
      {2.5e-5, "M", "[So] = 2.5e-05 M"},
      {0.1 + 0.2, "mM", "[So] = 0.3 mM"},
      {1.0 / 3.0, "", "[So] = 0.333333333"},
      {123456.75, "", "[So] = 123456.75"},
      {1e21, "", "[So] = 1e+21"}};
  for (const auto& [so, unit, text] : kCases) EXPECT_EQ(curve_legend_text(so, unit), text) << so;
  std::string unit(40, 'x');
  unit += "\xC2\xB5M";  // a two-byte character across the 50th byte: cut before it
  EXPECT_EQ(curve_legend_text(5000, unit), "[So] = 5000 " + std::string(38, 'x'));
  EXPECT_EQ(axis_title("Time", ""), "Time");
  EXPECT_EQ(axis_title("RESIDUAL", "\xC2\xB5M"), "RESIDUAL (\xC2\xB5M)");
}

// Ten colours apart from each other, none pale on white, consecutive curves apart in grey;
// ten different marker shapes.
TEST(CurvePalette, TenCurvesApartInColourInGreyAndInShape) {
  const auto grey = [](Rgb c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; };
  for (int i = 0; i < kMaxCurves; ++i) {
    EXPECT_LE(grey(kCurveColours[i]), 170.0) << i;
    if (i > 0) {
      EXPECT_GE(std::fabs(grey(kCurveColours[i]) - grey(kCurveColours[i - 1])), 25.0) << i;
    }
    for (int j = 0; j < i; ++j) {
      const Rgb a = kCurveColours[i], b = kCurveColours[j];
      EXPECT_GE(std::hypot(a.r - b.r, a.g - b.g, a.b - b.b), 80.0) << i << ' ' << j;
    }
  }
  EXPECT_EQ(std::set(kCurveMarkers.begin(), kCurveMarkers.end()).size(), 10u);
}

// A the largest, B the smallest residual; n, D, S, P, T the steps of residual_axis_steps.
TEST(ResidualAxis, RangesOfTheCasesAFitCanGive) {
  const std::tuple<const char*, double, double, double, double> kCases[] = {
      {"worked example: n 0, D 0.5, S 0.25, P 2, T 0.75", -0.3, 0.5, -0.7875, 0.75},
      {"all positive: n 3, D 0.125, S 0.05, T 1.05", 0.9, 1.0, -1.05 * 1.05, 1.05},
      {"large negative clipped below -1.05 T", -10.0, 0.5, -5.25, 5.0},
      {"all negative: mirrored, never inverted", -1.0, -0.9, -1.05, 1.05 * 1.05},
      {"negative n: n -1, D 0.6, S 0.25, T 0.5", -0.5, 0.3, -0.525, 0.5},
      {"largest 0: symmetric", -0.5, 0.0, -0.75, 0.75},
      {"not a number", kNaN, kNaN, -1.0, 1.0},
      {"all equal: taken as [0, A]", 0.5, 0.5, -0.7875, 0.75}};
  for (const auto& [name, lo, hi, min, max] : kCases) {
    const ResidualAxis axis = residual_axis_range(lo, hi);
    EXPECT_NEAR(axis.min, min, 1e-6) << name;
    EXPECT_NEAR(axis.max, max, 1e-6) << name;
  }
}

// A zero line under one marker series per curve, against the row number or the time; the
// fitted values from the model when it is known.
TEST(ResidualPlotContents, OneSeriesPerCurveAgainstRowNumberOrTime) {
  ProgressCurveData data = testing::example_with_residuals();
  data.Ycalc[4] = data.Y[4] + 2.0;  // the largest residual
  data.Ycalc[7] = kNaN;             // a failed value does not blank the axis
  const PlotContents rows = make_residual_plot_contents(data, "  1- [Pt] vs time  ");
  EXPECT_EQ(std::tuple(rows.title, rows.x_label, rows.y_label, rows.x_axis_through_zero),
            std::tuple("1- [Pt] vs time\r\nResiduals Plot", "NUMBER", "RESIDUAL", false));
  ASSERT_EQ(rows.series.size(), 4u);
  EXPECT_EQ(
      std::tuple(rows.series[0].x, rows.series[0].y, rows.series[0].colour),
      std::tuple(std::vector<double>{0, k11 * 27}, std::vector<double>{0, 0}, kZeroLineColour));
  for (int k = 0; k < 3; ++k) {
    const SeriesContents& points = rows.series[k + 1];
    EXPECT_TRUE(points.colour == kCurveColours[k] && points.marker == kCurveMarkers[k]) << k;
    EXPECT_EQ(points.x.front(), 9.0 * k + 1) << k;
    EXPECT_EQ(points.x.size(), 9u);
  }
  EXPECT_EQ(rows.series[2].label, "[So] = 100");
  EXPECT_TRUE(rows.series[1].y[4] == 2.0 && rows.series[1].y[0] == -0.5);
  const ResidualAxis expected = residual_axis_range(-0.5, 2.0);
  EXPECT_TRUE(rows.y_scale.fixed && rows.y_scale.min == expected.min &&
              rows.y_scale.max == expected.max);

  const ParamVector p = example_params();
  const PlotContents times = make_residual_plot_contents(
      with_units(data, "s", "mM"), "m", ResidualX::kTime, fitted_model_curve(2, p));
  EXPECT_EQ(std::tuple(times.x_label, times.y_label, times.series[1].label),
            std::tuple("Time (s)", "RESIDUAL (mM)", "[So] = 50 mM"));
  EXPECT_EQ(times.x_scale.max, k11 * 360.0);
  EXPECT_EQ(times.series[0].x, (std::vector<double>{0, k11 * 360.0}));
  const SeriesContents& third = times.series[3];
  EXPECT_EQ(third.x, (std::vector<double>{0, 40, 120, 160, 200, 240, 280, 320, 360}));
  for (int i = 0; i < 9; ++i) {
    const double fitted = testing::model_value(2, third.x[i], 500.0, {p[0], p[1], p[2]});
    EXPECT_NEAR(third.y[i], fitted - data.Y[18 + i], 1e-4) << i;
  }

  // Rows where [So] changes after the tenth curve stay with it.
  std::vector<double> so;
  for (int c = 0; c < 12; ++c) so.insert(so.end(), {c + 1.0, c + 1.0});
  const PlotContents many = make_residual_plot_contents(rows_with_so(so), "m");
  ASSERT_EQ(many.series.size(), 11u);
  EXPECT_EQ(many.series[10].x, (std::vector<double>{19, 20, 21, 22, 23, 24}));
}

// A fitted model: its curve when the fit's parameters are known; the data's units.
TEST(PlotsOfAFittedModel, DrawTheCurrentModelsCurveWhenItsParametersAreKnown) {
  FittedData state;
  state.data = testing::example_with_residuals();
  state.imdlno = 2;
  state.strmdl = "2- model";
  EXPECT_EQ(fit_plot_of(state).series[1].x.size(), 9u);  // through the fitted values
  EXPECT_EQ(residual_plot_of(state).series[1].y[0], -0.5);
  state.fitted_params = example_params();
  const PlotContents fit = fit_plot_of(state);
  const double at_zero = testing::model_value(2, 0.0, 50.0, {180.0, 0.9, 1.5});
  EXPECT_EQ(fit.series[1].x.size(), static_cast<std::size_t>(kFineSamples));
  EXPECT_NEAR(fit.series[1].y[0], at_zero, 1e-6);
  const PlotContents residuals = residual_plot_of(state, ResidualX::kTime);
  EXPECT_EQ(residuals.series[1].x[1], 40.0);
  EXPECT_NEAR(residuals.series[1].y[0], at_zero - 0.534, 1e-6);
  EXPECT_EQ(std::tuple(fit.x_label, fit.y_label, fit.series[0].label, residuals.x_label,
                       residuals.y_label),
            std::tuple("Time", "Product", "[So] = 50", "Time", "RESIDUAL"));

  // The units the data file named reach both plots; the rows as number stay unitless.
  state.data = with_units(state.data, "h", "uM");
  state.imdlno = 4;
  const PlotContents substrate = fit_plot_of(state);
  const PlotContents by_time = residual_plot_of(state, ResidualX::kTime);
  const PlotContents by_row = residual_plot_of(state);
  EXPECT_EQ(std::tuple(substrate.x_label, substrate.y_label, substrate.series[4].label),
            std::tuple("Time (h)", "Substrate (uM)", "[So] = 500 uM"));
  EXPECT_EQ(std::tuple(by_time.x_label, by_time.y_label, by_time.series[3].label),
            std::tuple("Time (h)", "RESIDUAL (uM)", "[So] = 500 uM"));
  EXPECT_EQ(std::tuple(by_row.x_label, by_row.y_label), std::tuple("NUMBER", "RESIDUAL (uM)"));
}

// [SECTION] Drawn on the recording painter

template <typename Pred>
int count_ops(const RecordingPainter& painter, Pred pred) {
  return static_cast<int>(std::count_if(painter.ops.begin(), painter.ops.end(), pred));
}

// The example's fit drawn at 800 x 600: every curve a polyline of the fine grid in its colour,
// the legend's texts in a box that hides no point, the X axis along the bottom.
TEST(FitPlotDrawing, FineCurvesLegendClearOfThePointsAndTheAxesTitled) {
  const PlotContents contents =
      make_fit_plot_contents(with_units(testing::example_with_residuals(), "min", "uM"), 2,
                             "2- model", fitted_model_curve(2, example_params()));
  const auto chart = build_chart(contents);
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const Rect plot = chart->GetPlotRect();
  for (int k = 0; k < 3; ++k) {
    const Rgb colour = kCurveColours[k];
    // Two one-pixel strokes per segment of the wide line.
    EXPECT_GE(count_ops(painter,
                        [&](const auto& op) {
                          return op.kind == Kind::kLine && op.line_colour == colour &&
                                 op.x1 >= plot.x - 1 && op.x2 <= plot.right() + 1;
                        }),
              2 * (kFineSamples - 1))
        << k;
  }
  const Rect legend = chart->GetLegendRect();
  ASSERT_GT(legend.w, 0);
  const Trafo& tx = *chart->GetXTransformation();
  const Trafo& ty = *chart->GetYTransformation();
  for (std::size_t s = 0; s < contents.series.size(); s += 2) {
    for (std::size_t i = 0; i < contents.series[s].x.size(); ++i) {
      const float px = tx.Transform(contents.series[s].x[i]);
      const float py = ty.Transform(contents.series[s].y[i]);
      EXPECT_FALSE(px + 4.5f >= legend.x && px - 4.5f <= legend.right() && py + 4.5f >= legend.y &&
                   py - 4.5f <= legend.bottom())
          << s << ' ' << i;
    }
  }
  for (const char* text : {"[So] = 50 uM", "[So] = 100 uM", "[So] = 500 uM"}) {
    const RecordingPainter::Op* op = painter.FindText(text);
    ASSERT_NE(op, nullptr) << text;
    EXPECT_TRUE(op->x1 > legend.x && op->x1 < legend.right() && op->y1 > legend.y &&
                op->y1 <= legend.bottom() && op->line_colour == kBlack)
        << text;
  }
  EXPECT_EQ(painter.FindText("Product (uM)")->kind, Kind::kRotatedText);
  EXPECT_EQ(painter.FindText("100")->x1, std::lround(tx.Transform(100.0) - 12));  // centred
  EXPECT_GT(painter.FindText("Time (min)")->y1, plot.bottom());
  EXPECT_EQ(count_ops(painter,
                      [&](const auto& op) {
                        return op.kind == Kind::kLine && op.line_colour == kBlack &&
                               op.y1 == plot.bottom() && op.y2 == plot.bottom() &&
                               op.x1 == plot.x && op.x2 == plot.right();
                      }),
            1);
}

// The residuals' X axis and its labels below the plot area, the zero line across it, apart.
TEST(ResidualPlotDrawing, XAxisAtTheBottomAndAZeroLineAcross) {
  const auto chart =
      build_chart(make_residual_plot_contents(testing::example_with_residuals(), "1- model"));
  RecordingPainter painter(800, 600);
  ASSERT_TRUE(chart->Draw(painter));
  const Rect plot = chart->GetPlotRect();
  const float zero = chart->GetYTransformation()->Transform(0.0);
  ASSERT_TRUE(zero > plot.y + 10 && zero < plot.bottom() - 10);
  const auto horizontal = [&](float row, Rgb colour) {
    return count_ops(painter, [&](const auto& op) {
      return op.kind == Kind::kLine && op.line_colour == colour && op.y1 == row && op.y2 == row &&
             op.x1 <= plot.x + 0.5f && op.x2 >= plot.right() - 0.5f;
    });
  };
  EXPECT_EQ(horizontal(plot.bottom(), kBlack), 1);  // the axis
  EXPECT_EQ(horizontal(zero, kBlack), 0);
  EXPECT_EQ(horizontal(zero, kZeroLineColour), 1);
  for (const char* label : {"0", "10", "20"}) {
    const RecordingPainter::Op* op = painter.FindText(label);
    ASSERT_NE(op, nullptr) << label;
    EXPECT_GT(op->y1, plot.bottom()) << label;
  }
  const TickInfo& y_ticks = chart->GetYAxis().tick_info;  // Y labels end left of their ticks
  const RecordingPainter::Op* label = painter.FindText("0.0");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->x1 + 8 * 3,
            plot.x - y_ticks.major_tick_screen_size - y_ticks.minor_tick_screen_size);
}

}  // namespace
}  // namespace velmor::plot
