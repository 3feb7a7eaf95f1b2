// SPDX-License-Identifier: MIT

#include "engine/model/golden_search.h"

#include "engine/core/golden_section.h"

namespace velmor {
namespace {

constexpr int kSweeps = 10;
constexpr int kBaseline = 2;  // position of the baseline P3

// One golden-section search on coordinate j with the others held; leaves x[j] at the better
// end of the final bracket and returns the objective there.
double search_coordinate(Objective& objective, int n, ParamVector& x, int j) {
  const auto [end, f] = golden_section(x[j], [&](double v) {
    x[j] = v;
    return objective.value(n, x);
  });
  x[j] = end;
  return f;
}

// 10 sweeps over coordinates first..last-1, each sweep followed by the positivity repair and a
// fresh evaluation.
void sweep(Objective& objective, int n, ParamVector& x, double& f, int first, int last) {
  double current = 0.0;
  for (int s = 0; s < kSweeps; ++s) {
    for (int j = first; j < last; ++j) current = search_coordinate(objective, n, x, j);
    objective.bounds_neg(x, n, current);
    current = objective.value(n, x);
  }
  f = current;
}

}  // namespace

void golden_search(Objective& objective, int n, ParamVector& x, double& f) {
  if (n < 1 || n > kMaxParams) return;
  sweep(objective, n, x, f, 0, n);
}

void golden_ab_search(Objective& objective, ModelId model, int n, ParamVector& x, double& f) {
  if (model != 2 && model != 4) return;
  if (n <= kBaseline || n > kMaxParams) return;
  sweep(objective, n, x, f, kBaseline, kBaseline + 1);
}

}  // namespace velmor
