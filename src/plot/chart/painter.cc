// SPDX-License-Identifier: MIT
#include "plot/chart/painter.h"

#include <algorithm>
#include <cmath>

namespace velmor::plot {

namespace {

// Rows farther than this from the origin are outside any picture; they are not filled.
constexpr float kRowLimit = 1e5f;

}  // namespace

void Painter::DrawWideLine(float x1, float y1, float x2, float y2, float width) {
  const int count = std::max(1, static_cast<int>(std::lround(width)));
  // Steep lines are widened sideways, flat ones up and down, so the strokes touch.
  const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
  for (int k = 0; k < count; ++k) {
    const float shift = static_cast<float>(k) - static_cast<float>(count - 1) * 0.5f;
    if (steep) {
      DrawLine(x1 + shift, y1, x2 + shift, y2);
    } else {
      DrawLine(x1, y1 + shift, x2, y2 + shift);
    }
  }
}

void Painter::FillPolygon(const std::vector<PointF>& points) {
  if (points.size() < 3) return;
  float top = points.front().y;
  float bottom = top;
  for (const PointF& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  top = std::max(top, -kRowLimit);
  bottom = std::min(bottom, kRowLimit);
  std::vector<float> crossings;
  for (int row = static_cast<int>(std::floor(top)); row <= static_cast<int>(std::ceil(bottom));
       ++row) {
    const float y = static_cast<float>(row) + 0.5f;
    crossings.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
      const PointF& a = points[i];
      const PointF& b = points[(i + 1) % points.size()];
      // Half-open in y, so a vertex shared by two edges is crossed once.
      if ((a.y <= y) == (b.y <= y)) continue;
      crossings.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      // The pixels whose centres lie between the two crossings.
      const int left = static_cast<int>(std::ceil(crossings[i] - 0.5f));
      const int right = static_cast<int>(std::ceil(crossings[i + 1] - 0.5f));
      if (right > left) FillRect(left, row, right - left, 1);
    }
  }
}

}  // namespace velmor::plot
