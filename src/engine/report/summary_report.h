// SPDX-License-Identifier: MIT

#pragma once

#include <ostream>
#include <span>

#include "engine/stats/model_summary.h"

namespace velmor {

// The best-fit model summary of a run that fitted two or more models, of which at least one is
// ranked; writes nothing otherwise. A ranked model whose AICc is NaN shows "unknown" for its
// AICc, difference and evidence ratio, with a note under the table; each failed fit, and each
// fit with parameters the data do not determine, is named in a note of its own.
void write_model_summary(std::span<const FittedModel> models, std::ostream& out);

}  // namespace velmor
