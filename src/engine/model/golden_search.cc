#include "engine/model/golden_search.h"

namespace velmor {
namespace {

constexpr double kGolden = 0.6180339887498949;            // (sqrt(5) - 1) / 2
constexpr double kGoldenComplement = 0.3819660112501051;  // 1 - kGolden
constexpr int kSweeps = 10;
constexpr int kGoldenSteps = 10;
constexpr int kBaseline = 2;  // position of the baseline P3

// One golden-section search on coordinate j with the others held; leaves x[j] at the better
// end of the final bracket and returns the objective there. C lies nearer B, D nearer A.
double search_coordinate(Objective& objective, int n, ParamVector& x, int j) {
  auto at = [&](double v) {
    x[j] = v;
    return objective.value(n, x);
  };

  const double x0 = x[j];
  double b = x0 + kGolden * x0;
  double fb = at(b);
  double a = x0 - kGolden * x0;
  double fa = at(a);
  if (fa > fb) {
    a = 0.5 * b;
    fa = at(a);
  }
  double c = b + kGoldenComplement * (a - b);
  double fc = at(c);
  double d = b + kGolden * (a - b);
  double fd = at(d);

  for (int step = 0; step < kGoldenSteps; ++step) {
    if (fd > fc) {
      a = d;
      fa = fd;
      d = c;
      fd = fc;
      c = b + kGoldenComplement * (a - b);
      fc = at(c);
    } else {
      b = c;
      fb = fc;
      c = d;
      fc = fd;
      d = b + kGolden * (a - b);
      fd = at(d);
    }
  }

  // Only the ends compete; the interior values are not used for the choice.
  if (fb <= fa) {
    x[j] = b;
    return fb;
  }
  x[j] = a;
  return fa;
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
