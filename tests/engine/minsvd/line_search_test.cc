#include "engine/minsvd/line_search.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <span>

#include "test_objectives.h"

namespace velmor {
namespace {

using testing::FunctionObjective;

// f(t) = 1 + (t - 1)^2 along e1 from x0 = (1, 1): tb = 0.5 is already lower, so tc = 0.809017
// lies beyond it; the parabola through three points of a parabola is exact, so its vertex t = 1
// is returned after three evaluations.
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
