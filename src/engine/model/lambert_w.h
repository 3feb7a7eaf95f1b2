// SPDX-License-Identifier: MIT

#pragma once

namespace velmor {

// Principal-branch Lambert W of x (the w >= 0 with w * exp(w) = x), "OmegaW" in the report.
// A negative argument and a NaN count as 0 and give 0; +infinity gives NaN (callers that can
// overflow use lambert_w_of_log instead). Halley iteration from a clamped start, at most 10
// corrections, converged when |w e^w - x| <= 1e-7 (1 + x). Where that iteration cannot reach
// W within its 10 corrections (W above about 80, x above about 1e36) the value comes from
// lambert_w_of_log(ln x) instead, so every finite argument gets an accurate W.
double omegw(double x);

// W(z) given only L = ln z, for z too large to be represented: solves w + ln w = L by Newton's
// method from w = L - ln L (L below 2 is handed to omegw(e^L)). NaN gives NaN, +infinity
// gives +infinity.
double lambert_w_of_log(double log_z);

// The principal branch on the negative side: the w in [-1, 0) with w e^w = z, for
// -1/e <= z < 0 (z below -1/e gives -1, z >= 0 gives 0, NaN gives NaN). Near the branch point
// from its series in p = sqrt(2 (e z + 1)), elsewhere from w = z, then Halley's iteration to a
// relative change of 4e-16. The argument itself fixes W only to about sqrt(eps) within 1e-8 of
// -1/e, where W is ill-conditioned.
double lambert_w_negative(double z);

}  // namespace velmor
