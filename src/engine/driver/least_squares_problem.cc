// SPDX-License-Identifier: MIT

#include "engine/driver/least_squares_problem.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/model/kinetic_models.h"
#include "engine/model/model_rows.h"

namespace velmor {
namespace {

// Upper bounds: Km at this many times the largest [So] (beyond, first-order data only trade Km
// against Vm), Vm where it would use up the largest [So] in this fraction of the time span
// (data that no model of the kind describes can push the fit towards either).
constexpr double kCapFactor = 1e9;
// Km of the data-based starts, as fractions of the largest [So]: near zero order, the middle,
// near first order.
constexpr double kDataStartKm[] = {0.1, 1.0, 10.0};
// kinact's upper bound over the time span: the enzyme gone within 1e-4 of the span, beyond any
// curve the data can show.
constexpr double kKinactCap = 1e4;
// The third parameter's starts: Kp as multiples of the largest [So], kinact over the time span.
constexpr double kDataStartKp[] = {1.0, 10.0};
constexpr double kDataStartKinact[] = {0.1, 1.0};

double time_span(const ProgressCurveData& data) {
  const int n = std::clamp(data.nRows, 0, kMaxRows);
  double t_min = std::numeric_limits<double>::infinity();
  double t_max = -t_min;
  for (int i = 0; i < n; ++i) {
    t_min = std::min(t_min, data.X1[i]);
    t_max = std::max(t_max, data.X1[i]);
  }
  return t_max - t_min;
}
// r_i = Y_i - model and d r_i / d p_j for every row, the model over all rows at once.
LmEvaluate residuals_of(const ProgressCurveData& data, ModelId model, int npar) {
  const auto rows = static_cast<std::size_t>(std::clamp(data.nRows, 0, kMaxRows));
  return [&data, model, npar, rows, d_km = std::vector<double>(rows),
          d_vm = std::vector<double>(rows), d_third = std::vector<double>(rows)](
             std::span<const double> p, std::span<double> r, std::span<double> jac) mutable {
    ParamVector x{};
    std::copy(p.begin(), p.end(), x.begin());
    model_slopes(
        model, std::span<const double>(data.X1).first(rows),
        std::span<const double>(data.X2).first(rows), x,
        {r.first(rows), d_km, d_vm, npar > 2 ? std::span<double>(d_third) : std::span<double>()});
    for (std::size_t i = 0; i < rows; ++i) r[i] = data.Y[i] - r[i];
    if (jac.empty()) return;
    for (std::size_t i = 0; i < rows; ++i) {
      jac[i] = -d_km[i];
      jac[i + rows] = -d_vm[i];
      if (npar > 2) jac[i + 2 * rows] = -d_third[i];
    }
  };
}

}  // namespace

LeastSquaresProblem least_squares_problem(const ProgressCurveData& data, ModelId model, int npar,
                                          bool baseline_free) {
  LeastSquaresProblem problem;
  const int n = std::clamp(data.nRows, 0, kMaxRows);
  for (int i = 0; i < n; ++i) problem.largest_so = std::max(problem.largest_so, data.X2[i]);
  const double span = time_span(data);
  const double largest_so = problem.largest_so;
  if (n <= npar || npar < 2 || npar > 3 || !(largest_so > 0.0) || !(span > 0.0)) return problem;

  problem.rows = n;
  problem.parameters.resize(npar);
  problem.limit_at_cap.assign(npar, false);
  const double concentration_cap = std::max(kCapFactor * largest_so, kLowestKmVm);
  constexpr double kInf = std::numeric_limits<double>::infinity();
  problem.parameters[0] = {kLowestKmVm, concentration_cap, true};
  problem.parameters[1] = {kLowestKmVm, std::max(kCapFactor * largest_so / span, kLowestKmVm),
                           true};
  if (npar > 2) {
    switch (parameter_kind(model, 2)) {
      case ParameterKind::kKp:
        problem.parameters[2] = {kLowestKmVm, concentration_cap, true};
        problem.limit_at_cap[2] = true;
        break;
      case ParameterKind::kKinact:
        problem.parameters[2] = {0.0, kKinactCap / span, false};
        break;
      default:
        problem.parameters[2] = {baseline_free ? -kInf : 0.0, kInf, false};
        break;
    }
  }
  problem.evaluate = residuals_of(data, model, npar);
  return problem;
}

std::vector<ParamVector> data_starts(const ProgressCurveData& data, ModelId model, int npar,
                                     double largest_so, bool baseline_free) {
  struct Curve {
    double so, rate, first_y;
  };
  std::vector<Curve> curves;
  int first = 0;
  for (int c = 0; c < data.nCurves && c < kMaxCurves; ++c) {
    const int m = std::min(data.curveCount[c], data.nRows - first);
    int a = -1, b = -1;  // the rows of the earliest and second earliest distinct times
    for (int i = first; i < first + m; ++i) {
      if (a < 0 || data.X1[i] < data.X1[a]) {
        a = i;
      }
    }
    for (int i = first; i < first + m; ++i) {
      if (data.X1[i] > data.X1[a] && (b < 0 || data.X1[i] < data.X1[b])) b = i;
    }
    if (a >= 0 && b >= 0) {
      const double rate = std::fabs((data.Y[b] - data.Y[a]) / (data.X1[b] - data.X1[a]));
      if (std::isfinite(rate) && rate > 0.0 && data.X2[a] > 0.0) {
        curves.push_back({data.X2[a], rate, data.Y[a]});
      }
    }
    first += std::max(m, 0);
  }
  std::vector<ParamVector> starts;
  if (curves.empty()) return starts;
  double baseline = 0.0;
  for (const Curve& c : curves) {
    baseline += model_observes_product(model) ? c.first_y : c.first_y - c.so;
  }
  baseline /= static_cast<double>(curves.size());
  if (!baseline_free) baseline = std::max(baseline, 0.0);
  std::vector<double> thirds{0.0};
  if (npar > 2 && model_has_baseline(model)) thirds = {baseline};
  if (npar > 2 && model_has_product_inhibition(model)) {
    thirds.clear();
    for (const double multiple : kDataStartKp) thirds.push_back(multiple * largest_so);
  }
  if (npar > 2 && model_has_inactivation(model)) {
    thirds.clear();
    const double span = time_span(data);
    for (const double rate : kDataStartKinact) thirds.push_back(rate / span);
  }
  for (const double fraction : kDataStartKm) {
    ParamVector p{};
    p[0] = fraction * largest_so;
    for (const Curve& c : curves) p[1] += c.rate * (p[0] + c.so) / c.so;
    p[1] /= static_cast<double>(curves.size());
    for (const double third : thirds) {
      if (npar > 2) p[2] = third;
      starts.push_back(p);
    }
  }
  return starts;
}

LeastSquaresSolution solve_least_squares(const LeastSquaresProblem& problem,
                                         const ParamVector& start, int iterations,
                                         const std::vector<double>& weights) {
  LeastSquaresSolution solution;
  solution.p = start;
  solution.ssq = std::numeric_limits<double>::infinity();
  const int npar = static_cast<int>(problem.parameters.size());
  std::vector<double> p(start.begin(), start.begin() + npar);
  if (!std::all_of(p.begin(), p.end(), [](double v) { return std::isfinite(v); })) return solution;
  LmOptions options;
  options.max_iterations = iterations;
  solution.summary =
      levenberg_marquardt(problem.evaluate, problem.rows, problem.parameters, weights, p, options);
  solution.ssq = solution.summary.final_ssq;
  solution.p.fill(0.0);
  std::copy(p.begin(), p.end(), solution.p.begin());
  return solution;
}

double sum_of_squares(const LeastSquaresProblem& problem, const ParamVector& p,
                      const std::vector<double>& weights) {
  const int npar = static_cast<int>(problem.parameters.size());
  std::vector<double> r(problem.rows);
  problem.evaluate(std::span<const double>(p.data(), npar), r, {});
  double ssq = 0.0;
  for (int i = 0; i < problem.rows; ++i) {
    ssq += (weights.empty() ? r[i] * r[i] : weights[i] * (r[i] * r[i]));
  }
  return ssq;
}

}  // namespace velmor
