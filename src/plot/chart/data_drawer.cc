// SPDX-License-Identifier: MIT

#include "plot/chart/data_drawer.h"

#include <algorithm>
#include <cmath>

#include "plot/chart/segment_clip.h"

namespace velmor::plot {

namespace {

// Farther than this from the painter's area a pixel coordinate only sets a line's direction;
// pinning it keeps later float-to-int conversions defined.
constexpr float kPixelLimit = 1e9f;

float pin(float v) {
  return std::clamp(v, -kPixelLimit, kPixelLimit);
}

// Whether the segment from a to b touches the box (edges included): Liang-Barsky.
bool segment_meets_box(PointF a, PointF b, const Rect& box) {
  const double dx = static_cast<double>(b.x) - a.x;
  const double dy = static_cast<double>(b.y) - a.y;
  double t0 = 0.0;
  double t1 = 1.0;
  return clip_segment_parameters(a.x, a.y, dx, dy, box.x, box.y, box.right(), box.bottom(), t0, t1);
}

// Whether the square of half side r around the point overlaps the box.
bool mark_meets_box(PointF p, float r, const Rect& box) {
  return p.x + r >= box.x && p.x - r <= box.right() && p.y + r >= box.y && p.y - r <= box.bottom();
}

}  // namespace

int DataDrawerBase::CountCovered(const PlotDataBase& x, const PlotDataBase& y,
                                 const Rect& box) const {
  if (x_trafo_ == nullptr || y_trafo_ == nullptr) return 0;
  const int n = std::min(x.GetSize(), y.GetSize());
  int count = 0;
  for (int i = 0; i < n; ++i) {
    const PointF p{x_trafo_->Transform(x.GetValue(i)), y_trafo_->Transform(y.GetValue(i))};
    count += mark_meets_box(p, 0.0f, box);
  }
  return count;
}

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
    if (have_previous && draw_line_) DrawSegment(previous_x, previous_y, sx, sy, painter);
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
  DrawMark(x, y, painter);
}

void LineDataDrawer::DrawMark(float x, float y, Painter& painter) const {
  painter.DrawLine(x - 5, y + 5, x + 5, y - 5);
  painter.DrawLine(x - 5, y - 5, x + 5, y + 5);
}

void LineDataDrawer::DrawSegment(float x1, float y1, float x2, float y2, Painter& painter) const {
  if (line_width_ > 1.0f) {
    painter.DrawWideLine(x1, y1, x2, y2, line_width_);
  } else {
    painter.DrawLine(x1, y1, x2, y2);
  }
}

void LineDataDrawer::DrawLegendSample(float x, float y, float width, Painter& painter) const {
  if (draw_line_) DrawSegment(x - width * 0.5f, y, x + width * 0.5f, y, painter);
  if (draw_point_) DrawMark(x, y, painter);
}

int LineDataDrawer::CountCovered(const PlotDataBase& x, const PlotDataBase& y,
                                 const Rect& box) const {
  if (x_trafo_ == nullptr || y_trafo_ == nullptr) return 0;
  const int n = std::min(x.GetSize(), y.GetSize());
  const float radius = draw_point_ ? MarkRadius() : 0.0f;
  int count = 0;
  bool have_previous = false;
  PointF previous;
  for (int i = 0; i < n; ++i) {
    const PointF p{x_trafo_->Transform(x.GetValue(i)), y_trafo_->Transform(y.GetValue(i))};
    if (std::isnan(p.x) || std::isnan(p.y)) {
      have_previous = false;
      continue;
    }
    const PointF pinned{pin(p.x), pin(p.y)};
    if (draw_point_) count += mark_meets_box(pinned, radius, box);
    if (draw_line_ && have_previous) count += segment_meets_box(previous, pinned, box);
    previous = pinned;
    have_previous = true;
  }
  return count;
}

void LineDataDrawer::DrawSelection(float x, float y, const Rect& plot_rect, Painter& painter) {
  painter.FillRect(static_cast<int>(std::lround(x)) - 5, static_cast<int>(std::lround(y)) - 5, 10,
                   10);
}

std::unique_ptr<DataDrawerBase> DotDataDrawer::Clone() const {
  return std::make_unique<DotDataDrawer>(*this);
}

void DotDataDrawer::DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) {
  DrawMark(x, y, painter);
}

void DotDataDrawer::DrawMark(float x, float y, Painter& painter) const {
  painter.DrawLine(x, y, x + 1, y);
}

std::unique_ptr<DataDrawerBase> BigDotDataDrawer::Clone() const {
  return std::make_unique<BigDotDataDrawer>(*this);
}

void BigDotDataDrawer::DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) {
  DrawMark(x, y, painter);
}

void BigDotDataDrawer::DrawMark(float x, float y, Painter& painter) const {
  const int half = dot_size_ / 2;
  for (int i = 0; i < dot_size_; ++i) {
    const float column = x - half + i;
    painter.DrawLine(column, y - half, column, y - half + dot_size_);
  }
}

// [SECTION] Markers

bool IsOpenMarker(MarkerShape shape) {
  return static_cast<int>(shape) >= static_cast<int>(MarkerShape::kOpenCircle);
}

std::vector<PointF> MarkerOutline(MarkerShape shape, float x, float y, float size) {
  const float r = size * 0.5f;
  switch (shape) {
    case MarkerShape::kSquare:
    case MarkerShape::kOpenSquare: {
      // A square of the same area as the circle looks as large.
      const float h = r * 0.886f;  // sqrt(pi) / 2
      return {{x - h, y - h}, {x + h, y - h}, {x + h, y + h}, {x - h, y + h}};
    }
    case MarkerShape::kTriangleUp:
    case MarkerShape::kOpenTriangleUp:
      return {{x, y - r}, {x + r, y + r * 0.75f}, {x - r, y + r * 0.75f}};
    case MarkerShape::kTriangleDown:
    case MarkerShape::kOpenTriangleDown:
      return {{x - r, y - r * 0.75f}, {x + r, y - r * 0.75f}, {x, y + r}};
    case MarkerShape::kDiamond:
    case MarkerShape::kOpenDiamond:
      return {{x, y - r}, {x + r, y}, {x, y + r}, {x - r, y}};
    case MarkerShape::kCircle:
    case MarkerShape::kOpenCircle:
      break;
  }
  constexpr int kCorners = 16;
  constexpr float kStep = 6.2831853f / kCorners;
  std::vector<PointF> corners;
  corners.reserve(kCorners);
  for (int k = 0; k < kCorners; ++k) {
    corners.push_back({x + r * std::cos(k * kStep), y + r * std::sin(k * kStep)});
  }
  return corners;
}

std::unique_ptr<DataDrawerBase> MarkerDataDrawer::Clone() const {
  return std::make_unique<MarkerDataDrawer>(*this);
}

void MarkerDataDrawer::DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) {
  // The painter clips, but a mark far away would still be filled row by row.
  const float reach = size_ + 1.0f;
  if (x < plot_rect.x - reach || x > plot_rect.right() + reach || y < plot_rect.y - reach ||
      y > plot_rect.bottom() + reach) {
    return;
  }
  DrawMark(x, y, painter);
}

int MarkerDataDrawer::ClipOverhang() const {
  return static_cast<int>(std::ceil(size_ * 0.5f));
}

void MarkerDataDrawer::DrawMark(float x, float y, Painter& painter) const {
  const std::vector<PointF> corners = MarkerOutline(shape_, x, y, size_);
  if (!IsOpenMarker(shape_)) {
    painter.FillPolygon(corners);
    return;
  }
  // Outlines two pixels wide, drawn inside the shape's edge so open and filled marks are equally
  // large.
  const std::vector<PointF> inner = MarkerOutline(shape_, x, y, size_ - 2.0f);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    const PointF& a = inner[i];
    const PointF& b = inner[(i + 1) % inner.size()];
    painter.DrawWideLine(a.x, a.y, b.x, b.y, 2.0f);
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
