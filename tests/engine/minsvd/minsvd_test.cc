// SPDX-License-Identifier: MIT

#include "engine/minsvd/minsvd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <span>
#include <vector>

#include "engine/minsvd/line_search.h"

namespace velmor {
namespace {

using Function = std::function<double(std::span<const double>)>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A plain function of x[0..n-1] as an objective that keeps every point it was asked about.
class FunctionObjective : public Objective {
 public:
  explicit FunctionObjective(Function function) : function_(std::move(function)) {}
  void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector&,
              ConstraintNormals&) override {
    f = value(n, x);
    g.fill(0.0);
  }
  double value(int n, const ParamVector& x) override {
    seen.emplace_back(x.begin(), x.begin() + n);
    smallest = std::min(smallest, *std::ranges::min_element(seen.back()));
    return function_(seen.back());
  }
  void bounds_neg(ParamVector&, int, double&) override {}
  int constraint_count() const override { return 0; }
  int equality_count() const override { return 0; }

  double smallest = std::numeric_limits<double>::infinity();  // smallest component seen
  std::vector<std::vector<double>> seen;

 private:
  Function function_;
};

double sq(double v) {
  return v * v;
}

ParamVector point(std::initializer_list<double> values) {
  ParamVector x{};
  std::ranges::copy(values, x.begin());
  return x;
}

// Along e1 from (5, 5), t = y0 - 5: trial step 1.618034, parabola vertex or 0.381966 shrink.
TEST(Linmnf, WorkedSearches) {
  const std::function<double(double)> line = [](double t) { return t; };
  const struct {
    const char* name;
    std::function<double(double)> f;
    double ta0, tb, ta;
    int evaluations, ierr;
  } kCases[] = {
      {"parabola vertex", [](double t) { return 1 + (t - 1) * (t - 1); }, 0, 0.5, 1.0, 3, 0},
      {"downhill trial", line, 0, -1.0, -1.0, 2, 0},
      {"uphill trial from a moved start", line, 1.0, 2.0, -0.618034, 2, 0},
      {"downhill trial from a moved start", [](double t) { return -t; }, 1.0, 2.0, 2.0, 2, 0},
      {"parabola vertices replace bracket ends",
       [](double t) { return 3 * std::fabs(t - 0.089) + 0.3 * std::sin(20 * t); }, 0, 0.5,
       -0.028487628184427932, 5, 0},
      // Flat from the start on: the vertex halfway to tb is as high as fa; the bracket shrinks.
      {"flat beyond a start above 0", [](double t) { return std::max(0.0, 0.25 - t); }, 0.25, 1.25,
       0.25, 4, 0},
      // Undefined beyond |t| = 0.2: the bracket shrinks until tb = 0.381966^2 lies below fa.
      {"shrinking bracket", [](double t) { return std::fabs(t) < 0.2 ? 1 - t : kNaN; }, 0, 1.0,
       0.381966 * 0.381966, 7, 0},
      // Undefined everywhere but at the start: 25 shrinks, then code 56.
      {"no usable value", [](double t) { return t == 0.0 ? 1.0 : kNaN; }, 0, 1.0, 0.0, 27, 56},
  };
  for (const auto& c : kCases) {
    FunctionObjective objective([&](std::span<const double> y) { return c.f(y[0] - 5.0); });
    const ParamVector x0 = point({5.0, 5.0});
    const std::vector<double> e1 = {1.0, 0.0};
    double ta = c.ta0;
    double fa = c.f(c.ta0);
    int ierr = -1, nf = 0;
    linmnf(objective, ta, c.tb, fa, kMinsvdRtol, kMinsvdAtol, ierr, e1, x0, 2, nf);
    EXPECT_EQ(ierr, c.ierr) << c.name;
    EXPECT_NEAR(ta, c.ta, 1e-9) << c.name;
    EXPECT_EQ(fa, c.f((5.0 + ta) - 5.0)) << c.name;
    EXPECT_EQ(nf, c.evaluations) << c.name;
    ASSERT_EQ(objective.seen.size(), static_cast<size_t>(nf)) << c.name;
    const auto t = [&](std::size_t k) { return objective.seen[k][0] - 5.0; };
    const double side = c.f(c.tb) < c.f(c.ta0) ? 1.618034 : -1.618034;
    EXPECT_NEAR(t(1), c.ta0 + side * (c.tb - c.ta0), 1e-12) << c.name;
  }
}

// Codes 504: n < 2; 105: n above the 25 a parameter vector holds; 529: maxit < 1.
TEST(Nminsvd, RefusalsLeaveParametersAndObjectiveUntouchedWithoutEvaluating) {
  for (const auto& c : {std::array{1, 10, 504}, {kMaxParams + 1, 10, 105}, {2, 0, 529}}) {
    FunctionObjective objective([](std::span<const double>) { return 0.0; });
    const ParamVector start = point({0.5, 0.25, 2.0});
    ParamVector x = start;
    double f = 7.0;
    int count = -1, ierr = -1;
    nminsvd(objective, c[0], x, f, c[1], count, ierr);
    EXPECT_TRUE(ierr == c[2] && count == 0) << ierr;
    EXPECT_EQ(x, start);
    EXPECT_EQ(f, 7.0);
    EXPECT_TRUE(objective.seen.empty());
  }
}

ParamVector ramp(double first, double step) {
  ParamVector x{};
  for (int i = 0; i < kMaxParams; ++i) x[i] = first + step * i;
  return x;
}

// Known minima, the objective seeing only non-negative values, every evaluation counted.
TEST(Nminsvd, ReachesKnownMinima) {
  const struct {
    const char* name;
    int n;
    ParamVector start, minimum;
    Function f;
  } kCases[] = {
      {"shifted Rosenbrock", 2, point({0.8, 3.0}), point({3.0, 3.0}),
       [](auto y) { return 100 * sq(y[1] - 2 - sq(y[0] - 2)) + sq(3 - y[0]); }},
      // As many parameters as a parameter vector holds, minimum at 0.1, 0.2, ... 2.5.
      {"25 parameters", 25, ramp(1.0, 0.0), ramp(0.1, 0.1),
       [](auto y) {
         double s = 0.0;
         for (int i = 0; i < 25; ++i) s += (i % 3 + 1) * sq(y[i] - 0.1 * (i + 1));
         return s;
       }},
  };
  for (const auto& c : kCases) {
    FunctionObjective objective(c.f);
    ParamVector x = c.start;
    const double f_start = c.f(std::span<const double>(x.data(), c.n));
    double f = f_start;
    int nfev = 0, ierr = -1;
    nminsvd(objective, c.n, x, f, 10, nfev, ierr);
    EXPECT_EQ(ierr, 0) << c.name;
    EXPECT_EQ(nfev, static_cast<int>(objective.seen.size())) << c.name;
    for (int i = 0; i < c.n; ++i) {
      EXPECT_NEAR(x[i], c.minimum[i], 1e-5 * std::max(1.0, c.minimum[i])) << c.name << i;
    }
    const double f_at_x = c.f(std::span<const double>(x.data(), c.n));
    EXPECT_LT(f, f_start);
    EXPECT_LT(std::abs(f - f_at_x), std::max(std::abs(f_at_x) * 1e-8, 2.2e-16)) << c.name;
    EXPECT_GE(objective.smallest, 0.0) << c.name;
  }
}

// |((atan|x| + 1.570795) / 3.14159 - 0.5) 2 x| + 1e-6, worked out independently.
TEST(RepairPositivity, ReplacesOnlyComponentsBelowTheFloorAndStepLengthsStayFinite) {
  const std::pair<double, double> kCases[] = {
      {-100.0, 99.36348637576396}, {-1e-9, 1.0000000000006365e-06}, {0.75, 0.75}};
  for (const auto& [before, after] : kCases) {
    ParamVector x = point({before, -5.0});
    repair_positivity(x, 1);
    EXPECT_NEAR(x[0], after, 1e-15 * std::max(1.0, after)) << "x = " << before;
    EXPECT_EQ(x[1], -5.0);  // beyond n
  }
  // The rebuilt step length sigma sqrt|f_d - f_end|, 0 where not finite.
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_DOUBLE_EQ(rebuilt_step_length(2.0, 1.0, 5.0), 4.0);  // repair raised f_end
  EXPECT_EQ(rebuilt_step_length(2.0, kNaN, 1.0), 0.0);
  EXPECT_EQ(rebuilt_step_length(inf, 2.0, 1.0), 0.0);
}

// The first search stops at x0 = -0.618034 (seen as |x0|); the repair lifts it to 0.2178.
TEST(Nminf, NegativeComponentIsRepairedAndRaisesTheObjective) {
  const Function mirrored = [](auto y) { return sq(y[0] - 0.618034) + sq(y[1] - 1.0); };
  FunctionObjective objective(mirrored);
  ParamVector x = point({1.0, 1.0});
  double f = 0.0;
  int count = 0, ierr = -1;
  nminf(objective, 2, x, f, 1, count, kMinsvdRtol, kMinsvdAtol, ierr);
  EXPECT_EQ(ierr, 529);  // the repair raised f, so no convergence
  EXPECT_NEAR(x[0], 0.21780649362442359, 1e-12);
  EXPECT_EQ(f, mirrored(std::span<const double>(x.data(), 2)));
  EXPECT_GE(objective.smallest, 0.0);  // the trial point x0 = -0.618034 was seen as |x0|
}

TEST(Nminsvd, NonNumericObjectiveEndsInLineSearchFailureWithinBoundedWork) {
  FunctionObjective objective([](std::span<const double>) { return kNaN; });
  ParamVector x = point({0.5, 1.5, 2.5});
  double f = 1.0;
  int nfev = 0, ierr = -1;
  nminsvd(objective, 3, x, f, 10, nfev, ierr);
  EXPECT_EQ(ierr, 56);
  // Ten runs of one cycle each: a start evaluation, 12 searches of at most 52, one more.
  EXPECT_LE(nfev, 10 * (2 + 3 * 4 * 52));
}

}  // namespace
}  // namespace velmor
