// SPDX-License-Identifier: MIT

#include "engine/model/libm_lanes.h"

#include <cmath>
#include <cstdint>

namespace velmor::libm {

#if VELMOR_HAVE_LANES
namespace {

// Arguments that pass through every table entry and both of log's paths: a geometric sweep of
// exp's arguments over its fast range and of log's over the doubles, plus log's neighbourhood
// of 1, where omegw's two logarithms of small arguments fall.
constexpr int kSweep = 512;

// Both functions' lanes at x against the library, bit for bit.
VELMOR_LANES_TARGET bool agree_at(const double (&x)[4]) {
  alignas(32) double e[4];
  alignas(32) double l[4];
  const __m256d v = _mm256_loadu_pd(x);
  _mm256_store_pd(e, exp_lanes(v));
  _mm256_store_pd(l, log_lanes(v));
  for (int lane = 0; lane < 4; ++lane) {
    const bool same_exp =
        std::bit_cast<std::uint64_t>(e[lane]) == std::bit_cast<std::uint64_t>(std::exp(x[lane]));
    const bool same_log =
        std::bit_cast<std::uint64_t>(l[lane]) == std::bit_cast<std::uint64_t>(std::log(x[lane])) ||
        std::isnan(l[lane]);  // negative arguments
    if (!same_exp || !same_log) return false;
  }
  return true;
}

bool lanes_agree_with_library() {
  for (int k = 0; k < kSweep; ++k) {
    const double u = (k + 0.377) / kSweep;
    const double exp_and_log[4] = {700.0 * (2.0 * u - 1.0),
                                   std::ldexp(1.0 + u, -50 + k % 60) * (k % 2 == 0 ? 1.0 : -1.0),
                                   1.0 + 0.0625 * (2.0 * u - 1.0), 0.5 + 1.5 * u};
    const double log_range[4] = {std::ldexp(1.0 + u, k % 2000 - 1000),
                                 1.0 + std::ldexp(u, -(k % 52)), std::exp(-745.0 + 1450.0 * u),
                                 1.0 + 0.1 * u};
    if (!agree_at(exp_and_log) || !agree_at(log_range)) return false;
  }
  return true;
}

bool check_lanes() {
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return false;
  return lanes_agree_with_library();
}

}  // namespace

bool libm_lanes_usable() {
  static const bool usable = check_lanes();
  return usable;
}
#else
bool libm_lanes_usable() {
  return false;
}
#endif

}  // namespace velmor::libm
