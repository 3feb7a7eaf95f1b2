#include "engine/minsvd/minsvd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "test_objectives.h"

namespace velmor {
namespace {

using testing::FunctionObjective;
using Function = std::function<double(std::span<const double>)>;

ParamVector point(std::initializer_list<double> values) {
  ParamVector x{};
  std::ranges::copy(values, x.begin());
  return x;
}

double at(const Function& function, const ParamVector& x, int n) {
  return function(std::span<const double>(x.data(), n));
}

// Minimum 0 at (1, 2, 3), coupled.
double coupled_quadratic(std::span<const double> y) {
  const double a = y[0] - 1.0, b = y[1] - 2.0, c = y[2] - 3.0;
  return a * a + 4.0 * b * b + 9.0 * c * c + a * b + 0.5 * b * c;
}

struct Refusal {
  std::string name;
  int n;
  int maxit;
  int ierr;
};
void PrintTo(const Refusal& r, std::ostream* os) {
  *os << r.name;
}

class MinsvdRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(MinsvdRefusal, LeavesParametersAndObjectiveUntouchedWithoutEvaluating) {
  const Refusal& r = GetParam();
  FunctionObjective objective(coupled_quadratic);
  const ParamVector start = point({0.5, 0.25, 2.0});
  ParamVector x = start;
  double f = 7.0;
  int count = -1;
  int ierr = -1;
  nminf(objective, r.n, x, f, r.maxit, count, kMinsvdRtol, kMinsvdAtol, ierr);
  EXPECT_EQ(ierr, r.ierr);
  EXPECT_EQ(count, 0);
  nminsvd(objective, r.n, x, f, r.maxit, count, ierr);
  EXPECT_EQ(ierr, r.ierr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(x, start);
  EXPECT_EQ(f, 7.0);
  EXPECT_EQ(objective.evaluations, 0);
}

INSTANTIATE_TEST_SUITE_P(BadArguments, MinsvdRefusal,
                         ::testing::Values(Refusal{"OneParameter", 1, 10, kMinsvdTooFewParams},
                                           Refusal{"NoParameters", 0, 10, kMinsvdTooFewParams},
                                           Refusal{"MoreThanTheVectorHolds", kMaxParams + 1, 10,
                                                   kMinsvdDimension},
                                           Refusal{"ZeroCycles", 2, 0, kMinsvdCycleLimit},
                                           Refusal{"NegativeCycles", 3, -4, kMinsvdCycleLimit}),
                         [](const auto& info) { return info.param.name; });

struct MinimumCase {
  std::string name;
  int n;
  ParamVector start;
  ParamVector minimum;
  Function function;
};
void PrintTo(const MinimumCase& c, std::ostream* os) {
  *os << c.name;
}

class MinsvdMinimum : public ::testing::TestWithParam<MinimumCase> {};

TEST_P(MinsvdMinimum, ReachesTheMinimumAndCountsEveryEvaluation) {
  const MinimumCase& c = GetParam();
  FunctionObjective objective(c.function);
  ParamVector x = c.start;
  const double f_start = at(c.function, x, c.n);
  double f = f_start;
  int nfev = 0;
  int ierr = -1;
  nminsvd(objective, c.n, x, f, 10, nfev, ierr);
  EXPECT_EQ(ierr, kMinsvdOk);
  EXPECT_EQ(nfev, objective.evaluations);
  for (int i = 0; i < c.n; ++i) {
    EXPECT_NEAR(x[i], c.minimum[i], 1e-5 * std::max(1.0, c.minimum[i])) << "x[" << i << "]";
  }
  EXPECT_LT(f, f_start);
  // f may be the previous restart's value, but only within the restart tolerance.
  const double f_at_x = at(c.function, x, c.n);
  EXPECT_LT(std::abs(f - f_at_x), std::max(std::abs(f_at_x) * kMinsvdRtol, kMinsvdAtol));
}

INSTANTIATE_TEST_SUITE_P(
    Problems, MinsvdMinimum,
    ::testing::Values(
        MinimumCase{"CoupledQuadratic", 3, point({0.5, 0.5, 0.5}), point({1, 2, 3}),
                    coupled_quadratic},
        // Km-like and Vm-like scales four orders apart.
        MinimumCase{"BadlyScaledQuadratic", 2, point({0.01, 20.0}), point({0.002, 50.0}),
                    [](std::span<const double> y) {
                      const double a = (y[0] - 0.002) / 0.001, b = (y[1] - 50.0) / 10.0;
                      return a * a + b * b + 0.5 * a * b;
                    }},
        // The standard start (-1.2, 1) moved into the positive quadrant with the valley.
        MinimumCase{"ShiftedRosenbrock", 2, point({0.8, 3.0}), point({3.0, 3.0}),
                    [](std::span<const double> y) { return testing::shifted_rosenbrock(y, 2.0); }}),
    [](const auto& info) { return info.param.name; });

TEST(RepairPositivity, ReplacesOnlyComponentsBelowTheFloor) {
  // Expected values worked out independently from the repair formula.
  const std::pair<double, double> cases[] = {{-0.618034, 0.21780649362442359},
                                             {-3.0, 2.385504720851393},
                                             {-100.0, 99.36348637576396},
                                             {0.0, 1e-6},
                                             {1e-17, 1e-6},
                                             {-1e-9, 1.0000000000006365e-06},
                                             {2.22e-16, 2.22e-16},  // at the floor: kept
                                             {0.75, 0.75}};
  for (const auto& [before, after] : cases) {
    ParamVector x = point({before, -5.0});
    repair_positivity(x, 1);
    EXPECT_NEAR(x[0], after, 1e-15 * std::max(1.0, after)) << "x = " << before;
    EXPECT_EQ(x[1], -5.0);  // beyond n
  }
}

// With the minimum at y0 = 0.618034, the first search along e1 from (1, 1) stops at its
// bracketing point t = -1.618034: x0 = -0.618034, where the objective sees |x0| and f = 0. The
// cycle ends there, so the repair must lift x0 to 0.2178..., and f_end rises above f_d = 0: the
// case where the rebuilt step length has no real square root.
double mirrored(std::span<const double> y) {
  return (y[0] - 0.618034) * (y[0] - 0.618034) + (y[1] - 1.0) * (y[1] - 1.0);
}

TEST(Nminf, NegativeComponentIsRepairedAndTheRaisedObjectiveStillConverges) {
  FunctionObjective objective(mirrored);
  ParamVector x = point({1.0, 1.0});
  double f = 0.0;
  int count = 0;
  int ierr = -1;
  nminf(objective, 2, x, f, 1, count, kMinsvdRtol, kMinsvdAtol, ierr);
  EXPECT_EQ(ierr, kMinsvdCycleLimit);  // the repair raised f, so no convergence
  EXPECT_NEAR(x[0], 0.21780649362442359, 1e-12);
  EXPECT_EQ(f, at(mirrored, x, 2));

  x = point({1.0, 1.0});
  f = at(mirrored, x, 2);
  nminsvd(objective, 2, x, f, 10, count, ierr);
  EXPECT_EQ(ierr, kMinsvdOk);
  EXPECT_NEAR(x[0], 0.618034, 1e-6);
  EXPECT_NEAR(x[1], 1.0, 1e-6);
  EXPECT_GE(objective.smallest_component, 0.0);
}

TEST(RebuiltStepLength, IsSigmaTimesRootOfTheDropAndNeverNaN) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_DOUBLE_EQ(rebuilt_step_length(2.0, 5.0, 1.0), 4.0);
  EXPECT_DOUBLE_EQ(rebuilt_step_length(2.0, 1.0, 5.0), 4.0);  // repair raised f_end
  EXPECT_EQ(rebuilt_step_length(2.0, nan, 1.0), 0.0);
  EXPECT_EQ(rebuilt_step_length(inf, 2.0, 1.0), 0.0);
  EXPECT_EQ(rebuilt_step_length(0.0, inf, 1.0), 0.0);
}

// Minima with negative coordinates pull the trial points below zero; the objective must still
// see only non-negative parameters, and the result must be finite and positive.
TEST(Nminsvd, EvaluatesOnlyNonNegativeParametersWhateverTheTrialPoints) {
  std::mt19937 generator(2024);
  std::uniform_real_distribution<double> centre(-1.0, 1.0);
  std::uniform_real_distribution<double> start(0.1, 2.0);
  for (int trial = 0; trial < 30; ++trial) {
    const double c0 = centre(generator), c1 = centre(generator), c2 = centre(generator);
    FunctionObjective objective([=](std::span<const double> y) {
      const double a = y[0] - c0, b = y[1] - c1, c = y[2] - c2;
      return a * a + 2.0 * b * b + 3.0 * c * c + 0.7 * a * c;
    });
    ParamVector x = point({start(generator), start(generator), start(generator)});
    double f = objective.value(3, x);
    int nfev = 0;
    int ierr = -1;
    nminsvd(objective, 3, x, f, 10, nfev, ierr);
    SCOPED_TRACE(::testing::Message() << "trial " << trial);
    EXPECT_GE(objective.smallest_component, 0.0);
    EXPECT_TRUE(std::isfinite(f));
    for (int i = 0; i < 3; ++i) EXPECT_GE(x[i], 2.22e-16);
  }
}

TEST(Nminsvd, NonNumericObjectiveEndsInLineSearchFailureWithinBoundedWork) {
  FunctionObjective objective(
      [](std::span<const double>) { return std::numeric_limits<double>::quiet_NaN(); });
  ParamVector x = point({0.5, 1.5, 2.5});
  double f = 1.0;
  int nfev = 0;
  int ierr = -1;
  nminsvd(objective, 3, x, f, 10, nfev, ierr);
  EXPECT_EQ(ierr, kMinsvdLineSearchLimit);
  EXPECT_EQ(nfev, objective.evaluations);
  // Ten runs of one cycle each: a start evaluation, 12 searches of at most 52, one more.
  EXPECT_LE(nfev, kMinsvdMaxRestarts * (2 + 3 * 4 * 52));
}

}  // namespace
}  // namespace velmor
