// SPDX-License-Identifier: MIT
// The pieces of the fit's verdicts: Student's t and F to full precision, the exact runs test
// against a count of every arrangement, and the profile search on profiles of known shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/stats/distributions.h"
#include "engine/stats/profile_likelihood.h"
#include "engine/stats/runs_test.h"

namespace velmor {
namespace {

// Published 97.5 % points of t and 95 % points of F(1, n), to the digits the tables give.
TEST(Distributions, QuantilesMatchTheTables) {
  const struct {
    double dof, t;
  } kT[] = {{1, 12.706204736}, {2, 4.302652730},  {4, 2.776445105},  {10, 2.228138852},
            {30, 2.042272456}, {60, 2.000297822}, {120, 1.979930405}};
  for (const auto& c : kT) {
    EXPECT_NEAR(student_t_quantile(0.975, c.dof), c.t, 2e-9 * c.t) << c.dof;
    EXPECT_NEAR(student_t_quantile(0.025, c.dof), -c.t, 2e-9 * c.t) << c.dof;
    EXPECT_NEAR(student_t_cdf(c.t, c.dof), 0.975, 1e-10) << c.dof;
  }
  EXPECT_NEAR(f_quantile_one(0.95, 4), 7.708647422, 1e-8);
  EXPECT_NEAR(f_quantile_one(0.95, 25), 2.059538553 * 2.059538553, 1e-8);
  EXPECT_NEAR(incomplete_beta(2.0, 3.0, 0.4), 0.5248, 1e-12);  // 1 - sum of binomial terms
  EXPECT_TRUE(std::isnan(student_t_quantile(1.0, 5)));
  EXPECT_TRUE(std::isnan(student_t_quantile(0.5, 0)));
  // Threshold of the profile limits: S (1 + F(0.95; 1, n - p) / (n - p)).
  EXPECT_NEAR(profile_threshold(2.0, 6, 2), 2.0 * (1.0 + 7.708647422 / 4.0), 1e-8);
  EXPECT_TRUE(std::isnan(profile_threshold(2.0, 2, 2)));
}

// The signs of one curve as a bit pattern: bit k set = positive residual at row k.
int count_runs(unsigned pattern, int n) {
  int runs = n > 0 ? 1 : 0;
  for (int k = 1; k < n; ++k) runs += ((pattern >> k) & 1u) != ((pattern >> (k - 1)) & 1u);
  return runs;
}

// P(runs <= observed) by counting every arrangement of each curve's signs.
double enumerated_p(const std::vector<std::vector<int>>& curves, int observed) {
  std::vector<std::vector<int>> runs_of_arrangements;
  for (const auto& signs : curves) {
    const int n = static_cast<int>(signs.size());
    const int positive = static_cast<int>(std::count(signs.begin(), signs.end(), 1));
    std::vector<int> runs;
    for (unsigned pattern = 0; pattern < (1u << n); ++pattern) {
      if (__builtin_popcount(pattern) == positive) runs.push_back(count_runs(pattern, n));
    }
    runs_of_arrangements.push_back(runs);
  }
  // Every combination of the curves' arrangements, equally likely.
  std::vector<int> totals{0};
  for (const auto& runs : runs_of_arrangements) {
    std::vector<int> next;
    for (int t : totals) {
      for (int r : runs) next.push_back(t + r);
    }
    totals = next;
  }
  const auto at_most =
      std::count_if(totals.begin(), totals.end(), [&](int t) { return t <= observed; });
  return static_cast<double>(at_most) / static_cast<double>(totals.size());
}

TEST(RunsTest, MatchesACountOfEveryArrangement) {
  // Three curves (a zero residual among them, which has no sign), one of them of a single sign.
  const std::vector<double> residuals = {-1, -2, -1, 1,  2, 3,  0,  // - - - + + +
                                         1,  -1, 1,  -1, 1, -1, 1,  // alternating
                                         2,  1,  3,  1,  2};        // all positive
  const int counts[] = {7, 7, 5};
  const RunsTest test = runs_test(residuals, counts);
  EXPECT_EQ(test.runs, 2 + 7 + 1);
  const double p = enumerated_p({{-1, -1, -1, 1, 1, 1}, {1, -1, 1, -1, 1, -1, 1}}, test.runs - 1);
  EXPECT_NEAR(test.p, p, 1e-12);
  EXPECT_NEAR(test.expected, (1 + 2.0 * 9 / 6) + (1 + 2.0 * 12 / 7) + 1, 1e-12);

  // The laccase pattern - - - - - - - + + + in eight curves: 2 runs each, P = (2 / 120)^8.
  std::vector<double> laccase;
  for (int c = 0; c < 8; ++c) {
    for (int k = 0; k < 10; ++k) laccase.push_back(k < 7 ? -1.0 : 1.0);
  }
  const std::vector<int> eight(8, 10);
  EXPECT_NEAR(runs_test(laccase, eight).p / std::pow(2.0 / 120.0, 8), 1.0, 1e-9);

  // Nothing to test: no curve holds both signs.
  const double one_sign[] = {1, 2, 3, 4, 5};
  const int five[] = {5};
  EXPECT_TRUE(std::isnan(runs_test(one_sign, five).p));
}

// Profiles of known shape: a parabola (limits where it reaches the threshold, in either
// scale), one that levels off below the threshold (an open side) and one cut by a bound.
TEST(ProfileInterval, FindsTheCrossingsOrReportsAnOpenSide) {
  const double threshold = 3.0;  // S_min = 1, so S rises by 2 at the limits
  ProfileAxis linear{5.0, -1e3, 1e3, false, 0.01};
  const auto parabola = [](double v, int) { return 1.0 + 0.5 * (v - 5.0) * (v - 5.0); };
  ProfileInterval i = profile_interval(parabola, linear, 1.0, threshold);
  EXPECT_TRUE(i.low.crossed && i.high.crossed);
  EXPECT_NEAR(i.low.limit, 3.0, 1e-7);
  EXPECT_NEAR(i.high.limit, 7.0, 1e-7);
  EXPECT_LT(i.evaluations, 30);

  ProfileAxis log_axis{10.0, 1e-6, 1e12, true, 0.05};
  const auto log_parabola = [](double v, int) {
    const double u = std::log(v / 10.0);
    return 1.0 + 8.0 * u * u;
  };
  i = profile_interval(log_parabola, log_axis, 1.0, threshold);
  EXPECT_NEAR(i.low.limit, 10.0 * std::exp(-0.5), 1e-6);
  EXPECT_NEAR(i.high.limit, 10.0 * std::exp(0.5), 1e-6);

  // Levels off at S = 2.5 above the estimate: open up to the search's end. The side argument
  // tells which way the search goes.
  const auto levels_off = [](double v, int side) {
    EXPECT_EQ(side, v < 10.0 ? -1 : 1);
    const double u = std::log(v / 10.0);
    return u < 0 ? 1.0 + 8.0 * u * u : 2.5 - 1.5 * std::exp(-u);
  };
  i = profile_interval(levels_off, log_axis, 1.0, threshold);
  EXPECT_TRUE(i.low.crossed);
  EXPECT_FALSE(i.high.crossed);
  EXPECT_DOUBLE_EQ(i.high.limit, 1e12);

  // A bound at 4 cuts the parabola's lower side; an estimate on its bound has nothing below.
  linear.lower = 4.0;
  i = profile_interval(parabola, linear, 1.0, threshold);
  EXPECT_FALSE(i.low.crossed);
  EXPECT_DOUBLE_EQ(i.low.limit, 4.0);
  linear.estimate = 4.0;
  i = profile_interval([](double v, int) { return 1.0 + (v - 4.0); }, linear, 1.0, threshold);
  EXPECT_FALSE(i.low.crossed);
  EXPECT_NEAR(i.high.limit, 6.0, 1e-7);
  // A profile that cannot be computed ends the search there.
  i = profile_interval(
      [](double v, int) { return v > 5.5 ? std::numeric_limits<double>::quiet_NaN() : 1.0; },
      linear, 1.0, threshold);
  EXPECT_FALSE(i.high.crossed);
  EXPECT_LE(i.high.limit, 5.5);
}

}  // namespace
}  // namespace velmor
