// SPDX-License-Identifier: MIT
#pragma once

// An independent evaluation and least-squares fit of the mechanism models, for judging the
// engine: competitive inhibition by the product (models 5 on product, 6 on substrate data) and
// first-order inactivation of the enzyme (7 on product, 8 on substrate data). Nothing here uses
// the engine's model code or Lambert W:
//   - values solve the integrated rate equation a P + b ln(So/S) = Vm tau by bracketing in long
//     double (a = 1 - Km/Kp, b = Km (1 + So/Kp), tau = t; inactivation: a = 1, b = Km,
//     tau = (1 - exp(-kinact t))/kinact);
//   - the rate equation itself, dP/dt = Vm e^(-kinact t) S / (Km (1 + P/Kp) + S), is integrated
//     numerically, to check those values;
//   - the fit is a multi-start bounded Levenberg-Marquardt with finite-difference Jacobians of
//     those values, from a grid of starts placed by the data's scales.
#include <string>
#include <vector>

#include "engine/core/progress_curve_data.h"

namespace velmor::testing {

// Km, Vm and the third parameter: Kp (models 5, 6; +infinity is no inhibition) or kinact
// (models 7, 8; 0 is no inactivation).
struct MechanismParams {
  double km = 0.0;
  double vm = 0.0;
  double third = 0.0;
};

struct CurvePoint {
  double product = 0.0;
  double substrate = 0.0;
};

inline bool observes_product(int model) {
  return model == 5 || model == 7;
}

// P and S = So - P at time t >= 0 of a curve of initial substrate so > 0, each to about 1e-17
// of itself.
CurvePoint mechanism_point(int model, double t, double so, const MechanismParams& p);
// The observed value: P for models 5 and 7, S for 6 and 8.
double mechanism_value(int model, double t, double so, const MechanismParams& p);

// The rate equation integrated numerically in long double from t = 0 to each of `times`
// (ascending, >= 0): Runge-Kutta steps sized by step doubling so that each step's error stays
// within `tolerance` of the solution. P is integrated as itself and S as ln S, so that both keep
// their relative precision, early and late.
std::vector<CurvePoint> integrate_rate_equation(int model, double so, const MechanismParams& p,
                                                const std::vector<double>& times, double tolerance);

// The least-squares optimum of model 5..8 within Km, Vm, Kp >= 1e-6 and kinact >= 0.
struct MechanismFit {
  MechanismParams p;
  double ssq = 0.0;
  bool third_at_bound = false;  // kinact = 0, or Kp run off to the search cap (no inhibition)
};
MechanismFit reference_mechanism_fit(const ProgressCurveData& data, int model);

// S at p (the objective reference_mechanism_fit minimises).
double mechanism_ssq(const ProgressCurveData& data, int model, const MechanismParams& p);

}  // namespace velmor::testing
