// SPDX-License-Identifier: MIT

#pragma once

// What the fit and residual plots show, as pure functions of the data set: the curve grouping,
// the colours, legend texts, labels and scales. The plot windows (fit_plots.h) and the batch
// pictures (batch_pictures.h) both draw the chart built from these, so they show one picture.
// No Qt here.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/global_types.h"
#include "engine/core/limits.h"
#include "engine/core/progress_curve_data.h"
#include "plot/chart/chart.h"

namespace velmor::plot {

// Colours of curves 1..10 (index 0..9); a curve's dots and line share its colour.
inline constexpr std::array<Rgb, kMaxCurves> kCurveColours{{{0, 0, 255},
                                                            {255, 127, 255},
                                                            {255, 127, 64},
                                                            {0, 255, 255},
                                                            {127, 0, 255},
                                                            {255, 0, 255},
                                                            {127, 64, 255},
                                                            {64, 127, 127},
                                                            {127, 64, 127},
                                                            {127, 127, 127}}};
inline constexpr Rgb kResidualColour{0, 0, 255};

// Two rows belong to one curve while their [So] differ by at most this much.
inline constexpr double kSameSo = 1e-7;
// Legend texts are cut to this many characters.
inline constexpr std::size_t kLegendLength = 50;
// The residual plot's title (model name, CR+LF, "Residuals Plot") is cut to this length.
inline constexpr std::size_t kResidualTitleLength = 80;

// One progress curve as the XY plot draws it: its rows' values in row order.
struct PlotCurve {
  std::vector<double> time;      // X1
  std::vector<double> observed;  // Y
  std::vector<double> fitted;    // Ycalc
  double so = 0.0;               // [So] of its rows
};

// The rows grouped into curves for the XY plot: a new curve starts where [So] changes by more
// than kSameSo from the previous row; fewer than 2 rows make one curve whose [So] is the last
// row's. At most kMaxCurves curves; later rows are left out.
std::vector<PlotCurve> group_plot_curves(const ProgressCurveData& data);

// "[So] =" and the [So] value as single precision in the runtime's G0 form ("[So] =50.0000000"),
// cut to kLegendLength characters.
std::string curve_legend_text(double so);

// The model name without leading and trailing blanks.
std::string plot_title(std::string_view model_name);

// "Product" for the product models 1 and 2, "Substrate" for the substrate models 3 and 4.
std::string fit_y_label(ModelId model);

// One axis: a fixed range, or autoscaled.
struct AxisScale {
  bool fixed = false;
  double min = 0.0;
  double max = 0.0;
};

// One series with its look: colour, plotlib series type (plot_setup.h) and legend text.
struct SeriesContents {
  std::vector<double> x;
  std::vector<double> y;
  Rgb colour;
  int type = 0;
  std::string label;
};

// Everything a plot shows besides the plot defaults of plot_setup.h.
struct PlotContents {
  std::string title;
  std::string x_label;
  std::string y_label;
  AxisScale x_scale;
  AxisScale y_scale;
  std::vector<SeriesContents> series;
};

// The XY plot: per curve k (0-based) series 2k with the observed values as big dots and the
// legend text, series 2k + 1 with the fitted values at the same times as a line; the axes fixed
// to [0, 1.1 x the largest time] and [0, 1.1 x the largest observed value] when that end is
// above 1e-16, else autoscaled.
PlotContents make_fit_plot_contents(const ProgressCurveData& data, ModelId model,
                                    std::string_view model_name);

// The intermediate values of the residual axis rule for A > 0 and B <= A (see
// residual_axis_range), kept apart so that each step can be checked.
struct ResidualAxisSteps {
  int n = 0;       // log2(A / (A - B)) truncated toward zero (0 when A = B)
  double c = 0.0;  // A x (1 - 2^-n)
  double d = 0.0;  // A x 2^-n
  int m = 0;       // log10(D / 10) rounded, halves away from zero
  int k = 0;       // log2(D / 10^(m+1)) rounded the same way
  double s = 0.0;  // step 5 x 10^m x 2^k
  double p = 0.0;  // A / S rounded
  double t = 0.0;  // S x (p + 1): the first step above A
  double q = 0.0;  // (C - T) / S rounded
};
ResidualAxisSteps residual_axis_steps(double a, double b);

// The fixed Y range of the residual plot from the smallest (lo) and largest (hi) residual.
// hi > 0: [-1.05 x T, T] with A = hi, B = lo (a residual below -1.05 x T is clipped).
// hi < 0: the mirror image, [-T, 1.05 x T] with A = -lo, B = -hi.
// hi = 0: [-T, T] with A = -lo, B = 0; all residuals 0, or none finite: [-1, 1].
struct ResidualAxis {
  double min = -1.0;
  double max = 1.0;
};
ResidualAxis residual_axis_range(double lo, double hi);

// The residual plot: series 0 the residuals Ycalc - Y against the row numbers 1..nRows as big
// dots, series 1 the zero line, both blue; X fixed to [0, 1.1 x nRows]; Y by the rule above.
PlotContents make_residual_plot_contents(const ProgressCurveData& data,
                                         std::string_view model_name);

// The title with the data file's name (without its folder) added to its first line, so that a
// plot says which file it shows: "1- [Pt] vs time Michaelis-Menten - DATA.IN". No name, no
// change.
std::string title_with_data_file(std::string_view title, std::string_view data_file);

// Sets the chart's title, labels, scales and series (after apply_plot_defaults).
void apply_plot_contents(const PlotContents& contents, Chart& chart);

// A new chart with the plot defaults and these contents: what a plot window showing them draws.
std::unique_ptr<Chart> build_chart(const PlotContents& contents);

}  // namespace velmor::plot
