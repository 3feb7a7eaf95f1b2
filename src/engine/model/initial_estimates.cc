// SPDX-License-Identifier: MIT

#include "engine/model/initial_estimates.h"

#include <algorithm>
#include <cmath>

#include "engine/model/golden_search.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/random_draw.h"
#include "engine/model/random_search.h"

namespace velmor {
namespace {

constexpr double kTimeOffset = 1e-6;      // keeps Y/t finite at t = 0
constexpr double kRegularisation = 1e-6;  // e of the linearised coefficients
constexpr double kMinEstimate = 1e-6;
constexpr double kSubstrateKmDivisor = 20.0;
constexpr int kEstimatePasses = 50;  // allowed passes; the spread schedule ends at 15
constexpr int kSlopeRows = 3;
// kinact's start, over the time span: 60% of the activity left at the end.
constexpr double kInactivationStart = 0.5;

double largest_so(const ProgressCurveData& data) {
  double largest = 0.0;
  for (int i = 0; i < std::clamp(data.nRows, 0, kMaxRows); ++i) {
    largest = std::max(largest, data.X2[i]);
  }
  return largest > 0.0 ? largest : 1.0;
}

// The largest time less the smallest; 1 where the times do not span anything.
double time_span(const ProgressCurveData& data) {
  const int n = std::clamp(data.nRows, 0, kMaxRows);
  if (n == 0) return 1.0;
  const auto [low, high] = std::minmax_element(data.X1.begin(), data.X1.begin() + n);
  const double span = *high - *low;
  return span > 0.0 && std::isfinite(span) ? span : 1.0;
}

// Three times the mean of Y/t over the rows of first..last-1 that have t > 0.
bool mean_slope_times_three(const ProgressCurveData& data, int first, int last, double& sum) {
  double total = 0.0;
  int used = 0;
  for (int k = first; k < last; ++k) {
    if (!(data.X1[k] > 0.0)) continue;
    total += data.Y[k] / (data.X1[k] + kTimeOffset);
    ++used;
  }
  if (used == 0) return false;
  sum = used == kSlopeRows ? total : total * kSlopeRows / used;
  return true;
}

// Sum of Y/(t + 1e-6) over the three rows around the middle of the first curve (0-based rows
// first..first+2), shifted or scaled for short curves as described in the header. A row at
// t = 0 (the start of a short curve, or of a replicate written under the same [So]) would
// make its slope about 1e6 times too large, so only rows with t > 0 count, scaled to three.
double middle_slope_sum(const ProgressCurveData& data, int m1) {
  if (m1 < 1) return 0.0;
  const int h = m1 / 2;                                             // 1-based middle row
  const int first = std::clamp(h - 1, 1, std::max(1, m1 - 2)) - 1;  // 0-based
  const int last = std::min(first + kSlopeRows, m1);                // exclusive
  double sum = 0.0;
  if (mean_slope_times_three(data, first, last, sum)) return sum;
  if (mean_slope_times_three(data, 0, m1, sum)) return sum;
  // No time after the start in the whole curve: the plain sum, as the rows give it.
  for (int k = first; k < last; ++k) sum += data.Y[k] / (data.X1[k] + kTimeOffset);
  const int used = last - first;
  return used == kSlopeRows ? sum : sum * kSlopeRows / used;
}

// Rows of the first curve, never more than the data hold.
int first_curve_rows(const ProgressCurveData& data) {
  const int n_rows = std::clamp(data.nRows, 0, kMaxRows);
  return std::clamp(data.nCurves > 0 ? data.curveCount[0] : n_rows, 0, n_rows);
}

}  // namespace

CrudeEstimates crude_estimates(const ProgressCurveData& data, ModelId model) {
  const int n_rows = std::clamp(data.nRows, 0, kMaxRows);
  const int m1 = first_curve_rows(data);
  CrudeEstimates crude;
  crude.km0 = n_rows >= 2 ? data.X2[1] : (n_rows == 1 ? data.X2[0] : 0.0);
  const double slopes = middle_slope_sum(data, m1);
  crude.vm0 = model_observes_product(model) ? std::fabs(slopes) : std::fabs(2.0 * slopes);
  if (model == 2 && n_rows >= 2) crude.b0 = 0.25 * (data.Y[0] + data.Y[1]);
  if (model == 4 && m1 >= 2) crude.b0 = 0.25 * (data.Y[m1 - 2] + data.Y[m1 - 1]);
  return crude;
}

void init_estimates(Objective& objective, FitContext& context, ParamVector& p) {
  const ProgressCurveData& data = context.data;
  const ModelId model = context.imdlno;
  const int n_params = std::clamp(context.npar, 0, kMaxParams);
  const int m1 = first_curve_rows(data);
  const bool product = model_observes_product(model);
  // Models 5..8 start from the estimates of the Michaelis-Menten model of their kind.
  const ModelId linearised = model_shares_w(model) ? model : (product ? 1 : 3);
  const auto [km0, vm0, b0] = crude_estimates(data, model);

  // Linearised correction over the first curve: the least-squares coefficients a, b of
  // Y ~ a f + b v, kept as c1 = -a and c2 = -b/a, each regularised by e.
  double c1 = 1.0;
  double c2 = 1.0;
  if (m1 > 0) {
    ParamVector p0{};
    p0[0] = km0;
    p0[1] = vm0;
    p0[2] = b0;
    double syf = 0.0, sff = 0.0, sfv = 0.0, syv = 0.0, svv = 0.0;
    for (int i = 0; i < m1; ++i) {
      const double f = func(linearised, data.X1[i], data.X2[i], data.Y[i], p0);
      const double d = data.X2[i] - vm0 * data.X1[i];
      const double e = std::exp(d / km0);
      const double v = -e * data.X2[i] * d / (km0 * km0);
      syf += data.Y[i] * f;
      sff += f * f;
      sfv += f * v;
      syv += data.Y[i] * v;
      svv += v * v;
    }
    const double n1 = sfv * syv - syf * svv;
    const double dt = svv * sff - sfv * sfv;
    const double n2 = syv * sff - sfv * syf;
    c1 = (n1 + kRegularisation) / (dt + kRegularisation);
    c2 = (n2 + kRegularisation) / (n1 + kRegularisation);
    // A first curve with [So] = 0 (a blank) makes Km0 = 0 and every sum NaN, which would carry
    // through both searches into the fit; such a curve gets no correction, like an empty one.
    if (!std::isfinite(c1) || !std::isfinite(c2)) {
      c1 = 1.0;
      c2 = 1.0;
    }
  }

  double km = 0.0;
  double vm = 0.0;
  if (product) {
    km = 0.5 * (km0 + std::fabs(c2));
    vm = std::fabs(c1) * vm0;
  } else {
    km = 0.5 * (km0 + std::fabs(c2) / kSubstrateKmDivisor);
    vm = kSubstrateKmDivisor * std::fabs(c1) * vm0;
  }

  ParamVector x{};
  x[0] = km;
  x[1] = vm;
  if (n_params != 2) x[2] = b0;
  if (model_has_product_inhibition(model)) x[2] = largest_so(data);
  if (model_has_inactivation(model)) x[2] = kInactivationStart / time_span(data);

  // The random search's seed comes from the estimates' own generator; an exact 0 draw is
  // replaced because the search reads a zero seed as "use pi - 3".
  const double r = next_random(context.random.estimate_random_value);
  context.random.estimate_random_value = r;
  double seed = r == 0.0 ? kSeedZeroDraw : next_random(r);
  context.random.estimate_random_value = seed;

  double f = 0.0;
  int passes = kEstimatePasses;
  dorunrun(objective, context.random.random_value, n_params, seed, passes, x, f);
  golden_search(objective, n_params, x, f);

  p = x;
  const bool free_baseline = context.baseline_free && model_has_baseline(model);
  for (int i = 0; i < n_params; ++i) {
    if (free_baseline && i == 2 && std::isfinite(p[i])) continue;
    if (!(p[i] >= kMinEstimate)) p[i] = kMinEstimate;  // a NaN is raised too
  }
}

}  // namespace velmor
