// SPDX-License-Identifier: MIT
#pragma once

#include <limits>
#include <span>

// The runs test of a fit's residual signs (Wald and Wolfowitz): residuals that a model describes
// change sign at random, while a curve the model cannot follow leaves long runs of one sign
// (rising above the data, then below, then above). The runs are counted within each curve in
// the order of its rows and added up over the curves; the p value is the one-sided probability
// of so few runs or fewer, exact under random order given each curve's counts of positive and
// negative residuals (the distribution of the total is the convolution of the curves'). A
// residual of exactly zero has no sign and is left out.
namespace velmor {

// Below this p the residuals count as systematic.
inline constexpr double kRunsTestLevel = 0.05;

struct RunsTest {
  int runs = 0;           // observed runs, summed over the curves
  double expected = 0.0;  // their mean under random signs
  // P(runs <= observed); NaN when no curve holds residuals of both signs (nothing to test).
  double p = std::numeric_limits<double>::quiet_NaN();
};

// `residuals` in file order, `curve_counts` the points of each curve (rows beyond their sum are
// ignored).
RunsTest runs_test(std::span<const double> residuals, std::span<const int> curve_counts);

}  // namespace velmor
