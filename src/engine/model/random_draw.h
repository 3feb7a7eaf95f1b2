// SPDX-License-Identifier: MIT

#pragma once

namespace velmor {

// The draw a caller holding a zero seed takes instead of a computed one: pi - 3.
inline constexpr double kSeedZeroDraw = 0.14159265358979312;

// One step of the shared pseudo-random generator: frac((pi + rv)^5), rv in [0, 1). The sum and
// the fifth power (x^2, x^4, x^5) are rounded to double, the precision the program's stored
// sequence was made with (its extended registers ran with a 53-bit significand): from
// pi - 3 the next draw is 0.48457101551719006.
double next_random(double rv);

// The draw of a caller that holds a seed variable: pi - 3 when the seed is exactly 0,
// otherwise the next value after rv.
inline double seeded_draw(double seed, double rv) {
  return seed == 0.0 ? kSeedZeroDraw : next_random(rv);
}

}  // namespace velmor
