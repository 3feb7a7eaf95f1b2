#include "engine/minsvd/line_search.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "test_objectives.h"

namespace velmor {
namespace {

using testing::FunctionObjective;

TEST(Fln, EvaluatesAtAbsoluteValuesOfTheLinePointAndCounts) {
  std::vector<ParamVector> seen;
  FunctionObjective objective([&](std::span<const double> y) {
    ParamVector p{};
    std::ranges::copy(y, p.begin());
    seen.push_back(p);
    return y[0] + 10.0 * y[1];
  });
  ParamVector x0{};
  x0[0] = 1.0;
  x0[1] = -0.5;
  x0[2] = 42.0;  // beyond n: not part of the problem
  const std::array<double, 2> v = {-3.0, 1.0};
  int nf = 4;
  // x0 + 1 v = (-2, 0.5): the objective sees (2, 0.5).
  EXPECT_DOUBLE_EQ(fln(objective, 1.0, v, x0, 2, nf), 2.0 + 5.0);
  EXPECT_EQ(nf, 5);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0][0], 2.0);
  EXPECT_EQ(seen[0][1], 0.5);
  // t = 0 is x0 itself, up to the sign of its components.
  EXPECT_DOUBLE_EQ(fln(objective, 0.0, v, x0, 2, nf), 1.0 + 5.0);
  EXPECT_EQ(nf, 6);
}

// f(t) = 1 + (t - 1)^2 along e1 from x0 = (1, 1): tb = 1 is already lower, tc = 1.618034, and
// the parabola through three points of a parabola is exact, so the vertex t = 1 is returned
// after three evaluations.
TEST(Linmnf, WorkedQuadraticReturnsTheParabolaVertex) {
  FunctionObjective objective([](std::span<const double> y) {
    return (y[0] - 2.0) * (y[0] - 2.0) + (y[1] - 1.0) * (y[1] - 1.0) + 1.0;
  });
  ParamVector x0{};
  x0[0] = 1.0;
  x0[1] = 1.0;
  const std::array<double, 2> e1 = {1.0, 0.0};
  double ta = 0.0;
  double fa = 2.0;
  int ierr = -1;
  int nf = 0;
  linmnf(objective, ta, 0.5, fa, kMinsvdRtol, kMinsvdAtol, ierr, e1, x0, 2, nf);
  EXPECT_EQ(ierr, kMinsvdOk);
  EXPECT_NEAR(ta, 1.0, 1e-12);
  EXPECT_NEAR(fa, 1.0, 1e-12);
  EXPECT_EQ(nf, 3);
  EXPECT_EQ(objective.evaluations, 3);
}

// From the minimum every trial is higher: the search must hand back the start (step 0, value
// unchanged) without an error, and cheaply.
TEST(Linmnf, AtTheMinimumReturnsTheStartPoint) {
  FunctionObjective objective([](std::span<const double> y) {
    return (y[0] - 2.0) * (y[0] - 2.0) + 3.0 * (y[1] - 1.0) * (y[1] - 1.0);
  });
  ParamVector x0{};
  x0[0] = 2.0;
  x0[1] = 1.0;
  const std::array<double, 2> v = {0.6, 0.8};
  for (const double tb : {1.0, -0.25, 1e-3}) {
    double ta = 0.0;
    double fa = 0.0;
    int ierr = -1;
    int nf = 0;
    linmnf(objective, ta, tb, fa, kMinsvdRtol, kMinsvdAtol, ierr, v, x0, 2, nf);
    EXPECT_EQ(ierr, kMinsvdOk) << "tb " << tb;
    EXPECT_EQ(ta, 0.0) << "tb " << tb;
    EXPECT_EQ(fa, 0.0) << "tb " << tb;
    EXPECT_LE(nf, 52) << "tb " << tb;
  }
}

// A far-too-long trial step on the downhill side: both bracket points are worse, and the search
// must shrink toward ta until it meets the lower region between ta and the minimum at t = 0.1.
TEST(Linmnf, ShrinksAnOversizedTrialStepToALowerPoint) {
  FunctionObjective objective([](std::span<const double> y) {
    const double a = y[0] - 0.3;
    return a * a * (1.0 + a * a) + y[1];
  });
  ParamVector x0{};
  x0[0] = 0.2;
  x0[1] = 1.0;
  const std::array<double, 2> e1 = {1.0, 0.0};
  double ta = 0.0;
  const double f_start = 0.01 * 1.01 + 1.0;  // a = -0.1 at t = 0
  double fa = f_start;
  int ierr = -1;
  int nf = 0;
  linmnf(objective, ta, 1000.0, fa, kMinsvdRtol, kMinsvdAtol, ierr, e1, x0, 2, nf);
  EXPECT_EQ(ierr, kMinsvdOk);
  EXPECT_LT(fa, f_start);
  EXPECT_GT(ta, 0.0);
  EXPECT_LT(ta, 0.2);
  EXPECT_LE(nf, 52);
}

TEST(Linmnf, NonFiniteObjectiveRunsOutOfIterationsWithinTheEvaluationBound) {
  FunctionObjective objective(
      [](std::span<const double>) { return std::numeric_limits<double>::quiet_NaN(); });
  ParamVector x0{};
  x0[0] = 1.0;
  x0[1] = 1.0;
  const std::array<double, 2> e1 = {1.0, 0.0};
  double ta = 0.0;
  double fa = std::numeric_limits<double>::quiet_NaN();
  int ierr = 0;
  int nf = 0;
  linmnf(objective, ta, 1.0, fa, kMinsvdRtol, kMinsvdAtol, ierr, e1, x0, 2, nf);
  EXPECT_EQ(ierr, kMinsvdLineSearchLimit);
  EXPECT_EQ(ta, 0.0);
  EXPECT_GT(nf, 25);
  EXPECT_LE(nf, 52);
}

}  // namespace
}  // namespace velmor
