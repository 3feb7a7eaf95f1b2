// SPDX-License-Identifier: MIT

#include "engine/stats/break_search.h"

#include <cmath>
#include <vector>

#include "engine/core/golden_section.h"

namespace velmor {

namespace {

constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kSimplexSize = 0.1;
constexpr double kSpreadTolerance = 1e-5;
constexpr int kGoldenSweeps = 20;

// One golden-section search on coordinate j with the others held; b[j] ends at the better end.
void golden_coordinate(int n, BentLine& b, int j, const BentLineCurve& curve) {
  b[j] = golden_section(b[j], [&](double v) {
           b[j] = v;
           return calc_func(n, b, curve);
         }).first;
}

// b5 (index 4) may not settle below 1.0 during the first four sweeps, so the searches on the
// other coordinates see a rounded corner first.
void golden_sweeps(int n, BentLine& b, double& f, const BentLineCurve& curve,
                   std::initializer_list<int> coordinates) {
  constexpr int kCurvature = 4;
  for (int sweep = 1; sweep <= kGoldenSweeps; ++sweep) {
    for (int j : coordinates) {
      golden_coordinate(n, b, j, curve);
      if (j == kCurvature && sweep <= 4 && b[kCurvature] < 1.0) b[kCurvature] = 1.0;
    }
  }
  f = calc_func(n, b, curve);
}

}  // namespace

void smplx_break(int n, BentLine& b, double& f, const BentLineCurve& curve, int maxIter) {
  // Slots 0..n, each a point of n coordinates; slot k keeps its index for the whole call.
  std::vector<BentLine> slot(n + 1, b);
  std::vector<double> value(n + 1);
  const double r = std::sqrt(n + 1.0) - 1.0;
  const double p = kSimplexSize * (r + n) / (n * kSqrt2);
  const double q = kSimplexSize * r / (n * kSqrt2);
  for (int k = 1; k <= n; ++k) {
    for (int i = 0; i < n; ++i) slot[k][i] += (i == k - 1) ? p : q;
  }
  for (int k = 0; k <= n; ++k) value[k] = calc_func(n, slot[k], curve);

  auto blend = [&](const BentLine& u, double wu, const BentLine& v, double wv) {
    BentLine w = b;
    for (int i = 0; i < n; ++i) w[i] = wu * u[i] + wv * v[i];
    return w;
  };

  for (int it = 1; it <= maxIter; ++it) {
    // Ranking: first of the largest, first of the smallest, first of the largest below f(h).
    int h = 0;
    int l = 0;
    for (int k = 1; k <= n; ++k) {
      if (value[k] > value[h]) h = k;
      if (value[k] < value[l]) l = k;
    }
    int s = l;  // l is already the first slot of the smallest value
    for (int k = 0; k <= n; ++k) {
      if (value[k] < value[h] && value[k] > value[s]) s = k;
    }

    BentLine c = b;
    for (int i = 0; i < n; ++i) {
      double sum = 0.0;
      for (int k = 0; k <= n; ++k) {
        if (k != h) sum += slot[k][i];
      }
      c[i] = sum / n;
    }
    const BentLine xr = blend(c, 2.0, slot[h], -1.0);
    const double fr = calc_func(n, xr, curve);

    if (fr <= value[l]) {
      const BentLine xe = blend(xr, 2.0, c, -1.0);
      const double fe = calc_func(n, xe, curve);
      if (fe < fr) {
        slot[h] = xe;
        value[h] = fe;
      } else {
        slot[h] = xr;
        value[h] = fr;
      }
    } else if (value[l] < fr && fr <= value[s]) {
      slot[h] = xr;
      value[h] = fr;
    } else if (fr > value[s]) {
      const BentLine xc = blend(c, 0.5, slot[h], 0.5);
      const double fc = calc_func(n, xc, curve);
      if (fc < value[h]) {
        slot[h] = xc;
        value[h] = fc;
      } else {
        for (int k = 0; k <= n; ++k) {
          if (k == l) continue;
          for (int i = 0; i < n; ++i) slot[k][i] = slot[l][i] + 0.5 * (slot[k][i] - slot[l][i]);
        }
        value[h] = calc_func(n, slot[h], curve);
        value[s] = calc_func(n, slot[s], curve);
      }
    }

    // Spread of slots 0..n-1 (the last slot left out), divisors n + 1 and n - 1.
    double mean = 0.0;
    for (int k = 0; k < n; ++k) mean += value[k];
    mean /= n + 1;
    double squares = 0.0;
    for (int k = 0; k < n; ++k) squares += (value[k] - mean) * (value[k] - mean);
    const double spread = std::sqrt(squares / (n - 1));
    if (spread <= kSpreadTolerance) break;
  }

  int best = 0;
  for (int k = 1; k <= n; ++k) {
    if (value[k] < value[best]) best = k;
  }
  b = slot[best];
  f = calc_func(n, b, curve);
}

void golden_cd_search(int n, BentLine& b, double& f, const BentLineCurve& curve) {
  golden_sweeps(n, b, f, curve, {4, 0, 3});  // b5, b1, b4
}

void golden_d_search(int n, BentLine& b, double& f, const BentLineCurve& curve) {
  golden_sweeps(n, b, f, curve, {4});  // b5
}

}  // namespace velmor
