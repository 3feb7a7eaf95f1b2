// SPDX-License-Identifier: MIT

#pragma once

#include <span>
#include <string>
#include <vector>

namespace velmor {

// What the fit driver keeps of one fitted model for the closing comparison.
struct FittedModel {
  double aicc = 0.0;
  int model = 0;        // ModelId
  int weighting = 0;    // weighting code of the fit
  std::string name;     // model name, at most 80 characters
  bool failed = false;  // the fit failed (sum of squares or parameters not finite): not ranked
  // Parameters the data do not determine: ranked by an AICc that counts them as unbounded
  // (fit_assessment.h), with a note under the table.
  bool undetermined = false;
};

// The ranks of the models by increasing AICc, with Akaike weights and evidence ratios.
struct SummaryRow {
  int rank = 0;   // 1-based
  int model = 0;  // ModelId of the ranked model
  double aicc = 0.0;
  double weight = 0.0;  // Akaike weight, floored at 1e-60; NaN for a model whose AICc is NaN
  double delta = 0.0;   // AICc - AICcmin
  double ler = 0.0;     // log10(w_1 / w_rank), weights floored at 1e-60
  std::string marker;   // "**" (LER <= 1), "* " (1 < LER < 2) or two blanks
  std::string name;     // trimmed model name
};

// Ranks the models (in the order they were fitted) by AICc, leaving out failed fits. Models
// whose AICc is NaN (a standard error could not be computed) follow the others with NaN
// differences and evidence ratios and take no part in the weights; equal AICc values (infinite
// ones included) differ by exactly 0.
std::vector<SummaryRow> rank_models(std::span<const FittedModel> models);

}  // namespace velmor
