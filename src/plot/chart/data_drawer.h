// SPDX-License-Identifier: MIT

#pragma once

#include <memory>
#include <vector>

#include "plot/chart/axis_setup.h"
#include "plot/chart/painter.h"
#include "plot/chart/plot_data.h"
#include "plot/chart/plot_data_selection.h"
#include "plot/chart/trafo.h"

namespace velmor::plot {

// Draws one series. The chart hands every drawer its axis transformations (owned by the chart,
// valid for the current drawing pass), the number of series and the drawer's own index.
class DataDrawerBase {
 public:
  virtual ~DataDrawerBase() = default;

  // Draws the series clipped by the painter to `plot_rect`; `x_axis` gives the visible X range
  // for the draw-fast decimation. False when the drawer has no transformations, the series is
  // empty or has more X than Y values.
  virtual bool DrawData(const PlotDataBase& x, const PlotDataBase& y,
                        const PlotDataSelection* selection, const AxisSetup& x_axis,
                        const Rect& plot_rect, Painter& painter) = 0;
  virtual std::unique_ptr<DataDrawerBase> Clone() const = 0;
  // A sample of the series' look for its legend entry, centred on (x, y) and at most `width`
  // pixels wide, in the colours the chart set. The base draws nothing.
  virtual void DrawLegendSample(float x, float y, float width, Painter& painter) const {}
  // How much of the series lies in `box` (painter pixels, as drawn in the current pass): the
  // points whose mark reaches into it and the line segments that cross it. The chart keeps its
  // legend where this is least.
  virtual int CountCovered(const PlotDataBase& x, const PlotDataBase& y, const Rect& box) const;
  // Pixels by which the series may reach past the plot area, so that a mark on its edge is
  // drawn whole. Only markers reach past it; lines and the other marks keep to it (0).
  virtual int ClipOverhang() const { return 0; }

  void SetTransformations(const Trafo* x_trafo, const Trafo* y_trafo) {
    x_trafo_ = x_trafo;
    y_trafo_ = y_trafo;
  }
  void SetPlotCount(int count, int index) {
    plot_count_ = count;
    plot_index_ = index;
  }
  void SetDrawFast(bool on) { draw_fast_ = on; }
  bool GetDrawFast() const { return draw_fast_; }
  void SetStyle(const TextStyle& style) { style_ = style; }

 protected:
  // The indexes of the points to draw, in order: all of them, or with the draw-fast flag only
  // those inside the X range, thinned to about one per pixel column.
  std::vector<int> PointsToDraw(const PlotDataBase& x, const PlotDataBase& y,
                                const AxisSetup& x_axis, const Rect& plot_rect) const;

  const Trafo* x_trafo_ = nullptr;  // not owned
  const Trafo* y_trafo_ = nullptr;  // not owned
  bool draw_fast_ = false;
  int plot_count_ = 1;
  int plot_index_ = 0;
  TextStyle style_;
};

// Polyline through the points; optional X-shaped point marks.
class LineDataDrawer : public DataDrawerBase {
 public:
  LineDataDrawer() = default;
  LineDataDrawer(bool draw_line, bool draw_point)
      : draw_line_(draw_line), draw_point_(draw_point) {}

  bool DrawData(const PlotDataBase& x, const PlotDataBase& y, const PlotDataSelection* selection,
                const AxisSetup& x_axis, const Rect& plot_rect, Painter& painter) override;
  std::unique_ptr<DataDrawerBase> Clone() const override;
  virtual void DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter);
  // A filled 10 x 10 square centred on the point.
  virtual void DrawSelection(float x, float y, const Rect& plot_rect, Painter& painter);

  void DrawLegendSample(float x, float y, float width, Painter& painter) const override;
  int CountCovered(const PlotDataBase& x, const PlotDataBase& y, const Rect& box) const override;

  void SetDrawLine(bool on) { draw_line_ = on; }
  void SetDrawPoint(bool on) { draw_point_ = on; }
  bool GetDrawLine() const { return draw_line_; }
  bool GetDrawPoint() const { return draw_point_; }
  // Width of the line in pixels (1 by default).
  void SetLineWidth(float width) { line_width_ = width; }
  float GetLineWidth() const { return line_width_; }

 protected:
  // Half the extent of a point's mark in pixels, for CountCovered.
  virtual float MarkRadius() const { return 5.0f; }
  // The drawing of one point mark at (x, y) without the plot rectangle (for legend samples).
  virtual void DrawMark(float x, float y, Painter& painter) const;

 private:
  void DrawSegment(float x1, float y1, float x2, float y2, Painter& painter) const;

  bool draw_line_ = true;
  bool draw_point_ = false;
  float line_width_ = 1.0f;
};

// A one-pixel dot at each point, no line.
class DotDataDrawer : public LineDataDrawer {
 public:
  DotDataDrawer() : LineDataDrawer(false, true) {}
  std::unique_ptr<DataDrawerBase> Clone() const override;
  void DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) override;

 protected:
  float MarkRadius() const override { return 1.0f; }
  void DrawMark(float x, float y, Painter& painter) const override;
};

// A filled square of `dot_size` pixels at each point, no line.
class BigDotDataDrawer : public LineDataDrawer {
 public:
  explicit BigDotDataDrawer(int dot_size = 5) : LineDataDrawer(false, true), dot_size_(dot_size) {}
  std::unique_ptr<DataDrawerBase> Clone() const override;
  void DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) override;
  int GetDotSize() const { return dot_size_; }

 protected:
  float MarkRadius() const override { return dot_size_ * 0.5f; }
  void DrawMark(float x, float y, Painter& painter) const override;

 private:
  int dot_size_ = 5;
};

// Shapes of MarkerDataDrawer. The filled ones are drawn in the series' colour; the open ones are
// outlines, so each shape stays told apart from the others also in grey print.
enum class MarkerShape {
  kCircle,
  kSquare,
  kTriangleUp,
  kDiamond,
  kTriangleDown,
  kOpenCircle,
  kOpenSquare,
  kOpenTriangleUp,
  kOpenDiamond,
  kOpenTriangleDown
};
inline constexpr int kMarkerShapeCount = 10;

// True for the outlined shapes.
bool IsOpenMarker(MarkerShape shape);

// The corners of a marker of `size` pixels centred on (x, y), in drawing order; a circle is a
// polygon of 16 corners. Every shape fits in the size x size square around the point.
std::vector<PointF> MarkerOutline(MarkerShape shape, float x, float y, float size);

// A marker of a given shape and size at each point, no line; points far outside the plot area
// are not drawn.
class MarkerDataDrawer : public LineDataDrawer {
 public:
  explicit MarkerDataDrawer(MarkerShape shape = MarkerShape::kCircle, float size = 9.0f)
      : LineDataDrawer(false, true), shape_(shape), size_(size) {}
  std::unique_ptr<DataDrawerBase> Clone() const override;
  void DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) override;
  int ClipOverhang() const override;
  MarkerShape GetShape() const { return shape_; }
  float GetSize() const { return size_; }

 protected:
  float MarkRadius() const override { return size_ * 0.5f; }
  void DrawMark(float x, float y, Painter& painter) const override;

 private:
  MarkerShape shape_;
  float size_;
};

// Vertical bars from the value 0 (or the plot's bottom) to each point; the bars of several bar
// series stand side by side.
class BarDataDrawer : public DataDrawerBase {
 public:
  bool DrawData(const PlotDataBase& x, const PlotDataBase& y, const PlotDataSelection* selection,
                const AxisSetup& x_axis, const Rect& plot_rect, Painter& painter) override;
  std::unique_ptr<DataDrawerBase> Clone() const override;
  // Draw only the bar of the last point.
  void DrawOnlyLastPoint(bool on) { only_last_point_ = on; }

 private:
  bool only_last_point_ = false;
};

}  // namespace velmor::plot
