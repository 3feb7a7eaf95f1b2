// SPDX-License-Identifier: MIT

#include "engine/model/derivatives.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/model/kinetic_models.h"
#include "engine/model/model_rows.h"
#include "engine/model/robust_weights.h"

namespace velmor {
namespace {

using RowArray = std::array<double, kMaxRows>;

constexpr double kGradientStepFactor = 1.2206555615733703e-4;  // sqrt(1.49e-8)
constexpr double kJacobianStepFactor = 1.1048328206445401e-4;  // 1.49e-16^(1/4)
constexpr double kMinStep = 6.828499381469512e-6;
constexpr double kFlatHalfDifference = 2.2201e-16;
constexpr double kFlatSlope = 1.49e-8;
constexpr double kMaxHalfDifference = 67114093.95973155;  // 1/1.49e-8
constexpr double kMaxJacobianEntry = 6711409395973154.0;  // 1/1.49e-16

int row_count(int n) {
  return std::clamp(n, 0, kMaxRows);
}
int param_count(int p) {
  return std::clamp(p, 0, kMaxParams);
}

double model_value(ModelId model, const ProgressCurveData& data, int i, const ParamVector& x) {
  return func(model, data.X1[i], data.X2[i], data.Y[i], x);
}

double residual(ModelId model, const ProgressCurveData& data, int i, const ParamVector& x) {
  return data.Y[i] - model_value(model, data, i, x);
}

// Km, Vm and Kp are bounded at zero, and the model has no meaning below it (a negative Km gives
// the value [So] at every time): a difference that would step from x below zero is taken on
// the upper side only.
bool steps_across_bound(ModelId model, int j, double x, double step) {
  return parameter_is_scale(parameter_kind(model, j)) && x >= 0.0 && x - step < 0.0;
}

// Sum of w(i) r(i)^2 over rows 0..n-1; an empty w means unit weights (r^2 alone, which is the
// same double as 1.0 * r^2).
double weighted_sum(ModelId model, const ProgressCurveData& data, int n, const ParamVector& x,
                    std::span<const double> w, RowEvaluator* rows) {
  double sum = 0.0;
  if (w.empty()) {
    RowArray squares;
    if (rows != nullptr) {
      rows->squared_residuals(model, data, n, x, squares);
    } else {
      squared_residuals(model, data, 0, n, x, squares);
    }
    for (int i = 0; i < n; ++i) sum += squares[i];
  } else {
    for (int i = 0; i < n; ++i) {
      const double r = residual(model, data, i, x);
      sum += w[i] * (r * r);
    }
  }
  return sum;
}

// Under robust weighting: fills w[0..n-1] from the residuals at x and returns S(x), summed in
// the same order and form as weighted_sum so the two agree bit for bit. Also stores the model
// values at x when ycalc is given.
double robust_sum_at(ModelId model, const ProgressCurveData& data, int n, const ParamVector& x,
                     RowArray& w, std::span<double> ycalc = {}) {
  RowArray r;
  for (int i = 0; i < n; ++i) {
    const double value = func(model, data.X1[i], data.X2[i], data.Y[i], x);
    if (!ycalc.empty()) ycalc[i] = value;
    r[i] = data.Y[i] - value;
  }
  std::fill(w.begin(), w.begin() + n, 1.0);
  robust_wt(std::span<const double>(r.data(), n), std::span<double>(w.data(), n));
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += w[i] * (r[i] * r[i]);
  return sum;
}

bool robust(const FitContext& context) {
  return context.nwt_global == kRobustWeighting;
}

}  // namespace

double objective_value(const FitContext& context, const ParamVector& x, RowEvaluator* rows) {
  const int n = row_count(context.data.nRows);
  if (robust(context) && n > 0) {
    RowArray w;
    return robust_sum_at(context.imdlno, context.data, n, x, w);
  }
  return weighted_sum(context.imdlno, context.data, n, x, {}, rows);
}

void derivatives(const FitContext& context, ParamVector& g, double& f, const ParamVector& x,
                 RowEvaluator* rows) {
  const ProgressCurveData& data = context.data;
  const ModelId model = context.imdlno;
  const int n = row_count(data.nRows);
  const int p = param_count(context.npar);

  RowArray w_storage;
  std::span<const double> w;
  double at_x = 0.0;
  if (robust(context) && n > 0) {
    at_x = robust_sum_at(model, data, n, x, w_storage);
    w = std::span<const double>(w_storage.data(), n);
  } else {
    at_x = weighted_sum(model, data, n, x, {}, rows);
  }

  ParamVector step{};
  ParamVector difference{};  // half the central difference, or the forward difference
  ParamVector displaced = x;
  for (int j = 0; j < p; ++j) {
    step[j] = std::max((std::fabs(x[j]) + kGradientStepFactor) * kGradientStepFactor, kMinStep);
    displaced[j] = x[j] + step[j];
    const double plus = weighted_sum(model, data, n, displaced, w, rows);
    if (steps_across_bound(model, j, x[j], step[j])) {
      difference[j] = plus - at_x;
    } else {
      displaced[j] = x[j] - step[j];
      difference[j] = (plus - weighted_sum(model, data, n, displaced, w, rows)) * 0.5;
    }
    displaced[j] = x[j];
  }

  g.fill(0.0);
  for (int j = 0; j < p; ++j) {
    const double d = difference[j];
    if (std::fabs(d) < kFlatHalfDifference) {
      g[j] = kFlatSlope;
    } else if (std::fabs(d) > kMaxHalfDifference) {
      g[j] = std::copysign(kMaxHalfDifference, d);
    } else {
      g[j] = d / step[j];
    }
  }
  f = at_x;
}

void jacobian(FitContext& context, int n, int p, std::span<double> jac, double& ssr,
              const ParamVector& x) {
  ProgressCurveData& data = context.data;
  const ModelId model = context.imdlno;
  n = row_count(n);
  p = param_count(p);
  if (n > 0) p = std::min<int>(p, static_cast<int>(jac.size() / static_cast<std::size_t>(n)));

  RowArray w;
  std::fill(w.begin(), w.begin() + n, 1.0);
  double at_x = 0.0;
  if (robust(context) && n > 0) {
    at_x = robust_sum_at(model, data, n, x, w, std::span<double>(data.Ycalc.data(), n));
  } else {
    for (int i = 0; i < n; ++i) {
      data.Ycalc[i] = func(model, data.X1[i], data.X2[i], data.Y[i], x);
      const double r = data.Y[i] - data.Ycalc[i];
      at_x += w[i] * (r * r);
    }
  }

  for (int j = 0; j < p; ++j) {
    const double h =
        std::max((std::fabs(x[j]) + kJacobianStepFactor) * kJacobianStepFactor, kMinStep);
    const double big_h = 2.0 * h;
    ParamVector up_big = x;
    ParamVector up = x;
    up_big[j] = x[j] + big_h;
    up[j] = x[j] + h;
    double* column = jac.data() + static_cast<std::size_t>(n) * j;
    if (steps_across_bound(model, j, x[j], big_h)) {
      // Second-order forward difference from the same two steps.
      for (int i = 0; i < n; ++i) {
        const double d1 = model_value(model, data, i, up) - data.Ycalc[i];
        const double d2 = model_value(model, data, i, up_big) - data.Ycalc[i];
        column[i] = (4.0 * d1 - d2) / big_h * w[i];
      }
      continue;
    }
    ParamVector down_big = x;
    ParamVector down = x;
    down_big[j] = x[j] - big_h;
    down[j] = x[j] - h;
    // The mean of the central differences with steps h and 2h, of the model value rather
    // than of |r|: a residual that changes sign within the steps would fold the difference.
    for (int i = 0; i < n; ++i) {
      const double wide =
          (model_value(model, data, i, up_big) - model_value(model, data, i, down_big)) / big_h;
      const double narrow =
          (model_value(model, data, i, up) - model_value(model, data, i, down)) / h;
      column[i] = (wide + narrow) * 0.25 * w[i];
    }
  }
  for (int k = 0; k < n * p; ++k) {
    jac[k] = std::clamp(jac[k], -kMaxJacobianEntry, kMaxJacobianEntry);
  }
  ssr = at_x;
}

}  // namespace velmor
