// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/model_catalog.h"
#include "engine/core/progress_curve_data.h"

namespace velmor {

// The units a fit works in. The optimisers' bounds (Km, Vm >= 1e-6), the step floors of the
// numerical derivatives and the stopping tolerances are absolute numbers, which suit data of
// order 1..1000; data written in molar units, in milliseconds or in counts of 1e6 would meet
// them at the wrong size. So the engine multiplies concentrations ([So], the observed values
// and with them Km and the baseline) and times by powers of ten that bring the largest [So]
// and the time span into [100, 1000), fits, and converts every reported number back. Data
// already in that range get the factors 1, and nothing about their fit changes.
//
// Factors are kept as decimal exponents and applied by one multiplication or division by an
// exact power of ten; the internal rows are rounded to 15 significant digits, so data written
// with at most 15 digits in units a power of ten apart come back to the same internal numbers
// and get the same fit.

struct DataScale {
  int concentration_exponent = 0;  // internal concentration = user value x 10^this
  int time_exponent = 0;           // internal time = user time x 10^this

  // Internal value of a user value whose units are concentration^c x time^t.
  double to_internal(double value, int c, int t) const;
  double to_user(double value, int c, int t) const;

  // Internal value of a parameter of the given kind (model_catalog.h gives its units) and back.
  double parameter_to_user(ParameterKind kind, double value) const;
  double parameter_to_internal(ParameterKind kind, double value) const;

  bool is_identity() const { return concentration_exponent == 0 && time_exponent == 0; }
};

// The exponent, a multiple of 3 (the steps of the SI prefixes), whose power of ten brings
// magnitude into [1, 1000); 0 for a magnitude that is zero or not finite. Tolerances meant for
// numbers of order 1..1000 scale with it.
int unit_exponent(double magnitude);

// The factors for the data: from the largest |[So]| and the time span (the largest time less
// the smallest). A magnitude that is zero or not finite (all times equal, for one) leaves its
// exponent at 0.
DataScale choose_data_scale(const ProgressCurveData& data);

// The rows of data (X1, X2, Y, Ycalc) in internal units; counts unchanged.
ProgressCurveData to_internal_units(const ProgressCurveData& data, const DataScale& scale);

}  // namespace velmor
