// SPDX-License-Identifier: MIT

#include "plot/fit_charts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

#include "engine/core/model_catalog.h"
#include "engine/model/kinetic_models.h"
#include "plot/plot_setup.h"
#include "util/edit_descriptors.h"
#include "util/fixed_string.h"

namespace velmor::plot {
namespace {

// The factors of the scales are single-precision constants widened to double.
constexpr double kScaleMargin = static_cast<double>(1.1f);     // 1.100000023841858
constexpr double kResidualWiden = static_cast<double>(1.05f);  // 1.0499999523162842
// An axis end at or below this is not fixed but autoscaled.
constexpr double kFixedEndFloor = 1e-16;

int row_count(const ProgressCurveData& data) {
  return std::clamp(data.nRows, 0, kMaxRows);
}

// Largest value, skipping NaN; -infinity for none.
double largest(const std::vector<double>& values, double so_far) {
  for (const double v : values) {
    if (v > so_far) so_far = v;
  }
  return so_far;
}

// The plot fixes [0, 1.1 x largest] when that end is clearly above 0. A non-positive end would
// give an empty or inverted range and no picture at all, so it autoscales instead.
AxisScale zero_based_scale(double largest_value) {
  const double end = kScaleMargin * largest_value;
  if (end > kFixedEndFloor) return {true, 0.0, end};
  return {};
}

}  // namespace

// [SECTION] XY plot

std::vector<PlotCurve> group_plot_curves(const ProgressCurveData& data) {
  const int rows = row_count(data);
  std::vector<PlotCurve> curves(1);
  auto append = [&](int i) {
    const auto r = static_cast<std::size_t>(i);
    if (curves.back().time.empty()) curves.back().first_row = i;
    curves.back().time.push_back(data.X1[r]);
    curves.back().observed.push_back(data.Y[r]);
    curves.back().fitted.push_back(data.Ycalc[r]);
    curves.back().so = data.X2[r];
  };
  if (rows < 2) {
    for (int i = 0; i < rows; ++i) append(i);  // no rows: one empty curve, [So] 0
    return curves;
  }
  append(0);
  for (int i = 1; i < rows; ++i) {
    const auto r = static_cast<std::size_t>(i);
    if (std::abs(data.X2[r] - data.X2[r - 1]) > kSameSo) {
      if (static_cast<int>(curves.size()) == kMaxCurves) break;
      curves.emplace_back();
    }
    append(i);
  }
  return curves;
}

ModelCurve fitted_model_curve(ModelId model, const ParamVector& p) {
  return [model, p](double time, double so) { return precise_model_value(model, time, so, p); };
}

std::vector<double> fine_times(const std::vector<double>& times) {
  double first = std::numeric_limits<double>::infinity();
  double last = -first;
  for (const double t : times) {
    if (!std::isfinite(t)) continue;
    first = std::min(first, t);
    last = std::max(last, t);
  }
  if (!(first <= last)) return {};
  if (first == last) return {first};
  std::vector<double> grid(kFineSamples);
  const double step = (last - first) / (kFineSamples - 1);
  for (int k = 0; k < kFineSamples; ++k) grid[static_cast<std::size_t>(k)] = first + k * step;
  grid.back() = last;  // exactly, whatever the rounding of the steps
  return grid;
}

std::string shortest_number(double value) {
  char text[64];
  auto [end, error] = std::to_chars(text, text + sizeof text, value);
  if (error != std::errc()) return {};
  // Significant digits: those of the mantissa less the leading zeros.
  int digits = 0;
  bool leading = true;
  for (const char* c = text; c != end && *c != 'e'; ++c) {
    if (*c < '0' || *c > '9') continue;
    if (leading && *c == '0') continue;
    leading = false;
    ++digits;
  }
  constexpr int kMostDigits = 9;
  if (digits > kMostDigits) {
    end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, kMostDigits).ptr;
  }
  return std::string(text, end);
}

std::string curve_legend_text(double so, std::string_view unit) {
  std::string text = "[So] = " + shortest_number(so);
  if (!unit.empty()) text += " " + std::string(unit);
  if (text.size() > kLegendLength) {
    std::size_t cut = kLegendLength;
    // Back to the start of the UTF-8 character the cut would split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
  }
  return text;
}

std::string axis_title(std::string_view name, std::string_view unit) {
  if (unit.empty()) return std::string(name);
  return std::string(name) + " (" + std::string(unit) + ")";
}

std::string plot_title(std::string_view model_name) {
  const auto first = model_name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(util::trimmed(model_name.substr(first)));
}

std::string fit_y_label(ModelId model) {
  return model_observes_substrate(model) ? "Substrate" : "Product";
}

PlotContents make_fit_plot_contents(const ProgressCurveData& data, ModelId model,
                                    std::string_view model_name, const ModelCurve& curve) {
  const std::vector<PlotCurve> curves = group_plot_curves(data);
  PlotContents contents;
  contents.title = plot_title(model_name);
  contents.x_label = axis_title("Time", data.time_unit);
  contents.y_label = axis_title(fit_y_label(model), data.conc_unit);

  double time_max = -std::numeric_limits<double>::infinity();
  double y_max = -std::numeric_limits<double>::infinity();
  for (const PlotCurve& c : curves) {
    time_max = largest(c.time, time_max);
    y_max = largest(c.observed, y_max);  // the fitted values do not widen the scale
  }
  contents.x_scale = zero_based_scale(time_max);
  contents.y_scale = zero_based_scale(y_max);

  for (std::size_t k = 0; k < curves.size(); ++k) {
    const PlotCurve& c = curves[k];
    SeriesContents points{c.time, c.observed, kCurveColours[k], kSeriesBigDots,
                          curve_legend_text(c.so, data.conc_unit)};
    points.marker = kCurveMarkers[k];
    points.legend_line_width = kCurveLineWidth;
    SeriesContents line{c.time, c.fitted, kCurveColours[k], kSeriesLine, ""};
    line.line_width = kCurveLineWidth;
    if (curve) {
      line.x = fine_times(c.time);
      line.y.clear();
      for (const double t : line.x) line.y.push_back(curve(t, c.so));
    }
    contents.series.push_back(std::move(points));
    contents.series.push_back(std::move(line));
  }
  return contents;
}

// [SECTION] Residual plot

ResidualAxisSteps residual_axis_steps(double a, double b) {
  ResidualAxisSteps s;
  const double ratio = a / (a - b);
  // A = B (every residual the same) has no ratio; it is taken as the range [0, A].
  if (std::isfinite(ratio) && ratio > 0.0) {
    s.n = static_cast<int>(std::clamp(std::trunc(std::log2(ratio)), -1000.0, 1000.0));
  }
  s.c = a * (1.0 - std::exp2(-s.n));
  s.d = a * std::exp2(-s.n);
  s.m = static_cast<int>(std::round(std::log10(s.d / 10.0)));
  s.k = static_cast<int>(std::round(std::log2(s.d / std::pow(10.0, s.m + 1))));
  s.s = 5.0 * std::pow(10.0, s.m) * std::exp2(s.k);
  s.p = std::round(a / s.s);
  s.t = s.s * (s.p + 1.0);
  s.q = std::round((s.c - s.t) / s.s);
  return s;
}

ResidualAxis residual_axis_range(double lo, double hi) {
  // The steps overflow the ints above for values far outside what a fit produces.
  constexpr double kLargest = 1e300;
  auto top_for = [](double a, double b) {
    const double t = residual_axis_steps(a, b).t;
    return std::isfinite(t) && t > 0.0 ? t : std::numeric_limits<double>::quiet_NaN();
  };
  ResidualAxis axis;
  if (!std::isfinite(lo) || !std::isfinite(hi) || std::abs(lo) > kLargest ||
      std::abs(hi) > kLargest) {
    return axis;
  }
  if (hi > 0.0) {
    const double top = top_for(hi, lo);
    if (std::isnan(top)) return axis;
    return {-kResidualWiden * top, top};
  }
  if (hi < 0.0) {
    // All residuals negative: the picture of the positive case turned upside down. (Taking
    // -(T + q x S) as the top would give an empty or inverted range here.)
    const double top = top_for(-lo, -hi);
    if (std::isnan(top)) return axis;
    return {-top, kResidualWiden * top};
  }
  if (lo < 0.0) {
    const double top = top_for(-lo, 0.0);
    if (std::isnan(top)) return axis;
    return {-top, top};
  }
  return axis;
}

PlotContents make_residual_plot_contents(const ProgressCurveData& data, std::string_view model_name,
                                         ResidualX x, const ModelCurve& curve) {
  const int rows = row_count(data);
  const std::vector<PlotCurve> curves = group_plot_curves(data);
  PlotContents contents;
  contents.title = plot_title(model_name) + "\r\nResiduals Plot";
  if (contents.title.size() > kResidualTitleLength) contents.title.resize(kResidualTitleLength);
  contents.y_label = axis_title("RESIDUAL", data.conc_unit);

  // The zero line first, under the points.
  contents.series.push_back({{}, {}, kZeroLineColour, kSeriesLine, ""});
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  double time_max = -std::numeric_limits<double>::infinity();
  for (std::size_t k = 0; k < curves.size(); ++k) {
    const PlotCurve& c = curves[k];
    // Rows past the last curve drawn (only where [So] changes more often than curves are
    // allowed) stay with it: every row's residual is shown.
    const bool last = k + 1 == curves.size();
    const int end = last ? rows : c.first_row + static_cast<int>(c.time.size());
    SeriesContents points{
        {}, {}, kCurveColours[k], kSeriesBigDots, curve_legend_text(c.so, data.conc_unit)};
    points.marker = kCurveMarkers[k];
    for (int i = c.first_row; i < end; ++i) {
      const auto r = static_cast<std::size_t>(i);
      const double fitted = curve ? curve(data.X1[r], data.X2[r]) : data.Ycalc[r];
      const double residual = fitted - data.Y[r];
      points.x.push_back(x == ResidualX::kTime ? data.X1[r] : i + 1.0);
      points.y.push_back(residual);
      if (std::isfinite(residual)) {
        lo = std::min(lo, residual);
        hi = std::max(hi, residual);
      }
    }
    time_max = largest(points.x, time_max);
    contents.series.push_back(std::move(points));
  }

  if (x == ResidualX::kTime) {
    contents.x_label = axis_title("Time", data.time_unit);
    contents.x_scale = zero_based_scale(time_max);
  } else {
    contents.x_label = "NUMBER";
    contents.x_scale = {true, 0.0, kScaleMargin * rows};
  }
  const ResidualAxis y = residual_axis_range(lo, hi);
  contents.y_scale = {true, y.min, y.max};

  // Across the whole X axis: the fixed range, or the points' own.
  double x_lo = contents.x_scale.min;
  double x_hi = contents.x_scale.max;
  if (!contents.x_scale.fixed) {
    x_lo = std::numeric_limits<double>::infinity();
    x_hi = -x_lo;
    for (const SeriesContents& s : contents.series) {
      for (const double v : s.x) {
        if (!std::isfinite(v)) continue;
        x_lo = std::min(x_lo, v);
        x_hi = std::max(x_hi, v);
      }
    }
  }
  if (x_lo <= x_hi)
    contents.series.front() = {{x_lo, x_hi}, {0.0, 0.0}, kZeroLineColour, kSeriesLine, ""};
  return contents;
}

PlotContents fit_plot_of(const FittedData& fitted) {
  const ModelCurve curve = fitted.fitted_params
                               ? fitted_model_curve(fitted.imdlno, *fitted.fitted_params)
                               : ModelCurve{};
  return make_fit_plot_contents(fitted.data, fitted.imdlno, fitted.strmdl, curve);
}

PlotContents residual_plot_of(const FittedData& fitted, ResidualX x) {
  const ModelCurve curve = fitted.fitted_params
                               ? fitted_model_curve(fitted.imdlno, *fitted.fitted_params)
                               : ModelCurve{};
  return make_residual_plot_contents(fitted.data, fitted.strmdl, x, curve);
}

// [SECTION] Chart

void apply_plot_contents(const PlotContents& contents, Chart& chart) {
  chart.SetTitle(contents.title);
  chart.GetXAxis().label = contents.x_label;
  chart.GetYAxis().label = contents.y_label;
  chart.GetXAxis().crosses_origin = contents.x_axis_through_zero;
  chart.GetXAxis().centred_tick_labels = true;
  chart.SetLegendStyle(contents.legend);
  auto apply_scale = [](const AxisScale& scale, AxisSetup& axis) {
    if (scale.fixed) {
      axis.SetFixedRange(static_cast<float>(scale.min), static_cast<float>(scale.max));
    } else {
      axis.SetAutoscale();
    }
  };
  apply_scale(contents.x_scale, chart.GetXAxis());
  apply_scale(contents.y_scale, chart.GetYAxis());
  set_axis_linear(chart.GetYAxis());
  PlotDataContainer& container = chart.GetDataContainer();
  for (const SeriesContents& series : contents.series) {
    const int index = container.GetSize();
    add_series(chart, series.x, series.y);
    set_series_colour(chart, index, series.colour);
    set_series_label(chart, index, series.label);
    if (series.marker) {
      container.SetDataDrawer(index,
                              std::make_unique<MarkerDataDrawer>(*series.marker, kMarkerSize));
    } else {
      set_series_type(chart, index, series.type);
      if (auto* line = dynamic_cast<LineDataDrawer*>(container.GetDataDrawer(index))) {
        line->SetLineWidth(series.line_width);
      }
    }
    container.GetLegendData(index)->sample_line_width = series.legend_line_width;
  }
}

std::unique_ptr<Chart> build_chart(const PlotContents& contents) {
  auto chart = std::make_unique<Chart>();
  apply_plot_defaults(*chart);
  apply_plot_contents(contents, *chart);
  return chart;
}

std::string title_with_data_file(std::string_view title, std::string_view data_file) {
  const std::string name = std::filesystem::path(std::string(data_file)).filename().string();
  if (name.empty()) return std::string(title);
  const std::size_t line_end = std::min(title.find("\r\n"), title.size());
  return std::string(title.substr(0, line_end)) + " - " + name +
         std::string(title.substr(line_end));
}

}  // namespace velmor::plot
