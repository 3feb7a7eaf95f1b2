// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The names of the batch mode's pictures in their folder, shared by the plan of a run (which
// makes them unique) and the picture writer. `extension` is "png", "svg" or "pdf".
namespace velmor::plot {

// "DATA.model1.png" for the picture stem "DATA" and model 1.
inline std::string fit_picture_name(const std::string& stem, int model,
                                    const std::string& extension) {
  return stem + ".model" + std::to_string(model) + "." + extension;
}

// "DATA.residuals.png".
inline std::string residual_picture_name(const std::string& stem, const std::string& extension) {
  return stem + ".residuals." + extension;
}

}  // namespace velmor::plot
