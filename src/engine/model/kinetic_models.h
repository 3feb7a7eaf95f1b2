#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "engine/core/global_types.h"
#include "engine/core/vectors.h"

namespace velmor {

// Length of the model name field the fit driver keeps (RunState::strmdl).
inline constexpr std::size_t kModelNameLength = 80;

// Value of the given model at one data row: x1 = time, x2 = [So] of the row's curve, y = the
// observed value (accepted and ignored), p = parameters (p[0] = Km, p[1] = Vm, p[2] = baseline
// of models 2 and 4). With z = (x2 / Km) exp((x2 - Vm x1) / Km) and W = omegw(z):
//   model 1: x2 - Km W        model 2: x2 - Km W + bkg
//   model 3: Km W             model 4: Km W + bkg
// Any other model number gives a quiet NaN. Where z overflows (x2 / Km above about 700 near
// t = 0) W is taken from ln z, so the value stays finite.
double func(ModelId model, double x1, double x2, double y, const ParamVector& p);

// Parameter count of the model (0 for an undefined model). model_name receives the short name
// cut or blank-padded to exactly name_length characters.
int npar(ModelId model, std::string& model_name, std::size_t name_length = kModelNameLength);

// Writes the model description block of the report: five lines for models 1..4, one blank
// line for any other number.
void model_names(std::ostream& out, ModelId model);

}  // namespace velmor
