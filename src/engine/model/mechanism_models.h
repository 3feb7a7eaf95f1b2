// SPDX-License-Identifier: MIT
#pragma once

#include <array>

#include "engine/core/global_types.h"
#include "engine/core/vectors.h"

// Models 5 to 8: the mechanisms beyond plain Michaelis-Menten kinetics that progress curves
// most often show (model_catalog.h numbers them).
//
// Competitive inhibition by the product (models 5, 6; p[2] = Kp): the rate
// v = Vm S / (Km (1 + P/Kp) + S) with P = So - S integrates to
//   a (So - S) + b ln(So / S) = Vm t,   a = 1 - Km/Kp,  b = Km (1 + So/Kp),
// whose closed form is S = (b/a) W((a So/b) exp((a So - Vm t)/b)) through the principal branch
// of Lambert W for either sign of a (the argument lies in (-1/e, 0) when a < 0), and
// S = So exp(-Vm t/b) at a = 0.
//
// First-order inactivation of the enzyme (models 7, 8; p[2] = kinact): Vm decays as
// Vm exp(-kinact t), so the integrated Michaelis-Menten law holds with t replaced by
// tau = (1 - exp(-kinact t)) / kinact (tau = t at kinact = 0).
//
// Both are the equation a P + b ln(So/S) = v (Michaelis-Menten: a = 1, b = Km, v = Vm tau).
// The closed form gives the start; Newton's method on that equation, in P while P <= So/2 and
// in ln S beyond, then brings S and P = So - S each to full relative precision (the closed form
// alone cancels in So - S early in a curve, and W is ill-conditioned near -1/e).
namespace velmor {

struct IntegratedRate {
  double substrate = 0.0;  // S, the substrate left
  double product = 0.0;    // P = So - S, without cancellation
  double log_ratio = 0.0;  // ln(So/S)
};

// The solution of a P + b ln(So/S) = v with a = 1 - km q, b = km (1 + so q) (q = 1/Kp, 0
// without inhibition) for so > 0, km > 0, q >= 0 and v >= 0 (v = 0 gives S = So). A negative v
// (a negative time) is solved beyond So where a solution exists. Where none is found every
// member is NaN.
IntegratedRate integrated_rate(double so, double km, double q, double v);

// The effective time of an enzyme inactivated at the rate kinact: tau = (1 - exp(-kinact t)) /
// kinact, and its slope d tau / d kinact; both continuous through kinact = 0 (tau = t,
// slope -t^2/2) and defined for either sign of kinact.
double inactivation_time(double t, double kinact);
double inactivation_time_slope(double t, double kinact);

// Value of model 5..8 at one row (time t, [So] so) and, when with_slopes, its partial
// derivatives with respect to Km, Vm and Kp or kinact (implicit differentiation of the
// integrated equation). Parameters outside their range (Km, Kp or so not positive, Vm negative,
// kinact not finite) give a NaN value and zero slopes.
struct MechanismPoint {
  double value = 0.0;
  std::array<double, 3> d{};
};
MechanismPoint mechanism_point(ModelId model, double t, double so, const ParamVector& p,
                               bool with_slopes);

}  // namespace velmor
