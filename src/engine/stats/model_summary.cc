// SPDX-License-Identifier: MIT

#include "engine/stats/model_summary.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/core/dsort.h"
#include "util/space_trim.h"

namespace velmor {

namespace {

constexpr double kWeightFloor = 1e-60;

// "**" within a factor 10 of the best model's weight, "* " within 100, blanks beyond.
std::string evidence_marker(double ler) {
  if (ler <= 1.0) return "**";
  if (ler > 1.0 && ler < 2.0) return "* ";
  return "  ";
}

}  // namespace

std::vector<SummaryRow> rank_models(std::span<const FittedModel> models) {
  const int count = static_cast<int>(models.size());
  if (count < 1) return {};
  // A model whose AICc is not a number (its sum of squares overflowed) cannot be compared: left
  // in the sort it would land anywhere and make the sum of weights, and so every weight, NaN.
  // Such models are ranked last and take no part in the weights.
  std::vector<double> values;
  std::vector<double> sequence;  // 1-based position in fitted order, as a real for the sort
  std::vector<int> undefined;
  for (int k = 0; k < count; ++k) {
    if (models[k].failed) continue;
    if (std::isnan(models[k].aicc)) {
      undefined.push_back(k + 1);
      continue;
    }
    values.push_back(models[k].aicc);
    sequence.push_back(k + 1.0);
  }
  const int defined = static_cast<int>(values.size());
  dsort(values, sequence, defined, 2);  // increasing AICc, sequence numbers carried along

  // Equal values differ by exactly 0, also when both are infinite (an exact fit gives -inf).
  const double aicc_min = defined > 0 ? values[0] : 0.0;
  auto difference = [aicc_min](double v) { return v == aicc_min ? 0.0 : v - aicc_min; };
  double total = 0.0;
  for (double v : values) total += std::exp(-0.5 * difference(v));

  std::vector<SummaryRow> rows;
  double best_weight = 0.0;
  for (int r = 0; r < defined; ++r) {
    double weight = std::exp(-0.5 * difference(values[r])) / total;
    if (std::fabs(weight) <= kWeightFloor) weight = kWeightFloor;
    if (r == 0) best_weight = weight;

    const FittedModel& ranked = models[static_cast<int>(sequence[r]) - 1];
    SummaryRow row;
    row.rank = r + 1;
    row.model = ranked.model;
    row.aicc = values[r];
    row.weight = weight;
    row.delta = difference(values[r]);
    row.ler = std::log10(best_weight / weight);
    row.marker = evidence_marker(row.ler);
    row.name = util::trim_spaces(ranked.name);
    rows.push_back(std::move(row));
  }
  for (const int position : undefined) {
    SummaryRow row;
    row.rank = static_cast<int>(rows.size()) + 1;
    row.model = models[position - 1].model;
    row.aicc = models[position - 1].aicc;
    row.weight = std::numeric_limits<double>::quiet_NaN();
    row.delta = row.aicc;
    row.ler = row.aicc;
    row.marker = evidence_marker(row.ler);
    row.name = util::trim_spaces(models[position - 1].name);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace velmor
