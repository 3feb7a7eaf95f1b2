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

  void SetDrawLine(bool on) { draw_line_ = on; }
  void SetDrawPoint(bool on) { draw_point_ = on; }
  bool GetDrawLine() const { return draw_line_; }
  bool GetDrawPoint() const { return draw_point_; }

 private:
  bool draw_line_ = true;
  bool draw_point_ = false;
};

// A one-pixel dot at each point, no line.
class DotDataDrawer : public LineDataDrawer {
 public:
  DotDataDrawer() : LineDataDrawer(false, true) {}
  std::unique_ptr<DataDrawerBase> Clone() const override;
  void DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) override;
};

// A filled square of `dot_size` pixels at each point, no line.
class BigDotDataDrawer : public LineDataDrawer {
 public:
  explicit BigDotDataDrawer(int dot_size = 5) : LineDataDrawer(false, true), dot_size_(dot_size) {}
  std::unique_ptr<DataDrawerBase> Clone() const override;
  void DrawPoint(float x, float y, const Rect& plot_rect, Painter& painter) override;
  int GetDotSize() const { return dot_size_; }

 private:
  int dot_size_ = 5;
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
