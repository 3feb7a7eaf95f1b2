// SPDX-License-Identifier: MIT

#pragma once

namespace velmor::plot {

class Chart;
class Painter;

// Something that draws itself through a Painter: the chart, or an extra layer the chart draws
// after its series.
class ChartDrawer {
 public:
  virtual ~ChartDrawer() = default;
  virtual void Prepare(Painter& painter, Chart& plot) {}
  // False when the picture could not be completed.
  virtual bool Draw(Painter& painter) = 0;
};

// A hook run by the chart during a drawing pass: pre-calculators between the two layout passes,
// post-calculators after the series are drawn.
class ChartCalculator {
 public:
  virtual ~ChartCalculator() = default;
  virtual bool ShouldCalculate() const = 0;
  virtual void Calculate(Painter& painter, Chart& plot) = 0;
};

}  // namespace velmor::plot
