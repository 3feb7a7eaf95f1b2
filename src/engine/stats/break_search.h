// SPDX-License-Identifier: MIT

#pragma once

#include "engine/stats/bent_line.h"

namespace velmor {

// Nelder-Mead on b1..b4 of the sharp broken line (n = 4; b5 is ignored and left as it is):
// regular start simplex of size 0.1, reflection 1, expansion 2, inside contraction 0.5, shrink
// 0.5 re-evaluating only the worst and second-worst slots. Stops when the spread of the vertex
// values is at most 1e-5 or after maxIter iterations. b receives the best slot and f its
// objective (evaluated afresh, since a shrink leaves some stored values stale).
void smplx_break(int n, BentLine& b, double& f, const BentLineCurve& curve, int maxIter);

// Golden-section coordinate searches on the rounded bent line (n = 5), 20 sweeps each, without
// positivity repair. golden_cd_search searches b5, b1, b4 in every sweep; golden_d_search b5
// only. In sweeps 1 to 4 b5 is raised to 1.0 after its search when it fell below. f receives
// the objective at the final b.
void golden_cd_search(int n, BentLine& b, double& f, const BentLineCurve& curve);
void golden_d_search(int n, BentLine& b, double& f, const BentLineCurve& curve);

}  // namespace velmor
