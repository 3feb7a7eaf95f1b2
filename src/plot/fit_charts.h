// SPDX-License-Identifier: MIT

#pragma once

// What the fit and residual plots show, as pure functions of the data set and the fitted model:
// the curve grouping, the fitted curves, the colours and markers, legend texts, labels and
// scales. The plot windows (fit_plots.h) and the batch
// pictures (batch_pictures.h) both draw the chart built from these, so they show one picture.
// No Qt here.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/global_types.h"
#include "engine/core/limits.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/run_result.h"
#include "engine/core/vectors.h"
#include "plot/chart/chart.h"
#include "plot/chart/data_drawer.h"

namespace velmor::plot {

// Colours of curves 1..10 (index 0..9); a curve's marks and line share its colour. Hues told
// apart at a glance, none pale on white, and consecutive curves (neighbours in [So], so often
// neighbours in the plot) alternating between dark and light, so they differ in grey print too.
inline constexpr std::array<Rgb, kMaxCurves> kCurveColours{{{0, 90, 181},
                                                            {235, 160, 0},
                                                            {150, 30, 40},
                                                            {80, 170, 230},
                                                            {0, 0, 0},
                                                            {220, 80, 0},
                                                            {110, 40, 140},
                                                            {0, 150, 100},
                                                            {80, 80, 0},
                                                            {150, 150, 150}}};
// Marker shapes of curves 1..10: ten different marks, so curves stay apart without colour.
inline constexpr std::array<MarkerShape, kMaxCurves> kCurveMarkers{
    {MarkerShape::kCircle, MarkerShape::kSquare, MarkerShape::kTriangleUp, MarkerShape::kDiamond,
     MarkerShape::kTriangleDown, MarkerShape::kOpenCircle, MarkerShape::kOpenSquare,
     MarkerShape::kOpenTriangleUp, MarkerShape::kOpenDiamond, MarkerShape::kOpenTriangleDown}};
// Pixels across a data marker, and the width of a fitted curve's line.
inline constexpr float kMarkerSize = 9.0f;
inline constexpr float kCurveLineWidth = 2.0f;
// The residual plot's line at 0.
inline constexpr Rgb kZeroLineColour{90, 90, 90};
// Times at which a fitted curve is evaluated, evenly spaced from its first to its last time.
inline constexpr int kFineSamples = 256;

// Two rows belong to one curve while their [So] differ by at most this much.
inline constexpr double kSameSo = 1e-7;
// Legend texts are cut to this many characters.
inline constexpr std::size_t kLegendLength = 50;
// The residual plot's title (model name, CR+LF, "Residuals Plot") is cut to this length.
inline constexpr std::size_t kResidualTitleLength = 80;

// One progress curve as the plots draw it: its rows' values in row order.
struct PlotCurve {
  std::vector<double> time;      // X1
  std::vector<double> observed;  // Y
  std::vector<double> fitted;    // Ycalc
  double so = 0.0;               // [So] of its rows
  int first_row = 0;             // 0-based index of its first row
};

// The rows grouped into curves for the plots: a new curve starts where [So] changes by more
// than kSameSo from the previous row; fewer than 2 rows make one curve whose [So] is the last
// row's. At most kMaxCurves curves; later rows are left out.
std::vector<PlotCurve> group_plot_curves(const ProgressCurveData& data);

// The value of the fitted model at a time for a curve of initial concentration [So], both in
// the data's units. An empty function: the fit's parameters are not known.
using ModelCurve = std::function<double(double time, double so)>;

// The model's curve at the parameters p (Km, Vm and the model's third parameter, in the data's
// units), to full precision.
ModelCurve fitted_model_curve(ModelId model, const ParamVector& p);

// kFineSamples times evenly spaced from the smallest to the largest finite time (both
// included); one time when they are equal, none when no time is finite.
std::vector<double> fine_times(const std::vector<double>& times);

// The shortest decimal text that reads back as the value ("50", "0.5", "2.5e-05"), at most
// nine significant digits (a value computed in other units, 0.30000000000000004, is "0.3").
std::string shortest_number(double value);

// "[So] = 50" and the unit when known ("[So] = 50 uM"), cut to kLegendLength characters
// (never inside a UTF-8 character).
std::string curve_legend_text(double so, std::string_view unit = {});

// An axis title with its unit when known: "Time (min)"; without a unit the name alone.
std::string axis_title(std::string_view name, std::string_view unit);

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

// One series with its look: colour, plotlib series type (plot_setup.h) or marker shape, and
// legend text.
struct SeriesContents {
  std::vector<double> x;
  std::vector<double> y;
  Rgb colour;
  int type = 0;
  std::string label;
  // Markers of this shape (kMarkerSize pixels) instead of the plotlib type.
  std::optional<MarkerShape> marker = std::nullopt;
  // Width of a line series' line.
  float line_width = 1.0f;
  // Width of a line through the series' legend sample, for points whose fitted curve is
  // another series (0: none).
  float legend_line_width = 0.0f;
};

// Everything a plot shows besides the plot defaults of plot_setup.h.
struct PlotContents {
  std::string title;
  std::string x_label;
  std::string y_label;
  AxisScale x_scale;
  AxisScale y_scale;
  std::vector<SeriesContents> series;
  LegendStyle legend = LegendStyle::kBox;
  // The X axis through Y = 0 rather than along the bottom of the plot area.
  bool x_axis_through_zero = false;
};

// The XY plot: per curve k (0-based) series 2k with the observed values as markers of the
// curve's colour and shape and the legend text, series 2k + 1 the fitted curve as a line, from
// `curve` at kFineSamples times between the curve's first and last time (without `curve`,
// straight through the fitted values at the data times). The axes fixed to [0, 1.1 x the
// largest time] and [0, 1.1 x the largest observed value] when that end is above 1e-16, else
// autoscaled; their titles "Time" and fit_y_label. The axis titles and the legend carry the
// data's time_unit and conc_unit where known ("Time (min)", "[So] = 50 uM"); unknown units, as
// in the program's own format, leave them bare.
PlotContents make_fit_plot_contents(const ProgressCurveData& data, ModelId model,
                                    std::string_view model_name, const ModelCurve& curve = {});

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

// What the residual plot's X axis shows.
enum class ResidualX {
  kRowNumber,  // the rows' numbers 1..nRows, all curves one after the other
  kTime,       // the rows' times, the curves over each other
};

// The residual plot: the residuals fitted - observed (Ycalc - Y) of each curve as markers of its
// colour and shape with its legend text, over a zero line; the fitted value from `curve` at the
// row's time and [So] when given, else Ycalc. X: the row numbers on [0, 1.1 x nRows], or the times
// scaled as in the fit plot; Y by the rule above. The X axis and its labels along the bottom of the
// plot area. The data's units as in the fit plot: "RESIDUAL (uM)", "Time (min)" against time.
PlotContents make_residual_plot_contents(const ProgressCurveData& data, std::string_view model_name,
                                         ResidualX x = ResidualX::kRowNumber,
                                         const ModelCurve& curve = {});

// The two plots of a fitted model: its data, the model (fitted.imdlno, fitted.strmdl) and, when
// known, the model's parameters (fitted.fitted_params).
PlotContents fit_plot_of(const FittedData& fitted);
PlotContents residual_plot_of(const FittedData& fitted, ResidualX x = ResidualX::kRowNumber);

// The title with the data file's name (without its folder) added to its first line, so that a
// plot says which file it shows: "1- [Pt] vs time Michaelis-Menten - DATA.IN". No name, no
// change.
std::string title_with_data_file(std::string_view title, std::string_view data_file);

// Sets the chart's title, labels, scales and series (after apply_plot_defaults).
void apply_plot_contents(const PlotContents& contents, Chart& chart);

// A new chart with the plot defaults and these contents: what a plot window showing them draws.
std::unique_ptr<Chart> build_chart(const PlotContents& contents);

}  // namespace velmor::plot
