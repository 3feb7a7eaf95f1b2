// SPDX-License-Identifier: MIT

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plot/chart/data_drawer.h"
#include "plot/chart/legend_data.h"
#include "plot/chart/plot_data.h"
#include "plot/chart/plot_data_selection.h"

namespace velmor::plot {

// The series of a chart: five parallel lists, one entry per series, all owned here. Series are
// numbered from 0 in the order they were added.
class PlotDataContainer {
 public:
  // Appends a series. A missing legend gets the defaults of the new index, a missing drawer is a
  // line drawer, a missing selection an unselected one; the selection is sized to x.
  void AddXYPlot(std::unique_ptr<PlotDataBase> x, std::unique_ptr<PlotDataBase> y,
                 std::unique_ptr<LegendData> legend = nullptr,
                 std::unique_ptr<DataDrawerBase> drawer = nullptr,
                 std::unique_ptr<PlotDataSelection> selection = nullptr);
  // Replaces the series at index with the same defaults; false (nothing changed) for an index
  // out of range.
  bool SetXYPlot(int index, std::unique_ptr<PlotDataBase> x, std::unique_ptr<PlotDataBase> y,
                 std::unique_ptr<LegendData> legend = nullptr,
                 std::unique_ptr<DataDrawerBase> drawer = nullptr,
                 std::unique_ptr<PlotDataSelection> selection = nullptr);
  bool SetDataDrawer(int index, std::unique_ptr<DataDrawerBase> drawer);
  // Removes the series; the later ones move down by one index.
  bool RemoveElement(int index);
  void ClearData();

  int GetSize() const { return static_cast<int>(x_.size()); }
  bool Empty() const { return x_.empty(); }

  // The parts of a series, null for an index out of range.
  PlotDataBase* GetXData(int index) { return at(x_, index); }
  const PlotDataBase* GetXData(int index) const { return at(x_, index); }
  PlotDataBase* GetYData(int index) { return at(y_, index); }
  const PlotDataBase* GetYData(int index) const { return at(y_, index); }
  LegendData* GetLegendData(int index) { return at(legend_, index); }
  const LegendData* GetLegendData(int index) const { return at(legend_, index); }
  DataDrawerBase* GetDataDrawer(int index) { return at(drawer_, index); }
  const DataDrawerBase* GetDataDrawer(int index) const { return at(drawer_, index); }
  PlotDataSelection* GetPlotDataSelection(int index) { return at(selection_, index); }
  const PlotDataSelection* GetPlotDataSelection(int index) const { return at(selection_, index); }

  // True when the five lists have the same length.
  bool CheckState() const;
  // Index of the first series with this legend name, -1 if none.
  int GetPlotIndexByName(const std::string& name) const;

  // Smallest and largest X value over all series with points, starting from 0, 0 (so the range
  // always includes 0). False on a series without an X data object.
  bool CalculateXRange(double& min, double& max) const;
  // Smallest and largest Y value over the points whose X lies in [xmin, xmax]; the first such
  // point sets the starting values. Without any such point the range is 0, 0. Non-finite values
  // are skipped.
  bool CalculateYRange(double xmin, double xmax, double& min, double& max) const;

 private:
  template <typename T>
  static T* at(const std::vector<std::unique_ptr<T>>& list, int index) {
    if (index < 0 || index >= static_cast<int>(list.size())) return nullptr;
    return list[static_cast<std::size_t>(index)].get();
  }
  void fill_defaults(int index, const PlotDataBase* x, std::unique_ptr<LegendData>& legend,
                     std::unique_ptr<DataDrawerBase>& drawer,
                     std::unique_ptr<PlotDataSelection>& selection) const;

  std::vector<std::unique_ptr<PlotDataBase>> x_;
  std::vector<std::unique_ptr<PlotDataBase>> y_;
  std::vector<std::unique_ptr<LegendData>> legend_;
  std::vector<std::unique_ptr<DataDrawerBase>> drawer_;
  std::vector<std::unique_ptr<PlotDataSelection>> selection_;
};

}  // namespace velmor::plot
