// SPDX-License-Identifier: MIT

#pragma once

#include <vector>

namespace velmor::plot {

// Per-point selection marks of one series: point i is selected when its mark is > 0.
class PlotDataSelection {
 public:
  PlotDataSelection() = default;
  explicit PlotDataSelection(int size) { Resize(size); }

  // New points start unselected.
  void Resize(int size) { marks_.resize(size > 0 ? static_cast<std::size_t>(size) : 0, 0); }
  int GetSize() const { return static_cast<int>(marks_.size()); }
  // Indexes out of range are ignored, and are never selected.
  void Select(int i, bool selected) {
    if (i >= 0 && i < GetSize()) marks_[i] = selected ? 1 : 0;
  }
  bool IsSelected(int i) const { return i >= 0 && i < GetSize() && marks_[i] > 0; }
  int GetSelectedCount() const {
    int count = 0;
    for (const int mark : marks_) count += mark > 0 ? 1 : 0;
    return count;
  }

 private:
  std::vector<int> marks_;
};

}  // namespace velmor::plot
