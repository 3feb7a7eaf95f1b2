// SPDX-License-Identifier: MIT

#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/global_types.h"
#include "engine/core/objective.h"
#include "engine/model/fit_context.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/model_objective.h"
#include "example_data.h"

namespace velmor::testing {

// The example (example_data.h) set up for a fit of `model`.
inline FitContext data_in_state(ModelId model) {
  FitContext state;
  state.data = example_data();
  state.imdlno = model;
  std::string name;
  state.npar = npar(model, name);
  return state;
}

inline ParamVector params(std::initializer_list<double> values) {
  ParamVector p{};
  std::copy(values.begin(), values.end(), p.begin());
  return p;
}

// Minimum 1 at (3, 0.5, 2).
inline double bowl(const ParamVector& x) {
  return 1.0 + (x[0] - 3.0) * (x[0] - 3.0) + 4.0 * (x[1] - 0.5) * (x[1] - 0.5) +
         (x[2] - 2.0) * (x[2] - 2.0);
}

// An objective given by a function of x, or forwarding to another; records every point asked of
// value().
class FunctionObjective : public Objective {
 public:
  explicit FunctionObjective(std::function<double(const ParamVector&)> f) : f_(std::move(f)) {}
  explicit FunctionObjective(Objective& inner) : inner_(&inner) {}
  void calcfg(int n, const ParamVector& x, double& f, ParamVector& g, ConstraintVector& c,
              ConstraintNormals& cnorm) override {
    if (inner_) return inner_->calcfg(n, x, f, g, c, cnorm);
    f = value(n, x);
    g.fill(0.0);
  }
  double value(int n, const ParamVector& x) override {
    points.push_back(x);
    return inner_ ? inner_->value(n, x) : f_(x);
  }
  void bounds_neg(ParamVector& x, int n, double& f) override {
    inner_ ? inner_->bounds_neg(x, n, f) : velmor::bounds_neg(x, n, f);
  }
  int constraint_count() const override { return inner_ ? inner_->constraint_count() : 0; }
  int equality_count() const override { return inner_ ? inner_->equality_count() : 0; }
  std::vector<ParamVector> points;

 private:
  std::function<double(const ParamVector&)> f_;
  Objective* inner_ = nullptr;
};

}  // namespace velmor::testing
