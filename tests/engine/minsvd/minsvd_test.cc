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

ParamVector point(std::initializer_list<double> values) {
  ParamVector x{};
  std::ranges::copy(values, x.begin());
  return x;
}

// [Refusals]

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
  FunctionObjective objective([](std::span<const double> y) { return y[0] * y[0]; });
  const ParamVector start = point({0.5, 0.25, 2.0});

  ParamVector x = start;
  double f = 7.0;
  int nf = -1;
  int ierr = -1;
  nminf(objective, r.n, x, f, r.maxit, nf, kMinsvdRtol, kMinsvdAtol, ierr);
  EXPECT_EQ(ierr, r.ierr);
  EXPECT_EQ(nf, 0);
  EXPECT_EQ(x, start);
  EXPECT_EQ(f, 7.0);

  int nfev = -1;
  nminsvd(objective, r.n, x, f, r.maxit, nfev, ierr);
  EXPECT_EQ(ierr, r.ierr);
  EXPECT_EQ(nfev, 0);
  EXPECT_EQ(x, start);
  EXPECT_EQ(f, 7.0);
  EXPECT_EQ(objective.evaluations, 0);
}

INSTANTIATE_TEST_SUITE_P(BadArguments, MinsvdRefusal,
                         ::testing::Values(Refusal{"OneParameter", 1, 10, kMinsvdTooFewParams},
                                           Refusal{"NoParameters", 0, 10, kMinsvdTooFewParams},
                                           Refusal{"MoreParametersThanTheVectorHolds",
                                                   kMaxParams + 1, 10, kMinsvdDimension},
                                           Refusal{"ZeroCycles", 2, 0, kMinsvdCycleLimit},
                                           Refusal{"NegativeCycles", 3, -4, kMinsvdCycleLimit}),
                         [](const auto& info) { return info.param.name; });

// [Reaching the minimum]

struct MinimumCase {
  std::string name;
  int n;
  ParamVector start;
  ParamVector minimum;
  double tolerance;  // per component, relative to max(1, |minimum|)
  std::function<double(std::span<const double>)> function;
};

void PrintTo(const MinimumCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<MinimumCase> minimum_cases() {
  return {
      {"CoupledQuadratic", 3, point({0.5, 0.5, 0.5}), point({1, 2, 3}), 1e-6,
       [](std::span<const double> y) {
         const double a = y[0] - 1.0, b = y[1] - 2.0, c = y[2] - 3.0;
         return a * a + 4.0 * b * b + 9.0 * c * c + a * b + 0.5 * b * c;
       }},
      // Km-like and Vm-like scales five orders apart.
      {"BadlyScaledQuadratic", 2, point({0.01, 20.0}), point({0.002, 50.0}), 1e-6,
       [](std::span<const double> y) {
         const double a = (y[0] - 0.002) / 0.001, b = (y[1] - 50.0) / 10.0;
         return a * a + b * b + 0.5 * a * b;
       }},
      // The standard start (-1.2, 1) moved into the positive quadrant.
      {"ShiftedRosenbrock", 2, point({0.8, 3.0}), point({3.0, 3.0}), 1e-5,
       [](std::span<const double> y) { return testing::shifted_rosenbrock(y, 2.0); }},
      // Standard start itself: the searches see |x|, and the minimum (1, 1) is positive.
      {"RosenbrockFromStandardStart", 2, point({-1.2, 1.0}), point({1.0, 1.0}), 1e-5,
       [](std::span<const double> y) { return testing::shifted_rosenbrock(y, 0.0); }},
      {"FiveParameterSumOfSquares", 5, point({1, 1, 1, 1, 1}), point({0.5, 1.5, 2.5, 3.5, 4.5}),
       1e-6,
       [](std::span<const double> y) {
         double sum = 0.0;
         for (int i = 0; i < 5; ++i) {
           const double r = y[i] - (0.5 + i) + 0.1 * (i > 0 ? y[i - 1] - (i - 0.5) : 0.0);
           sum += (i + 1) * r * r;
         }
         return sum;
       }},
  };
}

class MinsvdMinimum : public ::testing::TestWithParam<MinimumCase> {};

TEST_P(MinsvdMinimum, ReachesTheMinimumAndCountsEveryEvaluation) {
  const MinimumCase& c = GetParam();
  FunctionObjective objective(c.function);
  ParamVector x = c.start;
  const double f_start = objective.value(c.n, x);
  objective.evaluations = 0;
  double f = f_start;
  int nfev = 0;
  int ierr = -1;
  nminsvd(objective, c.n, x, f, 10, nfev, ierr);

  EXPECT_EQ(ierr, kMinsvdOk);
  EXPECT_EQ(nfev, objective.evaluations);
  for (int i = 0; i < c.n; ++i) {
    EXPECT_NEAR(x[i], c.minimum[i], c.tolerance * std::max(1.0, std::abs(c.minimum[i])))
        << "x[" << i << "]";
  }
  EXPECT_LT(f, f_start);
  // f may be the previous restart's value, but only within the restart tolerance.
  const double f_at_x = c.function(std::span<const double>(x.data(), c.n));
  EXPECT_LT(std::abs(f - f_at_x), std::max(std::abs(f_at_x) * kMinsvdRtol, kMinsvdAtol));
}

INSTANTIATE_TEST_SUITE_P(Problems, MinsvdMinimum, ::testing::ValuesIn(minimum_cases()),
                         [](const auto& info) { return info.param.name; });

TEST(Nminf, CycleLimitReportsButKeepsTheLowerPointAndItsValue) {
  const auto quadratic = [](std::span<const double> y) {
    const double a = y[0] - 1.0, b = y[1] - 2.0, c = y[2] - 3.0;
    return a * a + 4.0 * b * b + 9.0 * c * c + a * b + 0.5 * b * c;
  };
  FunctionObjective objective(quadratic);
  ParamVector x = point({0.5, 0.5, 0.5});
  const double f_start = objective.value(3, x);
  objective.evaluations = 0;
  double f = 0.0;
  int nf = 0;
  int ierr = -1;
  nminf(objective, 3, x, f, 1, nf, kMinsvdRtol, kMinsvdAtol, ierr);
  EXPECT_EQ(ierr, kMinsvdCycleLimit);
  EXPECT_LT(f, f_start);
  EXPECT_EQ(f, quadratic(std::span<const double>(x.data(), 3)));
  EXPECT_EQ(nf, objective.evaluations);
  // One start evaluation, n (n + 1) = 12 line searches of at most 52, one after the repair.
  EXPECT_LE(nf, 1 + 12 * 52 + 1);
}

// [Positivity]

TEST(RepairPositivity, ReplacesOnlyComponentsBelowTheFloor) {
  struct Case {
    double x;
    double repaired;
  };
  // Expected values worked out independently from the repair formula.
  const Case cases[] = {
      {-0.618034, 0.21780649362442359},
      {-3.0, 2.385504720851393},
      {-100.0, 99.36348637576396},
      {0.0, 1e-6},
      {1e-17, 1e-6},
      {-1e-9, 1.0000000000006365e-06},
      {2.22e-16, 2.22e-16},  // at the floor: kept
      {0.75, 0.75},
  };
  for (const Case& c : cases) {
    ParamVector x{};
    x[0] = c.x;
    x[1] = -5.0;  // beyond n: untouched
    repair_positivity(x, 1);
    EXPECT_NEAR(x[0], c.repaired, 1e-15 * std::max(1.0, c.repaired)) << "x = " << c.x;
    EXPECT_EQ(x[1], -5.0);
  }
}

// With the minimum at y0 = 0.618034, the first search along e1 from (1, 1) reaches its
// bracketing point t = -1.618034, i.e. x0 = -0.618034 with f = 0 seen through |x0|. The cycle
// ends there, so the repair must lift x0 (to 0.2178...) and f_end rises above f_d = 0: the case
// where the rebuilt step length has no real square root.
double mirrored(std::span<const double> y) {
  return (y[0] - 0.618034) * (y[0] - 0.618034) + (y[1] - 1.0) * (y[1] - 1.0);
}

TEST(Nminf, ComponentDrivenNegativeComesBackRepairedBeforeTheConvergenceTest) {
  FunctionObjective objective(mirrored);
  ParamVector x = point({1.0, 1.0});
  double f = 0.0;
  int nf = 0;
  int ierr = -1;
  nminf(objective, 2, x, f, 1, nf, kMinsvdRtol, kMinsvdAtol, ierr);
  EXPECT_EQ(ierr, kMinsvdCycleLimit);  // the repair raised f, so no convergence
  EXPECT_NEAR(x[0], 0.21780649362442359, 1e-12);
  EXPECT_GE(x[0], 1e-6);
  EXPECT_EQ(f, mirrored(std::span<const double>(x.data(), 2)));
}

TEST(Nminsvd, RaisedObjectiveAfterRepairStillGivesFiniteStepsAndTheMinimum) {
  FunctionObjective objective(mirrored);
  ParamVector x = point({1.0, 1.0});
  double f = mirrored(std::span<const double>(x.data(), 2));
  int nfev = 0;
  int ierr = -1;
  nminsvd(objective, 2, x, f, 10, nfev, ierr);
  EXPECT_EQ(ierr, kMinsvdOk);
  EXPECT_NEAR(x[0], 0.618034, 1e-6);
  EXPECT_NEAR(x[1], 1.0, 1e-6);
  EXPECT_TRUE(std::isfinite(f));
  EXPECT_GE(objective.smallest_component, 0.0);
}

TEST(RebuiltStepLength, IsSigmaTimesRootOfTheDropAndNeverNaN) {
  EXPECT_DOUBLE_EQ(rebuilt_step_length(2.0, 5.0, 1.0), 4.0);
  EXPECT_DOUBLE_EQ(rebuilt_step_length(0.5, 1.0, 1.0), 0.0);
  // The repair raised f_end above f_d: the magnitude of the change sets the scale.
  EXPECT_DOUBLE_EQ(rebuilt_step_length(2.0, 1.0, 5.0), 4.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(rebuilt_step_length(2.0, nan, 1.0), 0.0);
  EXPECT_EQ(rebuilt_step_length(inf, 2.0, 1.0), 0.0);
  EXPECT_EQ(rebuilt_step_length(0.0, inf, 1.0), 0.0);
}

// Minima with negative coordinates pull the line searches' trial points below zero; the
// objective must still see only non-negative parameters, and the result must be finite,
// positive and consistent with the evaluation count.
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
    objective.evaluations = 0;
    int nfev = 0;
    int ierr = -1;
    nminsvd(objective, 3, x, f, 10, nfev, ierr);
    SCOPED_TRACE(::testing::Message() << "trial " << trial);
    EXPECT_GE(objective.smallest_component, 0.0);
    EXPECT_EQ(nfev, objective.evaluations);
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
