// SPDX-License-Identifier: MIT

#include "engine/stats/bent_line.h"

#include <cmath>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VELMOR_BENT_LINE_LANES 1
#include <immintrin.h>
#endif

namespace velmor {
namespace {

// The parts of bent_line_value that do not depend on x, each rounded as there.
struct BentLineTerms {
  double level;      // -s b1
  double slope;      // b2
  double bend;       // b4
  double half_turn;  // 0.5 s b3
  double corner;     // b5^2
};

BentLineTerms terms_of(const BentLine& b, double s) {
  return {-s * b[0], b[1], b[3], 0.5 * s * b[2], b[4] * b[4]};
}

double value_of(const BentLineTerms& t, double x) {
  const double dx = x - t.bend;
  return t.level + t.slope * dx + t.half_turn * std::sqrt(4.0 * dx * dx + t.corner);
}

#if VELMOR_BENT_LINE_LANES
// Four points at a time (the square root is correctly rounded in the lanes too), the squares
// added in the points' order: the same sum, bit for bit, as one point at a time.
[[gnu::target("avx")]] double sum_in_lanes(const BentLineTerms& t, const BentLineCurve& curve) {
  const __m256d level = _mm256_set1_pd(t.level);
  const __m256d slope = _mm256_set1_pd(t.slope);
  const __m256d bend = _mm256_set1_pd(t.bend);
  const __m256d half_turn = _mm256_set1_pd(t.half_turn);
  const __m256d corner = _mm256_set1_pd(t.corner);
  const __m256d four = _mm256_set1_pd(4.0);
  double sum = 0.0;
  int i = 0;
  alignas(32) double squares[4];
  for (; i + 4 <= curve.m; i += 4) {
    const __m256d dx = _mm256_sub_pd(_mm256_loadu_pd(&curve.xs[i]), bend);
    const __m256d root =
        _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_mul_pd(four, dx), dx), corner));
    const __m256d value = _mm256_add_pd(_mm256_add_pd(level, _mm256_mul_pd(slope, dx)),
                                        _mm256_mul_pd(half_turn, root));
    const __m256d r = _mm256_sub_pd(_mm256_loadu_pd(&curve.ys[i]), value);
    _mm256_store_pd(squares, _mm256_mul_pd(r, r));
    sum += squares[0];
    sum += squares[1];
    sum += squares[2];
    sum += squares[3];
  }
  for (; i < curve.m; ++i) {
    const double r = curve.ys[i] - value_of(t, curve.xs[i]);
    sum += r * r;
  }
  return sum;
}

bool lanes_available() {
  static const bool available = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
  }();
  return available;
}
#endif

}  // namespace

double bent_line_value(const BentLine& b, double s, double x) {
  return value_of(terms_of(b, s), x);
}

double calc_func(int n, const BentLine& b, const BentLineCurve& curve) {
  BentLine line = b;
  if (n < 5) line[4] = 0.0;
  const BentLineTerms t = terms_of(line, curve.s);
#if VELMOR_BENT_LINE_LANES
  if (lanes_available()) return sum_in_lanes(t, curve);
#endif
  double sum = 0.0;
  for (int i = 0; i < curve.m; ++i) {
    const double r = curve.ys[i] - value_of(t, curve.xs[i]);
    sum += r * r;
  }
  return sum;
}

}  // namespace velmor
