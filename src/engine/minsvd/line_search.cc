// SPDX-License-Identifier: MIT

#include "engine/minsvd/line_search.h"

#include <algorithm>
#include <cmath>

namespace velmor {
namespace {

constexpr double kGoldenRatio = 1.618034;   // (1 + sqrt 5) / 2: the first bracketing step
constexpr double kGoldenShrink = 0.381966;  // (3 - sqrt 5) / 2: shrink fraction toward ta
constexpr double kParabolaLimit = 9.0;      // parabolic step at most 9 |tc - tb| from tc
constexpr double kHalf = 0.5;               // a worse parabolic point replaces a bracket
                                            // end only inside half its distance from ta
constexpr int kMaxIterations = 25;

}  // namespace

double fln(Objective& objective, double t, std::span<const double> v, const ParamVector& x0, int n,
           int& nf) {
  ParamVector y = x0;
  for (int i = 0; i < n; ++i) y[i] = std::abs(x0[i] + t * v[i]);
  ++nf;
  return objective.value(n, y);
}

void linmnf(Objective& objective, double& ta, double tb, double& fa, double rtol, double atol,
            int& ierr, std::span<const double> v, const ParamVector& x0, int n, int& nf) {
  // 1. First trial point.
  ierr = kMinsvdOk;
  double fb = fln(objective, tb, v, x0, n, nf);

  // 2. Third point: beyond tb when tb is downhill, on the far side of ta otherwise.
  double tc = fb < fa ? ta + kGoldenRatio * (tb - ta) : ta - kGoldenRatio * (tb - ta);
  double fc = fln(objective, tc, v, x0, n, nf);

  for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
    // 3a. Vertex of the parabola through (ta, fa), (tb, fb), (tc, fc) is tc + p / |q2|.
    const double r = (tc - tb) * (fc - fa);
    const double q = (tc - ta) * (fc - fb);
    double p = (tc - ta) * q - (tc - tb) * r;
    const double q2 = 2.0 * (q - r);
    if (q2 > 0.0) p = -p;

    // 3b. Parabolic point, if not too far out.
    bool parabolic = false;
    double u = 0.0;
    double fu = 0.0;
    if (std::abs(p) < kParabolaLimit * std::abs((tc - tb) * q2)) {
      u = tc + p / std::abs(q2);
      fu = fln(objective, u, v, x0, n, nf);
      parabolic = true;
      if (fu < fa) {
        ta = u;
        fa = fu;
        return;
      }
    }

    // 3c. A bracket point already lower than the start ends the search.
    if (fb < fa) {
      ta = tb;
      fa = fb;
      return;
    }
    if (fc < fa) {
      ta = tc;
      fa = fc;
      return;
    }

    // 3d. Shrink the bracket toward ta.
    if (!parabolic) {
      if (std::abs(tc - ta) > std::abs(tb - ta)) {
        tc = ta + kGoldenShrink * (tc - ta);
        fc = fln(objective, tc, v, x0, n, nf);
      } else {
        tb = ta + kGoldenShrink * (tb - ta);
        fb = fln(objective, tb, v, x0, n, nf);
      }
    } else if ((u - ta) * (tb - ta) < 0.0) {
      // u on the other side of ta than tb, i.e. on tc's side.
      if (std::abs(u - ta) < kHalf * std::abs(tc - ta)) {
        tc = u;
        fc = fu;
      } else {
        tc = ta + kGoldenShrink * (tc - ta);
        fc = fln(objective, tc, v, x0, n, nf);
      }
    } else {
      if (std::abs(u - ta) < kHalf * std::abs(tb - ta)) {
        tb = u;
        fb = fu;
      } else {
        tb = ta + kGoldenShrink * (tb - ta);
        fb = fln(objective, tb, v, x0, n, nf);
      }
    }

    // 3e. A shrunk tb below fa becomes the best point.
    if (fb < fa) {
      ta = tb;
      fa = fb;
    }

    // 3f. Flat enough around ta.
    if (std::max(std::abs(fa) * rtol, atol) > std::min(fc - fa, fb - fa)) return;
  }

  // 3g. Out of iterations without the flatness test being met.
  ierr = kMinsvdLineSearchLimit;
}

}  // namespace velmor
