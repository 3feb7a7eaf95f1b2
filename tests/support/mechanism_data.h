// SPDX-License-Identifier: MIT
#pragma once

// Progress curves of mechanisms the four Michaelis-Menten models do not describe, by numerical
// integration of their rate equations (not by any closed form), for judging the verdicts on
// fits that cannot follow them:
//   competitive product inhibition  dS/dt = -Vm S / (Km (1 + P / Kp) + S),  P = So - S
//   first-order enzyme inactivation dS/dt = -Vm exp(-kinact t) S / (Km + S)
#include <string>

#include "data_family.h"

namespace velmor::testing {

enum class Mechanism { kMichaelisMenten, kProductInhibition, kInactivation };

// S(t) from S(0) = so, by classical Runge-Kutta steps of at most 1/4000 of t (relative error
// far below 1e-9 for these smooth curves). `extra` is Kp or kinact (ignored for plain
// Michaelis-Menten).
double substrate_left(Mechanism mechanism, double so, double km, double vm, double extra, double t);

// Product (P = So - S) or substrate data, by design.kind, without baseline, of the design's [So]
// and times with the mechanism, plus normal noise of design.relative_noise times the largest
// value, seeded by design.seed. The truth holds Km and Vm.
FamilyCase mechanism_case(const std::string& name, const CurveDesign& design, Mechanism mechanism,
                          double extra);

}  // namespace velmor::testing
