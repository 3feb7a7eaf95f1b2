// SPDX-License-Identifier: MIT

#pragma once

#include <span>

#include "engine/core/global_types.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/vectors.h"

namespace velmor {

// The model over many rows at once: values[i] = func(model, x1[i], x2[i], 0, p), bit for bit,
// for i < values.size() (x1 and x2 at least as long). Models 1..4 four rows at a time in the
// processor's vector lanes where libm_lanes_usable() (every operation of func and omegw done lane
// by lane in the same order, with exp and log rounded as the C library rounds them, and no fused
// multiply-add that func does not have); a row whose W needs omegw's test after its tenth
// correction, or a logarithm beyond the double range, is left to model_w itself.
void model_values(ModelId model, std::span<const double> x1, std::span<const double> x2,
                  const ParamVector& p, std::span<double> values);

// The W of those rows alone (model_w, the same for every model), in the same lanes:
// ws[i] = model_w(x1[i], x2[i], km, vm) for i < ws.size(), bit for bit.
void model_ws(std::span<const double> x1, std::span<const double> x2, double km, double vm,
              std::span<double> ws);

// model_with_derivatives over many rows, bit for bit, in the same lanes: value[i] and the
// slopes in Km and Vm (d_km[i], d_vm[i]) for i < value.size(), and where d_third is not empty
// the slope in the third parameter (1 for models 2 and 4, 0 for 1 and 3, the slope in Kp or
// kinact for 5..8). Models 5..8 are evaluated one row at a time.
struct ModelSlopes {
  std::span<double> value;
  std::span<double> d_km;
  std::span<double> d_vm;
  std::span<double> d_third = {};
};
void model_slopes(ModelId model, std::span<const double> x1, std::span<const double> x2,
                  const ParamVector& p, const ModelSlopes& out);

// squares[i - first] = (Y(i) - func(model, X1(i), X2(i), Y(i), p))^2 for rows first..last-1,
// the unweighted objective's terms.
void squared_residuals(ModelId model, const ProgressCurveData& data, int first, int last,
                       const ParamVector& p, std::span<double> squares);

}  // namespace velmor
