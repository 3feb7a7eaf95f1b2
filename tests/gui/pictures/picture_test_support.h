// SPDX-License-Identifier: MIT

#pragma once

#include <QImage>
#include <QRect>

#include "plot/chart/painter.h"

namespace velmor::plot::testing {

// Pixels of that colour in the area of a picture (all of it by default).
inline int count_colour(const QImage& image, Rgb c, QRect area = {}) {
  if (area.isNull()) area = image.rect();
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      n += (image.pixel(x, y) & 0xFFFFFF) == (qRgb(c.r, c.g, c.b) & 0xFFFFFF);
    }
  }
  return n;
}

}  // namespace velmor::plot::testing
