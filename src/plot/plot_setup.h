// SPDX-License-Identifier: MIT

#pragma once

// How a plotlib plot sets up and changes its Chart. The plot windows and the batch pictures
// both build their charts through these functions, so a picture written to a file is the
// picture the window shows. No Qt here.

#include <memory>
#include <span>
#include <string>

#include "plot/chart/chart.h"
#include "plot/chart/data_drawer.h"

namespace velmor::plot {

// Room above the plot area for the title, below it for the X label; no left margin because the
// Y tick labels and label get room of their own.
inline constexpr Margins kPlotMargins{0, 20, 60, 60};

// Series types of set_seriestype.
inline constexpr int kSeriesLine = 0;
inline constexpr int kSeriesBigDots = 1;
inline constexpr int kSeriesBars = 2;
inline constexpr int kSeriesDots = 3;

// Pixels of a big dot's side.
inline constexpr int kBigDotSize = 5;

// Defaults of a new plot beyond the chart's own: both axes autoscaled, the Y axis at the left
// edge of the plot area instead of through X = 0, the plot margins, both grids on.
void apply_plot_defaults(Chart& chart);

// The drawer of a series type (table above); null for any other value.
std::unique_ptr<DataDrawerBase> make_series_drawer(int type);

// Appends a series of min(x.size(), y.size()) points, each value rounded to float, with the
// default legend, drawer and selection of its index. An empty series is added all the same.
void add_series(Chart& chart, std::span<const double> x, std::span<const double> y);

// Setters of one series; an index out of range changes nothing and gives false.
bool set_series_label(Chart& chart, int series, std::string label);
bool set_series_colour(Chart& chart, int series, Rgb colour);
// Any type outside the table leaves the series unchanged (false).
bool set_series_type(Chart& chart, int series, int type);

// A logarithmic axis with that base; a base <= 0, 1 or not a finite number becomes 10.
void set_axis_logarithmic(AxisSetup& axis, double base);
void set_axis_linear(AxisSetup& axis);

}  // namespace velmor::plot
