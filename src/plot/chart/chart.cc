// SPDX-License-Identifier: MIT

#include "plot/chart/chart.h"

#include <algorithm>
#include <cmath>

#include "plot/chart/tick_info.h"

namespace velmor::plot {

namespace {

constexpr double kLogFloor = 1e-10;  // smallest value a logarithmic axis can show

// The text whose width sets how many X tick labels fit side by side.
constexpr char kXLabelSample[] = "12345";

}  // namespace

Chart::Chart() = default;
Chart::~Chart() = default;

void Chart::AddPreCalculator(std::unique_ptr<ChartCalculator> calculator) {
  if (calculator) pre_calculators_.push_back(std::move(calculator));
}

void Chart::AddPostCalculator(std::unique_ptr<ChartCalculator> calculator) {
  if (calculator) post_calculators_.push_back(std::move(calculator));
}

void Chart::AddDrawer(std::unique_ptr<ChartDrawer> drawer) {
  if (drawer) drawers_.push_back(std::move(drawer));
}

void Chart::SetReplacingDrawer(std::unique_ptr<ChartDrawer> drawer) {
  replacing_drawer_ = std::move(drawer);
}

// [SECTION] Configuration and ranges

bool Chart::ConfigureSelf() {
  if (data_.Empty() || !data_.CheckState()) return false;
  if (x_axis_.logarithmic) {
    x_ticks_ = &x_log_ticks_;
    x_trafo_ = &x_log_trafo_;
    y_axis_.crosses_origin = false;  // X = 0 is not on a logarithmic axis
  } else if (const auto* names = dynamic_cast<const StringData*>(data_.GetXData(0))) {
    x_named_ticks_.SetNames(names->GetItems());
    x_ticks_ = &x_named_ticks_;
    x_trafo_ = &x_lin_trafo_;
  } else {
    x_ticks_ = &x_lin_ticks_;
    x_trafo_ = &x_lin_trafo_;
  }
  if (y_axis_.logarithmic) {
    y_ticks_ = &y_log_ticks_;
    y_trafo_ = &y_log_trafo_;
    x_axis_.crosses_origin = false;
  } else {
    y_ticks_ = &y_lin_ticks_;
    y_trafo_ = &y_lin_trafo_;
  }
  const int count = data_.GetSize();
  for (int i = 0; i < count; ++i) {
    DataDrawerBase* drawer = data_.GetDataDrawer(i);
    if (drawer == nullptr) continue;
    drawer->SetTransformations(x_trafo_, y_trafo_);
    drawer->SetPlotCount(count, i);
  }
  return true;
}

namespace {

// Sets the autoscaled ends of an axis from the data range, as its tick iterator adjusts them;
// a fixed end stays where the caller put it.
bool autoscale_axis(AxisSetup& axis, TickIterator& ticks, double data_min, double data_max) {
  double lo = axis.min;
  double hi = axis.max;
  if (axis.autoscale_min) lo = axis.logarithmic ? std::max(data_min, kLogFloor) : data_min;
  if (axis.autoscale_max) hi = data_max;
  if (!ticks.AdjustRange(lo, hi)) return false;
  if (axis.autoscale_min) axis.min = static_cast<float>(lo);
  if (axis.autoscale_max) axis.max = static_cast<float>(hi);
  return true;
}

}  // namespace

bool Chart::CalculateAxisRanges() {
  double data_min = 0.0;
  double data_max = 0.0;
  if (!data_.CalculateXRange(data_min, data_max)) return false;
  if ((x_axis_.autoscale_min || x_axis_.autoscale_max) &&
      !autoscale_axis(x_axis_, *x_ticks_, data_min, data_max)) {
    return false;
  }
  if (y_axis_.autoscale_min || y_axis_.autoscale_max) {
    if (!data_.CalculateYRange(x_axis_.min, x_axis_.max, data_min, data_max)) return false;
    if (!autoscale_axis(y_axis_, *y_ticks_, data_min, data_max)) return false;
  }
  return true;
}

bool Chart::CheckRange(const AxisSetup& axis) {
  return !(axis.logarithmic && !(axis.min >= kLogFloor));
}

// [SECTION] Ticks and transformations

bool Chart::CalculateTickInfo(Painter& painter, const Rect& rect) {
  const double x_span = static_cast<double>(x_axis_.max) - x_axis_.min;
  double y_span = static_cast<double>(y_axis_.max) - y_axis_.min;
  if (!(x_span > 0.0) || !(y_span >= 0.0)) return false;

  // A flat Y range is widened so that the data sit in the middle of a readable axis.
  const double y_max = y_axis_.max;
  double widen = 0.0;
  if (y_max == 0.0 && y_span == 0.0) {
    widen = 0.1;
  } else if (y_max != 0.0 && (std::fabs(y_span / y_max) < kRangeVerySmall || y_span == 0.0)) {
    widen = 0.1 * std::fabs(y_max);
  }
  if (widen > 0.0) {
    y_axis_.min = static_cast<float>(y_axis_.min - widen);
    y_axis_.max = static_cast<float>(y_max + widen);
    y_span = static_cast<double>(y_axis_.max) - y_axis_.min;
  }

  const double font_height = painter.GetFontHeight();
  if (x_axis_.tick_info.auto_tick) {
    const double divisions = rect.w / (2.0 * painter.CalculateTextDrawSize(kXLabelSample));
    if (!x_ticks_->InitFromRanges(x_span, rect.h, divisions, x_axis_.tick_info)) return false;
  }
  if (y_axis_.tick_info.auto_tick) {
    const double divisions = rect.h / (3.0 * font_height);
    if (!y_ticks_->InitFromRanges(y_span, rect.w, divisions, y_axis_.tick_info)) return false;
  }
  // Ticks never grow longer than half a line of text.
  for (TickInfo* info : {&x_axis_.tick_info, &y_axis_.tick_info}) {
    if (!info->auto_tick_size) continue;
    info->major_tick_screen_size = std::min(info->major_tick_screen_size,
                                            static_cast<int>(std::floor(font_height * 0.5 + 0.5)));
    info->minor_tick_screen_size =
        static_cast<int>(std::floor(info->major_tick_screen_size * 0.5 + 0.5));
  }
  return true;
}

int Chart::CalculateYAxisLabelWidth(Painter& painter) {
  if (!y_grid_ || !y_axis_.tick_info.ticks_on || !y_ticks_->Init()) return 0;
  int widest = 0;
  double value = 0.0;
  bool is_major = false;
  std::string format;
  while (y_ticks_->GetNextTick(value, is_major, format)) {
    if (!is_major) continue;
    widest = std::max(widest, painter.CalculateTextDrawSize(FormatTickLabel(format, value)));
  }
  return widest;
}

int Chart::CalculateLastXAxisLabelWidth(Painter& painter) {
  if (!x_grid_ || !x_axis_.tick_info.ticks_on || !x_ticks_->Init()) return 0;
  std::string last;
  double value = 0.0;
  bool is_major = false;
  std::string format;
  while (x_ticks_->GetNextTick(value, is_major, format)) {
    if (is_major) last = FormatTickLabel(format, value);
  }
  if (last.empty()) return 0;
  // A centred label reaches half its width past its tick.
  if (x_axis_.centred_tick_labels) return (painter.CalculateTextDrawSize(last) + 1) / 2;
  // The label starts at its tick; only what reaches past a one-digit label needs room.
  return std::max(0, painter.CalculateTextDrawSize(last) - painter.CalculateTextDrawSize("0"));
}

bool Chart::CalculateXTransformation(const Rect& rect) {
  const double start = rect.x;
  const double end = rect.x + rect.w;
  if (x_axis_.logarithmic) {
    return x_log_trafo_.Set(x_axis_.min, x_axis_.max, start, end, x_axis_.ascending,
                            x_axis_.log_base, x_axis_.log_factor);
  }
  return x_lin_trafo_.Set(x_axis_.min, x_axis_.max, start, end, x_axis_.ascending);
}

bool Chart::CalculateYTransformation(const Rect& rect) {
  const double start = rect.y;
  const double end = rect.y + rect.h;
  if (y_axis_.logarithmic) {
    return y_log_trafo_.Set(y_axis_.min, y_axis_.max, start, end, y_axis_.ascending,
                            y_axis_.log_base, y_axis_.log_factor);
  }
  return y_lin_trafo_.Set(y_axis_.min, y_axis_.max, start, end, y_axis_.ascending);
}

bool Chart::Layout(Painter& painter, const Rect& area) {
  if (!ConfigureSelf() || !ValidateData() || !CalculateAxisRanges()) return false;
  if (!CheckRange(x_axis_) || !CheckRange(y_axis_)) return false;
  if (!CalculateTickInfo(painter, area)) return false;

  // Room left of the plot for the Y tick labels, the ticks' own length and the vertical Y title,
  // and on the right for the part of the last X label that reaches past the plot's edge.
  const TickInfo& y_info = y_axis_.tick_info;
  const int tick_room =
      y_info.ticks_on ? y_info.major_tick_screen_size + y_info.minor_tick_screen_size : 0;
  const int left_room = CalculateYAxisLabelWidth(painter) + painter.GetFontHeight() + tick_room;
  Rect plot = area;
  plot.x += left_room;
  plot.w -= left_room;
  plot.w -= CalculateLastXAxisLabelWidth(painter);
  if (plot.w < 1 || plot.h < 1) return false;

  if (!CalculateXTransformation(plot) || !CalculateYTransformation(plot)) return false;
  plot_rect_ = plot;
  return true;
}

}  // namespace velmor::plot
