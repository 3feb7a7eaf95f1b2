// SPDX-License-Identifier: MIT

#include "engine/optim/levenberg_marquardt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace velmor {
namespace {

constexpr int kRows = 10;
// y = 5 exp(-0.3 t) at t = 0..9, with a small misfit so that S > 0 at the optimum.
double decay_data(int i) {
  return 5.0 * std::exp(-0.3 * i) + 0.01 * std::sin(7.0 * i);
}

// Residuals y - a exp(-b t); sign -1 makes the Jacobian wrong; b_fixed >= 0 fixes the rate.
LmEvaluate decay(double jacobian_sign = 1.0, double b_fixed = -1.0) {
  return [=](std::span<const double> p, std::span<double> r, std::span<double> jac) {
    const double b = b_fixed >= 0 ? b_fixed : p[1];
    for (int i = 0; i < kRows; ++i) {
      const double e = std::exp(-b * i);
      r[i] = decay_data(i) - p[0] * e;
      if (jac.empty()) continue;
      jac[i] = jacobian_sign * -e;
      if (b_fixed < 0) jac[i + kRows] = jacobian_sign * p[0] * i * e;
    }
  };
}

LmOptions options_with(int max_iterations, double function_tolerance = 1e-12,
                       double step_tolerance = 1e-10) {
  LmOptions o;
  o.max_iterations = max_iterations;
  o.function_tolerance = function_tolerance;
  o.step_tolerance = step_tolerance;
  return o;
}

// Every stop reason; the result is the best point seen, within bounds, its S final_ssq.
TEST(LevenbergMarquardt, EveryStopEndsWithTheBestPointWithinTheBounds) {
  const LmParameter free{}, positive_log{1e-6, std::numeric_limits<double>::infinity(), true};
  const LmEvaluate line = [](std::span<const double> p, std::span<double> r, std::span<double> j) {
    for (int i = 0; i < kRows; ++i) {
      r[i] = 2.0 * i - p[0] * i;
      if (!j.empty()) j[i] = -i;
    }
  };
  const LmEvaluate log_of_negative = [](std::span<const double> p, std::span<double> r,
                                        std::span<double>) {
    for (int i = 0; i < kRows; ++i) r[i] = std::log(p[0] - 1.0);
  };
  const struct {
    std::string name;
    LmEvaluate evaluate;
    std::vector<LmParameter> parameters;
    std::vector<double> start;
    LmOptions options;
    LmStop stop;
  } kCases[] = {
      // clang-format off
      {"converges", decay(), {positive_log, positive_log}, {1.0, 1.0}, options_with(100, 1e-3), LmStop::kConverged},
      {"exact start", line, {free}, {2.0}, options_with(100), LmStop::kGradientVanished},
      // The optimum amplitude (about 5) lies above the upper bound 4, where S still falls outwards.
      {"bounded optimum", decay(1.0, 0.3), {{0.0, 4.0, false}}, {4.0}, options_with(100), LmStop::kGradientVanished},
      {"one iteration", decay(), {positive_log, positive_log}, {0.1, 3.0}, options_with(1), LmStop::kIterationLimit},
      // Uphill steps only; without a step tolerance the damping runs out.
      {"wrong Jacobian", decay(-1.0), {free, free}, {1.0, 1.0}, options_with(100, 1e-12, 0.0), LmStop::kNoDescent},
      {"non-finite start", log_of_negative, {free}, {0.5}, options_with(100), LmStop::kNonFiniteStart},
      // clang-format on
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<double> p = c.start;
    const LmSummary s = levenberg_marquardt(c.evaluate, kRows, c.parameters, {}, p, c.options);
    EXPECT_EQ(s.stop, c.stop);
    for (std::size_t j = 0; j < p.size(); ++j) {
      EXPECT_GE(p[j], c.parameters[j].lower);
      EXPECT_LE(p[j], c.parameters[j].upper);
    }
    if (c.stop == LmStop::kNonFiniteStart) continue;
    std::vector<double> r(kRows);
    c.evaluate(p, r, {});
    double ssq = 0.0;
    for (const double v : r) ssq += v * v;
    EXPECT_LE(s.final_ssq, s.initial_ssq);
    EXPECT_DOUBLE_EQ(s.final_ssq, ssq);
    EXPECT_LE(s.iterations, c.options.max_iterations);
  }
}

}  // namespace
}  // namespace velmor
