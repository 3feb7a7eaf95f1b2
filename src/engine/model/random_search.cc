// SPDX-License-Identifier: MIT

#include "engine/model/random_search.h"

#include <algorithm>
#include <cmath>

#include "engine/core/machine_constants.h"
#include "engine/model/random_draw.h"

namespace velmor {
namespace {

constexpr int kMinPasses = 10;  // fewer allowed passes than this means "use the default"
constexpr int kDefaultPasses = 100;
constexpr int kTrialsPerParameter = 10;
constexpr int kFailuresBeforeNewCoordinate = 2;
constexpr int kSuccessesBeforeNewCoordinate = 5;
// The spread is a single-precision variable: 0.8f is 0.800000011920929.
constexpr float kStartSpread = 0.8f;
constexpr float kSpreadDecrement = 0.04f;
constexpr float kSpreadNudge = 1e-6f;
constexpr float kFinalSpread = 0.21f;

}  // namespace

double guard_objective(double f) {
  if (f < kEps || std::isnan(f)) return kBig;
  if (f > kBig) return kBig;
  return f;
}

void dorunrun(Objective& objective, double& random_value, int n, double& seed, int& max_passes,
              ParamVector& x, double& f) {
  if (max_passes < kMinPasses) max_passes = kDefaultPasses;
  if (n < 1 || n > kMaxParams) {
    f = objective.value(n, x);
    return;
  }
  const int trials = kTrialsPerParameter * n;

  f = objective.value(n, x);
  ParamVector xbest = x;

  double r = seeded_draw(seed, random_value);
  random_value = r;
  seed = r;
  int successes = 0;
  int pass = 0;
  float spread = kStartSpread;
  ParamVector lo{};
  ParamVector width{};

  for (;;) {
    ++pass;
    x = xbest;
    f = guard_objective(objective.value(n, x));
    const double s = spread;
    for (int i = 0; i < n; ++i) {
      lo[i] = xbest[i] * (1.0 - s);
      width[i] = xbest[i] * (1.0 + s) - lo[i];
    }
    int failures = 0;
    int k = 0;  // the coordinate being perturbed (0-based)
    double fbest = f;

    for (int trial = 1; trial <= trials + 1; ++trial) {
      if (failures > kFailuresBeforeNewCoordinate || successes > kSuccessesBeforeNewCoordinate) {
        r = seeded_draw(seed, random_value);
        random_value = r;
        // trunc(n r + 1) is the 1-based coordinate; r < 1 keeps it within 1..n.
        k = std::min(static_cast<int>(n * r + 1.0), n) - 1;
        failures = 0;
      }
      const double xold = xbest[k];
      const double r1 = seeded_draw(seed, random_value);
      const double r2 = seeded_draw(r1, r1);
      random_value = r2;
      seed = r2;
      xbest[k] = (lo[k] + width[k] * std::fabs(r1 - 0.5)) * (1.0 + s * std::fabs(r2 - 0.5));

      x = xbest;
      f = guard_objective(objective.value(n, x));
      if (f < fbest) {
        ++successes;
        failures = 0;
        fbest = f;
      } else {
        xbest[k] = xold;
        ++failures;
        successes = 0;
      }
    }

    spread = spread - kSpreadDecrement + kSpreadNudge;
    objective.bounds_neg(xbest, n, f);
    f = objective.value(n, xbest);
    if (spread <= kFinalSpread || pass >= max_passes) break;
  }
  x = xbest;
}

}  // namespace velmor
