// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <limits>
#include <string>

#include "engine/core/data_scale.h"
#include "engine/core/global_types.h"
#include "engine/core/limits.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/vectors.h"
#include "engine/stats/bent_line.h"

namespace velmor {

// Length of every breakpoint text; shorter texts are blank-padded, longer ones cut.
inline constexpr int kBreakpointTextLength = 30;

// The three report texts of each curve (index c - 1 for curve c), each kBreakpointTextLength
// characters. A curve without a plausible bend has "[N/A, N/A]", "N/A" and "[N/A to N/A]".
struct BreakpointTexts {
  std::array<std::string, kMaxCurves> inflection;  // "[b4, y]"
  std::array<std::string, kMaxCurves> curvature;   // "b5"
  std::array<std::string, kMaxCurves> range;       // "[lo to hi]"
  // The numbers of the range text at full precision, in the user's units; NaN for N/A (and for
  // curves beyond the data's).
  std::array<double, kMaxCurves> range_from = not_available();
  std::array<double, kMaxCurves> range_to = not_available();

  static std::array<double, kMaxCurves> not_available() {
    std::array<double, kMaxCurves> values;
    values.fill(std::numeric_limits<double>::quiet_NaN());
    return values;
  }
};

// What the plausibility tests look at for one curve.
struct BendFit {
  BentLine b{};
  double f1 = 0.0;  // objective of the sharp broken line (simplex)
  double f2 = 0.0;  // objective after the golden-section searches
};

// Fits the bent line to every curve of data and writes the texts. model picks the direction
// (models 1, 2: product curves; 3, 4: substrate curves); p[0] (Km of the fit) starts b1. All
// texts are first set to blanks, so with no curves they stay blank. data and p are in the
// fit's internal units, scale (see data_scale.h) turns the numbers of the texts into the
// user's. With two curves or more, many rows and helper_thread a helper thread analyses curves
// beside the caller's (the texts are the same either way).
void breakpoint(const ProgressCurveData& data, ModelId model, const ParamVector& p,
                BreakpointTexts& texts, const DataScale& scale = {}, bool helper_thread = true);

// The fitted bent line of one curve: broken-line simplex, golden searches, two variable-metric
// calls. p1 starts b1; b4 starts at the time of point m/4 (1-based, integer division), or at
// the first time for a curve of fewer than 4 points.
BendFit fit_bend(const BentLineCurve& curve, double p1);

// The plausibility tests, in order; true when the bend is reported. ymax and xmax are the
// largest observed value and time of the curve, never below 0. A bend with a non-finite b1, b4
// or b5 is not reported either.
bool bend_is_plausible(const BendFit& fit, double s, double ymax, double xmax);

// The suggested data range of a reported bend: from the bend's time b4 / 2.5 to 4.75 times that.
double suggested_range_start(const BentLine& b);
double suggested_range_end(const BentLine& b);

// Texts of a reported bend (b1 shown as |b1| for s < 0).
void write_bend_texts(const BentLine& b, double s, std::string& inflection, std::string& curvature,
                      std::string& range);

}  // namespace velmor
