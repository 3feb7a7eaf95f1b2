// SPDX-License-Identifier: MIT

#include "engine/driver/robust_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <span>
#include <vector>

#include "engine/driver/least_squares_problem.h"
#include "engine/model/robust_weights.h"

namespace velmor {
namespace {

constexpr int kMaxReweightings = 30;
constexpr int kInnerIterations = 100;
// Weights that move by no more than this from one fit to the next have reproduced themselves.
constexpr double kWeightTolerance = 1e-9;
// Fractions of the rows the trimmed starts leave out, and the rounds of choosing them.
constexpr double kTrimFractions[] = {0.1, 0.2};
constexpr int kTrimRounds = 3;

class RobustSearch {
 public:
  RobustSearch(const ProgressCurveData& data, ModelId model, int npar, bool baseline_free)
      : data_(data),
        model_(model),
        npar_(npar),
        baseline_free_(baseline_free),
        problem_(least_squares_problem(data, model, npar, baseline_free)),
        residuals_(static_cast<std::size_t>(problem_.rows)) {}

  bool usable() const { return problem_.usable(); }
  int rows() const { return problem_.rows; }

  // r at p into residuals_.
  const std::vector<double>& residuals_at(const ParamVector& p) {
    problem_.evaluate(std::span<const double>(p.data(), npar_), residuals_, {});
    return residuals_;
  }

  std::vector<double> weights_at(const ParamVector& p) {
    const std::vector<double>& r = residuals_at(p);
    std::vector<double> w(r.size(), 1.0);
    robust_wt(r, w);
    return w;
  }

  // S with the weights at p.
  double objective_at(const ParamVector& p) { return sum_of_squares(problem_, p, weights_at(p)); }

  // The weighted least-squares fit from p, in place.
  void fit(ParamVector& p, const std::vector<double>& w) const {
    const LeastSquaresSolution solution = solve_least_squares(problem_, p, kInnerIterations, w);
    std::copy_n(solution.p.begin(), npar_, p.begin());
  }

  // Reweighting from p to weights that reproduce themselves.
  RobustFit reweight(const ParamVector& start) {
    RobustFit result;
    result.p = start;
    std::vector<double> previous;
    for (;;) {
      std::vector<double> w = weights_at(result.p);
      if (!previous.empty() && max_change(w, previous) <= kWeightTolerance) break;
      if (result.reweightings == kMaxReweightings) break;
      fit(result.p, w);
      ++result.reweightings;
      previous = std::move(w);
    }
    result.objective = objective_at(result.p);
    return result;
  }

  // A fit without the `count` rows whose residuals stand out most, chosen anew in each round
  // at the last round's fit; the first round also tries `extra_starts`.
  ParamVector trimmed(const ParamVector& start, int count,
                      const std::vector<ParamVector>& extra_starts) {
    ParamVector p = start;
    std::vector<int> order(static_cast<std::size_t>(problem_.rows));
    for (int round = 0; round < kTrimRounds; ++round) {
      const std::vector<double>& r = residuals_at(p);
      // A residual that cannot be computed stands out most (and keeps the order strict).
      std::vector<double> size(r.size());
      for (std::size_t i = 0; i < r.size(); ++i) {
        size[i] = std::isnan(r[i]) ? std::numeric_limits<double>::infinity() : std::fabs(r[i]);
      }
      std::iota(order.begin(), order.end(), 0);
      std::partial_sort(order.begin(), order.begin() + count, order.end(),
                        [&size](int a, int b) { return size[a] > size[b]; });
      std::vector<double> w(r.size(), 1.0);
      for (int k = 0; k < count; ++k) w[order[k]] = 0.0;

      std::vector<ParamVector> tries{p};
      if (round == 0) tries.insert(tries.end(), extra_starts.begin(), extra_starts.end());
      double best = std::numeric_limits<double>::infinity();
      for (ParamVector candidate : tries) {
        if (!finite(candidate)) continue;
        fit(candidate, w);
        const double ssq = sum_of_squares(problem_, candidate, w);
        if (ssq < best) {
          best = ssq;
          p = candidate;
        }
      }
    }
    return p;
  }

  bool finite(const ParamVector& p) const {
    return std::all_of(p.begin(), p.begin() + npar_, [](double v) { return std::isfinite(v); });
  }

  std::vector<ParamVector> data_based_starts() const {
    return data_starts(data_, model_, npar_, problem_.largest_so, baseline_free_);
  }

 private:
  static double max_change(const std::vector<double>& a, const std::vector<double>& b) {
    double change = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) change = std::max(change, std::fabs(a[i] - b[i]));
    return change;
  }

  const ProgressCurveData& data_;
  ModelId model_;
  int npar_;
  bool baseline_free_;
  LeastSquaresProblem problem_;
  std::vector<double> residuals_;
};

}  // namespace

RobustFit fit_robust(const ProgressCurveData& data, ModelId model, int npar,
                     const ParamVector& unweighted, bool baseline_free) {
  RobustSearch search(data, model, npar, baseline_free);
  RobustFit start;
  start.p = unweighted;
  if (!search.usable() || !search.finite(unweighted)) return start;

  const std::vector<double> start_weights = search.weights_at(unweighted);
  if (std::all_of(start_weights.begin(), start_weights.end(), [](double w) { return w == 1.0; })) {
    start.objective = search.objective_at(unweighted);
    return start;
  }

  RobustFit best = search.reweight(unweighted);
  const std::vector<ParamVector> extra_starts = search.data_based_starts();
  for (const double fraction : kTrimFractions) {
    const int count = std::max(1, static_cast<int>(std::lround(fraction * search.rows())));
    if (search.rows() - count <= npar) continue;
    const RobustFit candidate = search.reweight(search.trimmed(unweighted, count, extra_starts));
    if (candidate.objective < best.objective || !std::isfinite(best.objective)) best = candidate;
  }
  return best;
}

}  // namespace velmor
