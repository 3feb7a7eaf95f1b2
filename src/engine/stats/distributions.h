// SPDX-License-Identifier: MIT
#pragma once

// Distribution functions the fit's verdicts need to full double precision: Student's t (for the
// F-based threshold of the profile limits, F(p; 1, n) = t((1 + p) / 2; n)^2) and the standard
// normal. The report's own Wald limits keep the program's table of t (student_t.h).
namespace velmor {

// ln |Gamma(x)|, as std::lgamma, but safe on several threads at once: std::lgamma also writes
// the sign of Gamma(x) into the C library's global signgam, which the batch mode's file
// threads would race on.
double log_gamma(double x);

// The regularised incomplete beta function I_x(a, b) for a, b > 0 and 0 <= x <= 1, by its
// continued fraction (modified Lentz), relative accuracy about 1e-14. NaN outside the domain.
double incomplete_beta(double a, double b, double x);

// P(T <= t) for Student's t with dof > 0 degrees of freedom (dof need not be an integer).
double student_t_cdf(double t, double dof);

// The t with P(T <= t) = p, for 0 < p < 1 and dof > 0; NaN otherwise. Bisection on the
// distribution function to the last bits.
double student_t_quantile(double p, double dof);

// The upper p point of F with 1 and dof degrees of freedom: P(F <= f) = p, for 0 < p < 1.
double f_quantile_one(double p, double dof);

}  // namespace velmor
