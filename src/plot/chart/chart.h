// SPDX-License-Identifier: MIT

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plot/chart/axis_setup.h"
#include "plot/chart/chart_drawer.h"
#include "plot/chart/painter.h"
#include "plot/chart/plot_data_container.h"
#include "plot/chart/tick_iterator.h"
#include "plot/chart/trafo.h"

namespace velmor::plot {

// Space in pixels kept free between the painter's edges and the plot area.
struct Margins {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
  friend bool operator==(const Margins&, const Margins&) = default;
};

inline constexpr Margins kDefaultMargins{40, 20, 5, 42};

// Relative Y span under which a range counts as degenerate and is widened.
inline constexpr double kRangeVerySmall = 0.001;

// How the legend shows the series that have a name.
enum class LegendStyle {
  // Each name in its series' colour, one line per series (also for an empty name), from the plot
  // area's top left corner.
  kColouredText,
  // A framed box with one entry per named series: a sample of its marks or line, then the name
  // in black. The box goes where it covers the fewest points and lines of the series, inside
  // the plot area where one of its corners or edges leaves everything visible, else to the right
  // of the plot area, which narrows to make room.
  kBox,
};

struct PlotBackground {
  bool transparent = true;
  Rgb colour = kWhite;
  std::string title;  // drawn above the plot area; line breaks start new lines
};

// An XY chart: series with their legend, two axes, grids, title. Draw() lays it out for the
// painter's size and draws it. Not a widget: windows, files and tests hand it their own painter.
//
// A chart is neither copyable nor movable: its tick iterators and its drawers refer to its own
// axes and transformations. All of it runs on the thread that draws.
class Chart : public ChartDrawer {
 public:
  Chart();
  ~Chart() override;
  Chart(const Chart&) = delete;
  Chart& operator=(const Chart&) = delete;

  bool Draw(Painter& painter) override;

  PlotDataContainer& GetDataContainer() { return data_; }
  const PlotDataContainer& GetDataContainer() const { return data_; }
  AxisSetup& GetXAxis() { return x_axis_; }
  const AxisSetup& GetXAxis() const { return x_axis_; }
  AxisSetup& GetYAxis() { return y_axis_; }
  const AxisSetup& GetYAxis() const { return y_axis_; }
  void SetXGrid(bool on) { x_grid_ = on; }
  void SetYGrid(bool on) { y_grid_ = on; }
  bool GetXGrid() const { return x_grid_; }
  bool GetYGrid() const { return y_grid_; }
  void SetMargins(const Margins& margins) { margins_ = margins; }
  const Margins& GetMargins() const { return margins_; }
  PlotBackground& GetBackground() { return background_; }
  const PlotBackground& GetBackground() const { return background_; }
  void SetTitle(std::string title) { background_.title = std::move(title); }
  const std::string& GetTitle() const { return background_.title; }
  void SetLegendStyle(LegendStyle style) { legend_style_ = style; }
  LegendStyle GetLegendStyle() const { return legend_style_; }

  void AddPreCalculator(std::unique_ptr<ChartCalculator> calculator);
  void AddPostCalculator(std::unique_ptr<ChartCalculator> calculator);
  // Extra layers drawn after the series, in order.
  void AddDrawer(std::unique_ptr<ChartDrawer> drawer);
  // A drawer that draws instead of the chart once the layout is done; null restores the chart.
  void SetReplacingDrawer(std::unique_ptr<ChartDrawer> drawer);

  // Results of the last drawing pass: the plot area the series were drawn into and the axis
  // transformations (null before the first pass; only meaningful after a pass that succeeded).
  const Rect& GetPlotRect() const { return plot_rect_; }
  // Where the last pass drew the boxed legend (empty for the coloured-text legend or when no
  // series has a name).
  const Rect& GetLegendRect() const { return legend_rect_; }
  const Trafo* GetXTransformation() const { return x_trafo_; }
  const Trafo* GetYTransformation() const { return y_trafo_; }

 protected:
  virtual bool CalculateXTransformation(const Rect& rect);
  virtual bool CalculateYTransformation(const Rect& rect);
  virtual void DrawGridXAxis(Painter& painter, const Rect& rect);
  virtual void DrawGridYAxis(Painter& painter, const Rect& rect);
  virtual void DrawXAxis(Painter& painter, const Rect& rect);
  virtual void DrawYAxis(Painter& painter, const Rect& rect);
  virtual bool CalculateTickInfo(Painter& painter, const Rect& rect);
  virtual int CalculateYAxisLabelWidth(Painter& painter);
  virtual int CalculateLastXAxisLabelWidth(Painter& painter);
  virtual void DrawPlotBackground(Painter& painter, const Rect& rect);
  // One tick of an axis standing at `axis_pos` (pixel row of the X axis, column of the Y axis);
  // returns the lower edge (X) or left edge (Y) of its label, or of the tick without a label.
  virtual int DrawXTick(Painter& painter, double value, bool is_major, const std::string& format,
                        float axis_pos);
  virtual int DrawYTick(Painter& painter, double value, bool is_major, const std::string& format,
                        float axis_pos);
  virtual void DrawLegend(Painter& painter, const Rect& rect);
  virtual bool DrawPlot(int index, const Rect& rect, Painter& painter);
  virtual bool ConfigureSelf();
  virtual bool ValidateData() { return true; }
  virtual bool CalculateAxisRanges();
  virtual bool CheckRange(const AxisSetup& axis);

 private:
  // Steps 2 to 4 of a pass: configuration, ranges, ticks, room for labels, transformations.
  bool Layout(Painter& painter, const Rect& area);
  // The boxed legend: its entries' series, its size, and its place for the current layout, which
  // it may redo with room on the right (area is the painter area less the margins).
  std::vector<int> LegendEntries() const;
  Rect LegendBoxSize(Painter& painter, const std::vector<int>& entries) const;
  bool PlaceLegend(Painter& painter, const Rect& area);
  int CountCovered(const Rect& box) const;
  void DrawLegendBox(Painter& painter);
  // Pixel row of the X axis, column of the Y axis.
  float XAxisRow(const Rect& rect) const;
  float YAxisColumn(const Rect& rect) const;

  PlotDataContainer data_;
  AxisSetup x_axis_ = AxisSetup::MakeX();
  AxisSetup y_axis_ = AxisSetup::MakeY();
  bool x_grid_ = false;
  bool y_grid_ = false;
  Margins margins_ = kDefaultMargins;
  PlotBackground background_;
  LegendStyle legend_style_ = LegendStyle::kColouredText;

  LinTickIterator x_lin_ticks_{x_axis_};
  LogTickIterator x_log_ticks_{x_axis_};
  NamedTickIterator x_named_ticks_{x_axis_};
  LinTickIterator y_lin_ticks_{y_axis_};
  LogTickIterator y_log_ticks_{y_axis_};
  LinTrafo x_lin_trafo_;
  LogTrafo x_log_trafo_;
  LinTrafo y_lin_trafo_;
  LogTrafo y_log_trafo_;
  // The iterators and transformations ConfigureSelf chose for this pass (members above).
  TickIterator* x_ticks_ = nullptr;
  TickIterator* y_ticks_ = nullptr;
  const Trafo* x_trafo_ = nullptr;
  const Trafo* y_trafo_ = nullptr;

  std::vector<std::unique_ptr<ChartCalculator>> pre_calculators_;
  std::vector<std::unique_ptr<ChartCalculator>> post_calculators_;
  std::vector<std::unique_ptr<ChartDrawer>> drawers_;
  std::unique_ptr<ChartDrawer> replacing_drawer_;

  Rect plot_rect_;
  Rect legend_rect_;
};

}  // namespace velmor::plot
