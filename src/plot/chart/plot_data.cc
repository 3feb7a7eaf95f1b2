// SPDX-License-Identifier: MIT

#include "plot/chart/plot_data.h"

#include <algorithm>
#include <cmath>

namespace velmor::plot {

CalculatedData::CalculatedData(double start, double step, int size)
    : start_(start), step_(step), size_(std::max(size, 0)) {}

bool PlotDataBase::CalculateRange(double& min, double& max) const {
  if (const CalculatedData* calculated = GetCalculatedData()) {
    if (calculated->GetSize() < 1) return false;
    // The ends of an arithmetic sequence; a negative step puts the larger one first.
    const double first = calculated->GetValue(0);
    const double last = calculated->GetValue(calculated->GetSize() - 1);
    min = std::min(first, last);
    max = std::max(first, last);
    return std::isfinite(min) && std::isfinite(max);
  }
  const std::vector<float>* values = GetRealPlotData();
  if (values == nullptr) return false;
  bool found = false;
  for (const float v : *values) {
    if (!std::isfinite(v)) continue;
    if (!found) {
      min = max = v;
      found = true;
    } else {
      min = std::min(min, static_cast<double>(v));
      max = std::max(max, static_cast<double>(v));
    }
  }
  return found;
}

int PlotDataBase::GetSize() const {
  if (const std::vector<float>* values = GetRealPlotData()) return static_cast<int>(values->size());
  if (const CalculatedData* calculated = GetCalculatedData()) return calculated->GetSize();
  return 0;
}

double PlotDataBase::GetValue(int i) const {
  if (i < 0 || i >= GetSize()) return 0.0;
  if (const std::vector<float>* values = GetRealPlotData()) return (*values)[i];
  return GetCalculatedData()->GetValue(i);
}

void StringData::AddItem(std::string text) {
  items_.push_back(std::move(text));
  indexes_.push_back(static_cast<float>(indexes_.size()));
}

}  // namespace velmor::plot
