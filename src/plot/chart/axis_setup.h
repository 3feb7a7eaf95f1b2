// SPDX-License-Identifier: MIT

#pragma once

#include <string>

#include "plot/chart/painter.h"
#include "plot/chart/tick_info.h"

namespace velmor::plot {

// Settings and current range of one axis. `min` and `max` hold the fixed range, or after a
// drawing pass the autoscaled ends it computed.
struct AxisSetup {
  float min = 0.0f;
  float max = 0.0f;
  bool autoscale_min = true;
  bool autoscale_max = true;
  // Pixel coordinates grow with the value. X: min at the left; a Y axis that is not ascending
  // has its min at the bottom.
  bool ascending = true;
  bool logarithmic = false;
  bool crosses_origin = true;  // the other axis is drawn through this axis' value 0
  int max_decades = -1;        // logarithmic autoscale: at most this many decades (-1: any)
  int log_factor = 1;
  float log_base = 10.0f;
  // X axis: each tick label centred under its tick rather than starting at it.
  bool centred_tick_labels = false;
  std::string label;
  TextStyle label_style;
  TextStyle tick_style;
  TickInfo tick_info;

  static AxisSetup MakeX() { return AxisSetup{}; }
  static AxisSetup MakeY() {
    AxisSetup axis;
    axis.ascending = false;
    return axis;
  }

  // Fixed range [lo, hi]: autoscaling off at both ends.
  void SetFixedRange(float lo, float hi) {
    min = lo;
    max = hi;
    autoscale_min = false;
    autoscale_max = false;
  }
  void SetAutoscale() {
    autoscale_min = true;
    autoscale_max = true;
  }
};

}  // namespace velmor::plot
