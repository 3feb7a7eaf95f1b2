// SPDX-License-Identifier: MIT

#include "engine/model/random_draw.h"

#include <cmath>
#include <numbers>

namespace velmor {

double next_random(double rv) {
  const double base = std::numbers::pi + rv;
  const double square = base * base;
  const double fifth = square * square * base;
  return fifth - std::trunc(fifth);
}

}  // namespace velmor
