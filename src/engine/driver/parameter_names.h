// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "engine/core/global_types.h"

namespace velmor {

// The name of parameter j (0-based) of a model, as the summary's columns and the report's
// verdict lines (in capitals) name it: Km, Vm, then the model's third parameter.
std::string parameter_name(ModelId model, int j);

// The name in capitals, as the report writes it ("KM", "VM", "BASELINE").
std::string parameter_label(ModelId model, int j);

}  // namespace velmor
