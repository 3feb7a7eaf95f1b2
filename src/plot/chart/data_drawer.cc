// SPDX-License-Identifier: MIT

#include "plot/chart/data_drawer.h"

#include <algorithm>
#include <cmath>

namespace velmor::plot {

namespace {

// Farther than this from the painter's area a pixel coordinate only sets a line's direction;
// pinning it keeps later float-to-int conversions defined.
constexpr float kPixelLimit = 1e9f;

float pin(float v) {
  return std::clamp(v, -kPixelLimit, kPixelLimit);
}

}  // namespace

std::vector<int> DataDrawerBase::PointsToDraw(const PlotDataBase& x, const PlotDataBase& y,
                                              const AxisSetup& x_axis,
                                              const Rect& plot_rect) const {
  const int n = x.GetSize();
  std::vector<int> points;
  if (!draw_fast_) {
    points.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) points[i] = i;
    return points;
  }
  const double lo = std::min(x_axis.min, x_axis.max);
  const double hi = std::max(x_axis.min, x_axis.max);
  std::vector<int> inside;
  for (int i = 0; i < n; ++i) {
    const double v = x.GetValue(i);
    if (v >= lo && v <= hi) inside.push_back(i);
  }
  const int columns = std::max(plot_rect.w, 1);
  if (static_cast<int>(inside.size()) <= columns) return inside;
  // Groups of k neighbours, each drawn as its point of largest magnitude, so spikes survive.
  const std::size_t k = (inside.size() + columns - 1) / columns;
  for (std::size_t start = 0; start < inside.size(); start += k) {
    const std::size_t end = std::min(start + k, inside.size());
    int best = inside[start];
    for (std::size_t j = start + 1; j < end; ++j) {
      if (std::fabs(y.GetValue(inside[j])) > std::fabs(y.GetValue(best))) best = inside[j];
    }
    points.push_back(best);
  }
  return points;
}

// [SECTION] Line-based drawers

bool LineDataDrawer::DrawData(const PlotDataBase& x, const PlotDataBase& y,
                              const PlotDataSelection* selection, const AxisSetup& x_axis,
                              const Rect& plot_rect, Painter& painter) {
  if (x_trafo_ == nullptr || y_trafo_ == nullptr) return false;
  const int n = x.GetSize();
  if (n < 1 || n > y.GetSize()) return false;
  bool have_previous = false;
  float previous_x = 0.0f;
  float previous_y = 0.0f;
  for (const int i : PointsToDraw(x, y, x_axis, plot_rect)) {
    const float px = x_trafo_->Transform(x.GetValue(i));
    const float py = y_trafo_->Transform(y.GetValue(i));
    // A point without a position (NaN) interrupts the line instead of ending it.
    if (std::isnan(px) || std::isnan(py)) {
      have_previous = false;
      continue;
    }
    const float sx = pin(px);
    const float sy = pin(py);
    if (have_previous && draw_line_) painter.DrawLine(previous_x, previous_y, sx, sy);
    if (draw_point_) DrawPoint(sx, sy, plot_rect, painter);
    if (selection != nullptr && selection->IsSelected(i)) DrawSelection(sx, sy, plot_rect, painter);
    previous_x = sx;
    previous_y = sy;
    have_previous = true;
  }
  return true;
}

std::unique_ptr<DataDrawerBase> LineDataDrawer::Clone() const {
  return std::make_unique<LineDataDrawer>(*this);
}

void LineDataDrawer::DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) {
  painter.DrawLine(x - 5, y + 5, x + 5, y - 5);
  painter.DrawLine(x - 5, y - 5, x + 5, y + 5);
}

void LineDataDrawer::DrawSelection(float x, float y, const Rect& plot_rect, Painter& painter) {
  painter.FillRect(static_cast<int>(std::lround(x)) - 5, static_cast<int>(std::lround(y)) - 5, 10,
                   10);
}

std::unique_ptr<DataDrawerBase> DotDataDrawer::Clone() const {
  return std::make_unique<DotDataDrawer>(*this);
}

void DotDataDrawer::DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) {
  painter.DrawLine(x, y, x + 1, y);
}

std::unique_ptr<DataDrawerBase> BigDotDataDrawer::Clone() const {
  return std::make_unique<BigDotDataDrawer>(*this);
}

void BigDotDataDrawer::DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) {
  const int half = dot_size_ / 2;
  for (int i = 0; i < dot_size_; ++i) {
    const float column = x - half + i;
    painter.DrawLine(column, y - half, column, y - half + dot_size_);
  }
}

// [SECTION] Bars

bool BarDataDrawer::DrawData(const PlotDataBase& x, const PlotDataBase& y,
                             const PlotDataSelection* selection, const AxisSetup& x_axis,
                             const Rect& plot_rect, Painter& painter) {
  if (x_trafo_ == nullptr || y_trafo_ == nullptr) return false;
  const int n = x.GetSize();
  if (n < 1 || n > y.GetSize()) return false;
  const auto clamp_row = [&](float row) {
    if (std::isnan(row)) return static_cast<float>(plot_rect.bottom());
    return std::clamp(row, static_cast<float>(plot_rect.y) - 1.0f,
                      static_cast<float>(plot_rect.bottom()) + 1.0f);
  };
  const int base_row = static_cast<int>(std::lround(clamp_row(y_trafo_->Transform(0.0))));
  const int count = std::max(plot_count_, 1);
  const int width = std::max(1, plot_rect.w / (2 * n * count));
  const std::vector<int> points = PointsToDraw(x, y, x_axis, plot_rect);
  for (std::size_t k = only_last_point_ && !points.empty() ? points.size() - 1 : 0;
       k < points.size(); ++k) {
    const int i = points[k];
    const float column = x_trafo_->Transform(x.GetValue(i));
    if (std::isnan(column) || column < plot_rect.x - 1.0f || column > plot_rect.right() + 1.0f) {
      continue;
    }
    const int left =
        static_cast<int>(std::lround(column)) + (plot_index_ - count / 2) * width - width / 2;
    const int row = static_cast<int>(std::lround(clamp_row(y_trafo_->Transform(y.GetValue(i)))));
    painter.FillRect(left, std::min(row, base_row), width, std::abs(row - base_row));
    if (selection != nullptr && selection->IsSelected(i)) {
      painter.FillRect(left, std::min(row, base_row) - 5, width, 5);
    }
  }
  return true;
}

std::unique_ptr<DataDrawerBase> BarDataDrawer::Clone() const {
  return std::make_unique<BarDataDrawer>(*this);
}

}  // namespace velmor::plot
