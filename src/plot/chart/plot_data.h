// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <vector>

namespace velmor::plot {

// value(i) = start + i x step for i < size.
class CalculatedData {
 public:
  CalculatedData() = default;
  CalculatedData(double start, double step, int size);

  int GetSize() const { return size_; }
  double GetValue(int i) const { return start_ + i * step_; }

 private:
  double start_ = 0.0;
  double step_ = 1.0;
  int size_ = 0;
};

// One coordinate of a data series: stored single-precision values, or values computed on demand.
class PlotDataBase {
 public:
  virtual ~PlotDataBase() = default;

  // The stored values, or null when the values are computed.
  virtual const std::vector<float>* GetRealPlotData() const = 0;
  virtual const CalculatedData* GetCalculatedData() const { return nullptr; }
  // Smallest and largest value; false for an empty series. Non-finite values are skipped (a
  // series of nothing else has no range either), so one NaN cannot blank the whole plot.
  virtual bool CalculateRange(double& min, double& max) const;

  int GetSize() const;
  // The value at i, 0 for an index out of range.
  double GetValue(int i) const;
};

class PlotData : public PlotDataBase {
 public:
  PlotData() = default;
  explicit PlotData(std::vector<float> values) : values_(std::move(values)) {}

  const std::vector<float>* GetRealPlotData() const override { return &values_; }
  std::vector<float>& values() { return values_; }

 private:
  std::vector<float> values_;
};

// Text values (category names on an X axis); their real data are the indexes 0, 1, 2, ...
class StringData : public PlotDataBase {
 public:
  void AddItem(std::string text);
  const std::vector<std::string>& GetItems() const { return items_; }
  const std::vector<float>* GetRealPlotData() const override { return &indexes_; }

 private:
  std::vector<std::string> items_;
  std::vector<float> indexes_;
};

// Refers to the values of another data object, which must outlive it.
class PlotDataPointer : public PlotDataBase {
 public:
  explicit PlotDataPointer(const PlotDataBase& target) : target_(&target) {}
  const std::vector<float>* GetRealPlotData() const override { return target_->GetRealPlotData(); }
  const CalculatedData* GetCalculatedData() const override { return target_->GetCalculatedData(); }

 private:
  const PlotDataBase* target_;  // not owned
};

// n values 0, 1, ..., n - 1.
class DummyData : public PlotDataBase {
 public:
  explicit DummyData(int n) : values_(0.0, 1.0, n) {}
  const std::vector<float>* GetRealPlotData() const override { return nullptr; }
  const CalculatedData* GetCalculatedData() const override { return &values_; }

 private:
  CalculatedData values_;
};

}  // namespace velmor::plot
