// SPDX-License-Identifier: MIT

#pragma once

#include "engine/core/global_types.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/vectors.h"

namespace velmor {

// The fit under robust weighting. Its objective, S(p) = sum of w_i(p) r_i(p)^2 with the robust
// weights of the residuals at p itself, changes its weights with every point, has local minima
// where good rows are down-weighted and outliers kept, and is not smooth; optimisers that
// evaluate it directly stop wherever they meet one. So the robust fit is found by iteratively
// reweighted least squares: the weights of the current point are held fixed while the bounded
// Levenberg-Marquardt solver fits that weighted problem, then recomputed at its result, until
// they reproduce themselves (the weights at the fit are the weights it was fitted with; after
// 30 reweightings that still change them, the last fit stands).
//
// The reweighting starts from the unweighted optimum, and from fits that leave out the 10 % and
// the 20 % of the rows with the largest residuals (three rounds each of leaving out the rows
// that stand out at the last such fit, the first also tried from starts taken from the data
// alone, as an unweighted fit pulled far off by outliers is no place to start from). Of the
// solutions, the one with the lowest S is the robust fit; on a tie the earlier, in that order.
// Where every row keeps its full weight at the unweighted optimum, no row stands out and the
// unweighted optimum is the robust fit: leaving out any row lowers S, so a search for the
// lowest S there would only find fits without an ordinary row or two.
struct RobustFit {
  ParamVector p{};         // the robust fit (the start when the data cannot be fitted)
  double objective = 0.0;  // S at p, the model to full precision
  int reweightings = 0;    // weighted fits from the chosen solution's start (at most 30)
};

// The robust fit of `model` (npar parameters) on data in the fit's internal units, from the
// unweighted optimum `unweighted`. Bounds as the final check of optimality's (baseline_free:
// the baseline of models 2 and 4 may take either sign).
RobustFit fit_robust(const ProgressCurveData& data, ModelId model, int npar,
                     const ParamVector& unweighted, bool baseline_free = false);

}  // namespace velmor
