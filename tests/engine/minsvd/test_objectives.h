#pragma once

#include <algorithm>
#include <functional>
#include <limits>
#include <span>
#include <utility>

#include "engine/core/objective.h"

namespace velmor::testing {

// An Objective over a plain function of x[0..n-1] that counts its evaluations and remembers
// the smallest parameter value it was ever asked about. The minimiser reads only value();
// calcfg returns the same f with a zero gradient and no constraints.
class FunctionObjective : public Objective {
 public:
  using Function = std::function<double(std::span<const double>)>;

  explicit FunctionObjective(Function function) : function_(std::move(function)) {}

  void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override {
    f = value(n, x);
    g.fill(0.0);
  }
  double value(int n, const ParamVector& x) override {
    ++evaluations;
    const std::span<const double> point(x.data(), n);
    smallest_component = std::min(smallest_component, *std::ranges::min_element(point));
    return function_(point);
  }
  void bounds_neg(ParamVector&, int, double&) override {}
  int constraint_count() const override { return 0; }
  int equality_count() const override { return 0; }

  int evaluations = 0;
  double smallest_component = std::numeric_limits<double>::infinity();

 private:
  Function function_;
};

// Rosenbrock's valley moved by +shift in both coordinates: minimum 0 at (1 + shift, 1 + shift).
inline double shifted_rosenbrock(std::span<const double> x, double shift) {
  const double a = x[0] - shift;
  const double b = x[1] - shift;
  return 100.0 * (b - a * a) * (b - a * a) + (1.0 - a) * (1.0 - a);
}

}  // namespace velmor::testing
