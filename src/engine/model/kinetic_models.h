// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "engine/core/global_types.h"
#include "engine/core/model_catalog.h"
#include "engine/core/vectors.h"

namespace velmor {

// Length of the model name field the fit driver keeps (FitContext::strmdl).
inline constexpr std::size_t kModelNameLength = 80;

// Whether the model's value depends on Km and Vm only through model_w (models 1..4), so that
// W of the rows can be computed once for many values of the third parameter.
inline constexpr bool model_shares_w(ModelId model) {
  return model >= 1 && model <= kClassicModelCount;
}

// Value of the given model at one data row: x1 = time, x2 = [So] of the row's curve, y = the
// observed value (accepted and ignored), p = parameters (p[0] = Km, p[1] = Vm, p[2] = baseline
// of models 2 and 4, Kp of 5 and 6, kinact of 7 and 8). With z = (x2 / Km) exp((x2 - Vm x1) /
// Km) and W = omegw(z):
//   model 1: x2 - Km W        model 2: x2 - Km W + bkg
//   model 3: Km W             model 4: Km W + bkg
// Models 5..8 are those of mechanism_models.h, to full precision. Any other model number gives
// a quiet NaN. Where z overflows (x2 / Km above about 700 near t = 0) W is taken from ln z, so
// the value stays finite.
double func(ModelId model, double x1, double x2, double y, const ParamVector& p);

// The two halves of func for models 1..4 (model_shares_w): W at one row (the same for each of
// them), and the model's value from it. func(model, x1, x2, y, p) is value_from_w(model, x2,
// model_w(x1, x2, p[0], p[1]), p), bit for bit; value_from_w of any other model is NaN.
double model_w(double x1, double x2, double km, double vm);
double value_from_w(ModelId model, double x2, double w, const ParamVector& p);

// The model value and its partial derivatives with respect to Km, Vm and the third parameter
// (d[2] = 1 for models 2 and 4, 0 for 1 and 3, the slope in Kp or kinact for 5..8; see
// mechanism_models.h), from the closed form with W to full precision (func
// keeps the W of omegw, converged to about 1e-7, which for the small W of late or first-order
// curves is a relative error of up to 1e-4; the two values differ by about Km x 1e-7). With
// ln z = ln(So / Km) + (So - Vm t) / Km and dW/dln z = W / (1 + W), the substrate left S = Km W
// has dS/dKm = W / (1 + W) ln(So / S) and dS/dVm = -t W / (1 + W); the product models take the
// negatives. For an undefined model the value is NaN and the derivatives 0.
struct ModelSlope {
  double value = 0.0;
  std::array<double, 3> d{};
};
ModelSlope model_with_derivatives(ModelId model, double x1, double x2, const ParamVector& p);

// The value of any model at time t on a curve of initial substrate so, to full precision (for
// models 1..4 with W converged to rounding, where func keeps omegw's 1e-7): model_with_derivatives'
// value, without the derivatives. For drawing fitted curves on any time grid.
double precise_model_value(ModelId model, double t, double so, const ParamVector& p);

// Parameter count of the model (0 for an undefined model). model_name receives the short name
// cut or blank-padded to exactly name_length characters.
int npar(ModelId model, std::string& model_name, std::size_t name_length = kModelNameLength);

// How the report describes a model: its title, its formula, a note (empty for most) and the
// formula in the names of the columns and parameters.
struct ModelDescription {
  std::string_view title;
  std::string_view formula;
  std::string_view formula_in_parameters;
  std::string_view note = "";
};

// The description of models 1..8; all empty for any other number.
ModelDescription model_description(ModelId model);

}  // namespace velmor
