// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <vector>

#include "plot/chart/axis_setup.h"
#include "plot/chart/tick_info.h"

namespace velmor::plot {

// Walks the ticks of one axis. The iterator refers to its axis (owned by the chart, which
// outlives it) and reads the current range and tick info from it at `Init`.
class TickIterator {
 public:
  explicit TickIterator(const AxisSetup& axis) : axis_(&axis) {}
  virtual ~TickIterator() = default;
  TickIterator(const TickIterator&) = delete;
  TickIterator& operator=(const TickIterator&) = delete;

  // Starts a walk over [axis min, axis max]; false when the tick info gives no usable step.
  virtual bool Init() = 0;
  // The next tick: its value, whether it is a major tick, and the printf format of its label.
  // False after the last tick.
  virtual bool GetNextTick(double& value, bool& is_major, std::string& format) = 0;
  // Fills `info` for an axis spanning `par_range` data units, whose ticks point across
  // `ortho_screen_range` pixels, with room for about `divisions` labelled ticks.
  virtual bool InitFromRanges(double par_range, double ortho_screen_range, double divisions,
                              TickInfo& info) = 0;
  // Widens an autoscaled range to the iterator's liking; the linear iterator keeps it.
  virtual bool AdjustRange(double& min, double& max) const { return true; }

 protected:
  const AxisSetup& axis() const { return *axis_; }

 private:
  const AxisSetup* axis_;  // not owned
};

// Tick lengths from the pixel extent across the axis: minor 1 %, major 2 %, at least 1 and 2.
void SetAutoTickSizes(double ortho_screen_range, TickInfo& info);

class LinTickIterator : public TickIterator {
 public:
  using TickIterator::TickIterator;

  bool Init() override;
  bool GetNextTick(double& value, bool& is_major, std::string& format) override;
  bool InitFromRanges(double par_range, double ortho_screen_range, double divisions,
                      TickInfo& info) override;

 private:
  double step_ = 0.0;
  long long index_ = 0;
  double limit_ = 0.0;
  int minor_per_major_ = 1;
  std::string format_;
};

// Major ticks at the powers of the base, minor ticks at their whole multiples in between.
class LogTickIterator : public TickIterator {
 public:
  using TickIterator::TickIterator;

  bool Init() override;
  bool GetNextTick(double& value, bool& is_major, std::string& format) override;
  bool InitFromRanges(double par_range, double ortho_screen_range, double divisions,
                      TickInfo& info) override;
  // Autoscaled ends move out to powers of the base, within `max_decades` when that is > 0.
  bool AdjustRange(double& min, double& max) const override;

  // The nearest power of the base at or above, at or below v (v > 0).
  double RoundUp(double v) const;
  double RoundDown(double v) const;

 private:
  double base() const;
  int multiples_per_decade() const;

  int exponent_ = 0;
  int multiple_ = 1;
  int last_exponent_ = 0;
  double lower_ = 0.0;
  double upper_ = 0.0;
};

// One major tick per text of an X axis whose first series holds text values; the label is the
// text itself.
class NamedTickIterator : public LinTickIterator {
 public:
  using LinTickIterator::LinTickIterator;

  void SetNames(std::vector<std::string> names) { names_ = std::move(names); }
  bool Init() override;
  bool GetNextTick(double& value, bool& is_major, std::string& format) override;
  bool InitFromRanges(double par_range, double ortho_screen_range, double divisions,
                      TickInfo& info) override;

 private:
  std::vector<std::string> names_;
  long long next_ = 0;
};

}  // namespace velmor::plot
