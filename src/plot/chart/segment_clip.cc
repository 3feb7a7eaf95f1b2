// SPDX-License-Identifier: MIT
#include "plot/chart/segment_clip.h"

#include <algorithm>

namespace velmor::plot {

bool clip_segment_parameters(double x1, double y1, double dx, double dy, double lo_x, double lo_y,
                             double hi_x, double hi_y, double& t0, double& t1) {
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - lo_x, hi_x - x1, y1 - lo_y, hi_y - y1};
  t0 = 0.0;
  t1 = 1.0;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  return true;
}

}  // namespace velmor::plot
