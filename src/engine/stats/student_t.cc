// SPDX-License-Identifier: MIT

#include "engine/stats/student_t.h"

#include <array>
#include <cmath>

namespace velmor {

namespace {

// t(0.975, dof) for dof = 1..20, to two decimals.
constexpr std::array<float, 20> kTable = {12.71f, 4.30f, 3.18f, 2.78f, 2.57f, 2.45f, 2.37f,
                                          2.31f,  2.26f, 2.23f, 2.20f, 2.18f, 2.16f, 2.15f,
                                          2.13f,  2.12f, 2.11f, 2.10f, 2.09f, 2.09f};

}  // namespace

float tvalue(int dof) {
  if (dof <= 0) return 0.0f;
  if (dof <= 20) return kTable[dof - 1];

  // t = (196.5 + v * exp(u)) / 100 truncated to hundredths, so t tends to 1.96. The pieces meet
  // at 8.2 for 30 degrees of freedom and give 4.0 and 3.9 (both t = 2.00) at 60.
  double u = 0.0;
  double v = 0.0;
  const double d = dof;
  if (dof <= 30) {
    u = (20.0 - d) * 0.04054651081081646;  // ln(12.3 / 8.2) / 10
    v = 12.3;
  } else if (dof <= 60) {
    u = (30.0 - d) * 0.7178397931503169 / 30.0;  // ln(8.2 / 4.0) over 30 steps
    v = 8.2;
  } else {
    u = (60.0 - d) * 0.6678293725756553 / 60.0;  // ln(3.9 / 2.0) over 60 steps
    v = 3.9;
  }
  const double hundredths = std::trunc(v * std::exp(u) + 196.5);
  return static_cast<float>(hundredths / 100.0);
}

}  // namespace velmor
