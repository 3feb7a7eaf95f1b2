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

}  // namespace velmor
