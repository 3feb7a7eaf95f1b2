// SPDX-License-Identifier: MIT

#pragma once

#include <string>

#include "plot/chart/painter.h"

namespace velmor::plot {

// Legend entry of one series; its colour is also the colour the series is drawn in.
struct LegendData {
  std::string name;
  Rgb colour = kBlack;
  bool show = true;
  TextStyle style;
  // Width in pixels of a line drawn through the series' sample in a boxed legend (0: none): for
  // points whose curve another series draws.
  float sample_line_width = 0.0f;

  // The defaults of the series with index i: name "plot i", a colour cycling through red, blue,
  // green, cyan, magenta, yellow and black.
  static LegendData MakeDefault(int index);
};

}  // namespace velmor::plot
