// SPDX-License-Identifier: MIT
#pragma once

namespace velmor::plot {

// The part of the segment (x1, y1) + t (dx, dy), 0 <= t <= 1, that lies in the box
// [lo_x, hi_x] x [lo_y, hi_y], edges included (Liang-Barsky): false when no part does, else its
// parameter range [t0, t1].
bool clip_segment_parameters(double x1, double y1, double dx, double dy, double lo_x, double lo_y,
                             double hi_x, double hi_y, double& t0, double& t1);

}  // namespace velmor::plot
