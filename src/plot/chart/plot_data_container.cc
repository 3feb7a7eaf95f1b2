// SPDX-License-Identifier: MIT

#include "plot/chart/plot_data_container.h"

#include <algorithm>
#include <cmath>

namespace velmor::plot {

void PlotDataContainer::fill_defaults(int index, const PlotDataBase* x,
                                      std::unique_ptr<LegendData>& legend,
                                      std::unique_ptr<DataDrawerBase>& drawer,
                                      std::unique_ptr<PlotDataSelection>& selection) const {
  if (!legend) legend = std::make_unique<LegendData>(LegendData::MakeDefault(index));
  if (!drawer) drawer = std::make_unique<LineDataDrawer>();
  if (!selection) selection = std::make_unique<PlotDataSelection>();
  selection->Resize(x != nullptr ? x->GetSize() : 0);
}

void PlotDataContainer::AddXYPlot(std::unique_ptr<PlotDataBase> x, std::unique_ptr<PlotDataBase> y,
                                  std::unique_ptr<LegendData> legend,
                                  std::unique_ptr<DataDrawerBase> drawer,
                                  std::unique_ptr<PlotDataSelection> selection) {
  fill_defaults(GetSize(), x.get(), legend, drawer, selection);
  x_.push_back(std::move(x));
  y_.push_back(std::move(y));
  legend_.push_back(std::move(legend));
  drawer_.push_back(std::move(drawer));
  selection_.push_back(std::move(selection));
}

bool PlotDataContainer::SetXYPlot(int index, std::unique_ptr<PlotDataBase> x,
                                  std::unique_ptr<PlotDataBase> y,
                                  std::unique_ptr<LegendData> legend,
                                  std::unique_ptr<DataDrawerBase> drawer,
                                  std::unique_ptr<PlotDataSelection> selection) {
  if (index < 0 || index >= GetSize() || !CheckState()) return false;
  fill_defaults(index, x.get(), legend, drawer, selection);
  const auto i = static_cast<std::size_t>(index);
  x_[i] = std::move(x);
  y_[i] = std::move(y);
  legend_[i] = std::move(legend);
  drawer_[i] = std::move(drawer);
  selection_[i] = std::move(selection);
  return true;
}

bool PlotDataContainer::SetDataDrawer(int index, std::unique_ptr<DataDrawerBase> drawer) {
  if (index < 0 || index >= static_cast<int>(drawer_.size()) || !drawer) return false;
  drawer_[static_cast<std::size_t>(index)] = std::move(drawer);
  return true;
}

bool PlotDataContainer::RemoveElement(int index) {
  if (index < 0 || index >= GetSize() || !CheckState()) return false;
  const auto offset = static_cast<std::ptrdiff_t>(index);
  x_.erase(x_.begin() + offset);
  y_.erase(y_.begin() + offset);
  legend_.erase(legend_.begin() + offset);
  drawer_.erase(drawer_.begin() + offset);
  selection_.erase(selection_.begin() + offset);
  return true;
}

void PlotDataContainer::ClearData() {
  x_.clear();
  y_.clear();
  legend_.clear();
  drawer_.clear();
  selection_.clear();
}

bool PlotDataContainer::CheckState() const {
  const std::size_t n = x_.size();
  return y_.size() == n && legend_.size() == n && drawer_.size() == n && selection_.size() == n;
}

int PlotDataContainer::GetPlotIndexByName(const std::string& name) const {
  if (!CheckState()) return -1;
  for (std::size_t i = 0; i < legend_.size(); ++i) {
    if (legend_[i] && legend_[i]->name == name) return static_cast<int>(i);
  }
  return -1;
}

bool PlotDataContainer::CalculateXRange(double& min, double& max) const {
  min = 0.0;
  max = 0.0;
  for (const auto& x : x_) {
    if (!x) return false;
    if (x->GetSize() < 1) continue;
    double lo = 0.0;
    double hi = 0.0;
    // A series of nothing but NaN has no range and adds nothing.
    if (!x->CalculateRange(lo, hi)) continue;
    if (hi < lo) return false;
    min = std::min(min, lo);
    max = std::max(max, hi);
  }
  return max >= min;
}

bool PlotDataContainer::CalculateYRange(double xmin, double xmax, double& min, double& max) const {
  min = 0.0;
  max = 0.0;
  bool found = false;
  for (std::size_t s = 0; s < x_.size() && s < y_.size(); ++s) {
    const PlotDataBase* x = x_[s].get();
    const PlotDataBase* y = y_[s].get();
    if (x == nullptr || y == nullptr) continue;
    const int n = std::min(x->GetSize(), y->GetSize());
    for (int i = 0; i < n; ++i) {
      const double xv = x->GetValue(i);
      const double yv = y->GetValue(i);
      if (!(xv >= xmin && xv <= xmax) || !std::isfinite(yv)) continue;
      if (!found) {
        min = max = yv;
        found = true;
      } else {
        min = std::min(min, yv);
        max = std::max(max, yv);
      }
    }
  }
  return true;
}

}  // namespace velmor::plot
