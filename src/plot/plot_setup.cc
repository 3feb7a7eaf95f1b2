// SPDX-License-Identifier: MIT

#include "plot/plot_setup.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/chart/plot_data.h"

namespace velmor::plot {

void apply_plot_defaults(Chart& chart) {
  chart.GetXAxis().SetAutoscale();
  chart.GetYAxis().SetAutoscale();
  chart.GetYAxis().crosses_origin = false;
  chart.SetMargins(kPlotMargins);
  chart.SetXGrid(true);
  chart.SetYGrid(true);
}

std::unique_ptr<DataDrawerBase> make_series_drawer(int type) {
  switch (type) {
    case kSeriesLine:
      return std::make_unique<LineDataDrawer>(true, false);
    case kSeriesBigDots:
      return std::make_unique<BigDotDataDrawer>(kBigDotSize);
    case kSeriesBars:
      return std::make_unique<BarDataDrawer>();
    case kSeriesDots:
      return std::make_unique<DotDataDrawer>();
    default:
      return nullptr;
  }
}

void add_series(Chart& chart, std::span<const double> x, std::span<const double> y) {
  const std::size_t n = std::min(x.size(), y.size());
  std::vector<float> xs(n);
  std::vector<float> ys(n);
  for (std::size_t i = 0; i < n; ++i) {
    xs[i] = static_cast<float>(x[i]);
    ys[i] = static_cast<float>(y[i]);
  }
  chart.GetDataContainer().AddXYPlot(std::make_unique<PlotData>(std::move(xs)),
                                     std::make_unique<PlotData>(std::move(ys)));
}

bool set_series_label(Chart& chart, int series, std::string label) {
  LegendData* legend = chart.GetDataContainer().GetLegendData(series);
  if (legend == nullptr) return false;
  legend->name = std::move(label);
  return true;
}

bool set_series_colour(Chart& chart, int series, Rgb colour) {
  LegendData* legend = chart.GetDataContainer().GetLegendData(series);
  if (legend == nullptr) return false;
  legend->colour = colour;
  return true;
}

bool set_series_type(Chart& chart, int series, int type) {
  auto drawer = make_series_drawer(type);
  if (!drawer) return false;
  return chart.GetDataContainer().SetDataDrawer(series, std::move(drawer));
}

void set_axis_logarithmic(AxisSetup& axis, double base) {
  axis.logarithmic = true;
  // Base 1 has no logarithm to divide by; it is refused like a base <= 0.
  const bool usable = base > 0.0 && base != 1.0 && std::isfinite(base);
  axis.log_base = usable ? static_cast<float>(base) : 10.0f;
}

void set_axis_linear(AxisSetup& axis) {
  axis.logarithmic = false;
}

}  // namespace velmor::plot
