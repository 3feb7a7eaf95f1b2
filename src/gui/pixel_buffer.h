// SPDX-License-Identifier: MIT

#pragma once

#include <cstdint>
#include <vector>

namespace wintk {

// A copy of a rectangle of a drawing page, row by row from the top, each pixel a colour in the
// toolkit's packing (red + green * 256 + blue * 65536).
struct PixelBuffer {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  bool empty() const { return width <= 0 || height <= 0; }
};

}  // namespace wintk
