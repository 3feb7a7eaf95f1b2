// SPDX-License-Identifier: MIT

#pragma once

#include <ostream>

#include "engine/core/vectors.h"
#include "engine/stats/param_matrix.h"

namespace velmor {

// The report table "PARAMETER AND CORRELATION MATRIX VALUES" of the p-by-p correlation matrix,
// in blocks of at most four columns. Writes nothing for p < 1.
void matprnt(int p, const ParamMatrix& corr, std::ostream& out);

// The report table of the p final parameters x beside the objective gradient g, two parameters
// to a row.
void print_grad(int p, const ParamVector& x, const ParamVector& g, std::ostream& out);

}  // namespace velmor
