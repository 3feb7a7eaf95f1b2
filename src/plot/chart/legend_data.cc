// SPDX-License-Identifier: MIT

#include "plot/chart/legend_data.h"

#include <array>

namespace velmor::plot {

namespace {

constexpr std::array<Rgb, 7> kDefaultColours = {{
    {255, 0, 0},    // red
    {0, 0, 255},    // blue
    {0, 255, 0},    // green
    {0, 255, 255},  // cyan
    {255, 0, 255},  // magenta
    {255, 255, 0},  // yellow
    {0, 0, 0},      // black
}};

}  // namespace

LegendData LegendData::MakeDefault(int index) {
  LegendData legend;
  legend.name = "plot " + std::to_string(index);
  const int slot = index % static_cast<int>(kDefaultColours.size());
  legend.colour = kDefaultColours[slot < 0 ? slot + kDefaultColours.size() : slot];
  return legend;
}

}  // namespace velmor::plot
