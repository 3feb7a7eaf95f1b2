// SPDX-License-Identifier: MIT
#include "engine/stats/runs_test.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/stats/distributions.h"

namespace velmor {
namespace {

double log_choose(int n, int k) {
  return log_gamma(n + 1.0) - log_gamma(k + 1.0) - log_gamma(n - k + 1.0);
}

// P(R = r) for r = 0..n1 + n2 of one curve with n1 positive and n2 negative signs in random
// order (both counts > 0): R = 2k with probability 2 C(n1-1, k-1) C(n2-1, k-1) / C(n, n1), and
// R = 2k + 1 with [C(n1-1, k) C(n2-1, k-1) + C(n1-1, k-1) C(n2-1, k)] / C(n, n1).
std::vector<double> runs_distribution(int n1, int n2) {
  const int n = n1 + n2;
  std::vector<double> p(n + 1, 0.0);
  const double log_total = log_choose(n, n1);
  auto term = [&](int a, int ka, int b, int kb) {
    if (ka < 0 || ka > a || kb < 0 || kb > b) return 0.0;
    return std::exp(log_choose(a, ka) + log_choose(b, kb) - log_total);
  };
  for (int r = 2; r <= n; ++r) {
    const int k = r / 2;
    if (r % 2 == 0) {
      p[r] = 2.0 * term(n1 - 1, k - 1, n2 - 1, k - 1);
    } else {
      p[r] = term(n1 - 1, k, n2 - 1, k - 1) + term(n1 - 1, k - 1, n2 - 1, k);
    }
  }
  return p;
}

}  // namespace

RunsTest runs_test(std::span<const double> residuals, std::span<const int> curve_counts) {
  RunsTest test;
  std::vector<double> total{1.0};  // distribution of the runs of the curves so far
  bool informative = false;
  std::size_t first = 0;
  for (const int count : curve_counts) {
    const std::size_t end =
        std::min(residuals.size(), first + static_cast<std::size_t>(std::max(count, 0)));
    int n1 = 0;
    int n2 = 0;
    int runs = 0;
    int last_sign = 0;
    for (std::size_t i = first; i < end; ++i) {
      const int sign = (residuals[i] > 0.0) - (residuals[i] < 0.0);
      if (sign == 0) continue;
      (sign > 0 ? n1 : n2) += 1;
      if (sign != last_sign) ++runs;
      last_sign = sign;
    }
    first = end;
    test.runs += runs;
    if (n1 == 0 || n2 == 0) {
      // One sign or none: a fixed count of runs, which shifts the total.
      test.expected += runs;
      total.insert(total.begin(), runs, 0.0);
      continue;
    }
    informative = true;
    test.expected += 1.0 + 2.0 * n1 * n2 / static_cast<double>(n1 + n2);
    const std::vector<double> curve = runs_distribution(n1, n2);
    std::vector<double> next(total.size() + curve.size() - 1, 0.0);
    for (std::size_t a = 0; a < total.size(); ++a) {
      if (total[a] == 0.0) continue;
      for (std::size_t b = 0; b < curve.size(); ++b) next[a + b] += total[a] * curve[b];
    }
    total = std::move(next);
  }
  if (!informative) return test;
  double p = 0.0;
  for (int r = 0; r <= test.runs && r < static_cast<int>(total.size()); ++r) p += total[r];
  test.p = std::min(p, 1.0);
  return test;
}

}  // namespace velmor
