// SPDX-License-Identifier: MIT AND LGPL-2.1-or-later

#pragma once

// exp and log of four doubles at once that give, lane for lane, the bits of the C library's
// scalar std::exp and std::log on x86-64 processors with AVX2 and FMA. The library (glibc 2.28
// and later) picks its FMA variants of exp and log on those processors; the lanes below follow
// those variants instruction for instruction: the same tables (libm_tables.h), the same
// constants and the same fused multiply-adds in the same places, everything else rounded
// separately. Arguments the library treats with particular care (exp: NaN and x in
// [-746, -512), where results are subnormal; log: subnormal, zero, negative and non-finite x)
// are handed to the library itself, lane by lane.
//
// Whether the library really rounds this way is checked at run time (libm_lanes_usable()); the
// callers use the lanes only then. Compile only in functions with VELMOR_LANES_TARGET.

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VELMOR_HAVE_LANES 1
#include <immintrin.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/model/libm_tables.h"

#define VELMOR_LANES_TARGET [[gnu::target("avx2,fma")]]

namespace velmor::libm {

namespace detail {

inline constexpr double kInvLn2N = std::bit_cast<double>(0x40671547652b82feULL);  // 128/ln 2
inline constexpr double kNegLn2HiN = std::bit_cast<double>(0xbf762e42fefa0000ULL);
inline constexpr double kNegLn2LoN = std::bit_cast<double>(0xbd0cf79abc9e3b3aULL);
inline constexpr double kExpC2 = std::bit_cast<double>(0x3fdffffffffffdbdULL);
inline constexpr double kExpC3 = std::bit_cast<double>(0x3fc555555555543cULL);
inline constexpr double kExpC4 = std::bit_cast<double>(0x3fa55555cf172b91ULL);
inline constexpr double kExpC5 = std::bit_cast<double>(0x3f81111167a4d017ULL);
inline constexpr double kExpShift = std::bit_cast<double>(0x4338000000000000ULL);  // 0x1.8p52
// Biased exponents of 2^-54 and 512: the library's fast path takes |x| in [2^-54, 512).
inline constexpr std::int64_t kExpLowTop = 0x3c9;
inline constexpr std::int64_t kExpHighTop = 0x408;
inline constexpr double kExpSpecialFrom = 512.0;
inline constexpr double kExpOverflowFrom = 1024.0;
// exp(-746) is below half the smallest subnormal: every x below rounds to +0.
inline constexpr double kExpZeroBelow = -746.0;
inline constexpr std::uint64_t kExpScaleDrop = 1009;
// The same drop as a difference of exponent fields (bits 52..62 of a double).
inline constexpr std::uint64_t kExpScaleDropBits = kExpScaleDrop << 52;
inline constexpr double kTwoTo1009 = std::bit_cast<double>(0x7f00000000000000ULL);

inline constexpr double kLn2Hi = std::bit_cast<double>(0x3fe62e42fefa3800ULL);
inline constexpr double kLn2Lo = std::bit_cast<double>(0x3d2ef35793c76730ULL);
inline constexpr std::uint64_t kLogA[5] = {0xbfe0000000000001ULL, 0x3fd555555551305bULL,
                                           0xbfcfffffffeb4590ULL, 0x3fc999b324f10111ULL,
                                           0xbfc55575e506c89fULL};
inline constexpr std::uint64_t kLogB[11] = {
    0xbfe0000000000000ULL, 0x3fd5555555555577ULL, 0xbfcffffffffffdcbULL, 0x3fc999999995dd0cULL,
    0xbfc55555556745a7ULL, 0x3fc24924a344de30ULL, 0xbfbfffffa4423d65ULL, 0x3fbc7184282ad6caULL,
    0xbfb999eb43b068ffULL, 0x3fb78182f7afd085ULL, 0xbfb5521375d145cdULL};
// Arguments within [1 - 2^-4, 1 + 0x1.09p-4) take the library's polynomial around 1.
inline constexpr std::uint64_t kLogNearOneLow = 0x3fee000000000000ULL;
inline constexpr std::uint64_t kLogNearOneSpan = 0x308ffffffffffULL;
inline constexpr std::uint64_t kLogOff = 0x3fe6000000000000ULL;
inline constexpr double kTwoTo27 = 134217728.0;

VELMOR_LANES_TARGET inline __m256d splat(double v) {
  return _mm256_set1_pd(v);
}
VELMOR_LANES_TARGET inline __m256d splat_bits(std::uint64_t bits) {
  return _mm256_castsi256_pd(_mm256_set1_epi64x(static_cast<long long>(bits)));
}

// Unsigned a > b for 64-bit lanes (AVX2 compares signed only).
VELMOR_LANES_TARGET inline __m256i unsigned_greater(__m256i a, __m256i b) {
  const __m256i flip = _mm256_set1_epi64x(static_cast<long long>(0x8000000000000000ULL));
  return _mm256_cmpgt_epi64(_mm256_xor_si256(a, flip), _mm256_xor_si256(b, flip));
}

// The lanes of `mask` (bits 0..3) recomputed by the scalar function f.
template <typename F>
VELMOR_LANES_TARGET inline __m256d by_library(__m256d values, __m256d x, int mask, F f) {
  alignas(32) double v[4];
  alignas(32) double a[4];
  _mm256_store_pd(v, values);
  _mm256_store_pd(a, x);
  for (int lane = 0; lane < 4; ++lane) {
    if (mask & (1 << lane)) v[lane] = f(a[lane]);
  }
  return _mm256_load_pd(v);
}

// Pairs (table[2 i], table[2 i + 1]) for the four lane indices i: the first elements in
// `first`, the second in `second`.
VELMOR_LANES_TARGET inline void pairs(const std::uint64_t* table, __m256i i, __m256d& first,
                                      __m256d& second) {
  alignas(32) std::int64_t at[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(at), i);
  const auto* entries = reinterpret_cast<const double*>(table);
  const __m128d p0 = _mm_loadu_pd(entries + 2 * at[0]);
  const __m128d p1 = _mm_loadu_pd(entries + 2 * at[1]);
  const __m128d p2 = _mm_loadu_pd(entries + 2 * at[2]);
  const __m128d p3 = _mm_loadu_pd(entries + 2 * at[3]);
  const __m256d p02 = _mm256_set_m128d(p2, p0);
  const __m256d p13 = _mm256_set_m128d(p3, p1);
  first = _mm256_unpacklo_pd(p02, p13);
  second = _mm256_unpackhi_pd(p02, p13);
}

}  // namespace detail

// std::exp of each lane whose bit is set in `wanted` (the others hold unspecified values).
VELMOR_LANES_TARGET inline __m256d exp_lanes(__m256d x, int wanted = 0xf) {
  using namespace detail;
  const __m256i ix = _mm256_castpd_si256(x);
  const __m256i abstop = _mm256_and_si256(_mm256_srli_epi64(ix, 52), _mm256_set1_epi64x(0x7ff));

  // x = k ln2/128 + r; exp(x) = 2^(k/128) exp(r).
  __m256d kd = _mm256_fmadd_pd(x, splat(kInvLn2N), splat(kExpShift));
  const __m256i ki = _mm256_castpd_si256(kd);
  kd = _mm256_sub_pd(kd, splat(kExpShift));
  __m256d r = _mm256_fmadd_pd(kd, splat(kNegLn2HiN), x);
  r = _mm256_fmadd_pd(kd, splat(kNegLn2LoN), r);
  const __m256i idx = _mm256_and_si256(ki, _mm256_set1_epi64x(127));
  const __m256i top = _mm256_slli_epi64(ki, 45);
  __m256d tail, scale_bits;
  pairs(kExpTable, idx, tail, scale_bits);
  const __m256i sbits = _mm256_add_epi64(_mm256_castpd_si256(scale_bits), top);

  const __m256d c23 = _mm256_fmadd_pd(r, splat(kExpC3), splat(kExpC2));
  const __m256d tail_r = _mm256_add_pd(r, tail);
  const __m256d r2 = _mm256_mul_pd(r, r);
  const __m256d c45 = _mm256_fmadd_pd(r, splat(kExpC5), splat(kExpC4));
  const __m256d t1 = _mm256_fmadd_pd(c23, r2, tail_r);
  const __m256d r4 = _mm256_mul_pd(r2, r2);
  const __m256d tmp = _mm256_fmadd_pd(r4, c45, t1);
  const __m256d scale = _mm256_castsi256_pd(sbits);
  __m256d result = _mm256_fmadd_pd(scale, tmp, scale);

  const __m256i fast = _mm256_andnot_si256(
      _mm256_or_si256(_mm256_cmpgt_epi64(_mm256_set1_epi64x(kExpLowTop), abstop),
                      _mm256_cmpgt_epi64(abstop, _mm256_set1_epi64x(kExpHighTop - 1))),
      _mm256_set1_epi64x(-1));
  const int fast_mask = _mm256_movemask_pd(_mm256_castsi256_pd(fast)) & wanted;
  if (fast_mask == wanted) return result;

  // The library's other cases that need no care for subnormal results: |x| < 2^-54 gives
  // 1 + x; 512 <= x < 1024 the same polynomial with the scale's exponent lowered by 1009 and
  // restored by a multiplication; x >= 1024 overflows; x < -746 underflows to +0.
  const __m256d tiny =
      _mm256_castsi256_pd(_mm256_cmpgt_epi64(_mm256_set1_epi64x(kExpLowTop), abstop));
  result = _mm256_blendv_pd(result, _mm256_add_pd(splat(1.0), x), tiny);
  const __m256d lowered = _mm256_castsi256_pd(
      _mm256_sub_epi64(sbits, _mm256_set1_epi64x(static_cast<long long>(kExpScaleDropBits))));
  const __m256d large = _mm256_mul_pd(_mm256_fmadd_pd(lowered, tmp, lowered), splat(kTwoTo1009));
  const __m256d above = _mm256_cmp_pd(x, splat(kExpSpecialFrom), _CMP_GE_OQ);
  result = _mm256_blendv_pd(result, large, above);
  result = _mm256_blendv_pd(result, splat(std::numeric_limits<double>::infinity()),
                            _mm256_cmp_pd(x, splat(kExpOverflowFrom), _CMP_GE_OQ));
  const __m256d below = _mm256_cmp_pd(x, splat(kExpZeroBelow), _CMP_LT_OQ);
  result = _mm256_blendv_pd(result, _mm256_setzero_pd(), below);

  const int handled =
      fast_mask | _mm256_movemask_pd(_mm256_or_pd(_mm256_or_pd(tiny, above), below));
  const int special = wanted & ~handled;
  if (special == 0) return result;
  return by_library(result, x, special, [](double a) { return std::exp(a); });
}

// std::log of each lane whose bit is set in `wanted` (the others hold unspecified values).
VELMOR_LANES_TARGET inline __m256d log_lanes(__m256d x, int wanted = 0xf) {
  using namespace detail;
  const __m256i ix = _mm256_castpd_si256(x);
  const __m256i top = _mm256_srli_epi64(ix, 48);
  const __m256i outside = _mm256_or_si256(_mm256_cmpgt_epi64(_mm256_set1_epi64x(0x10), top),
                                          _mm256_cmpgt_epi64(top, _mm256_set1_epi64x(0x7fef)));
  const __m256i near_one =
      _mm256_andnot_si256(unsigned_greater(_mm256_sub_epi64(ix, _mm256_set1_epi64x(kLogNearOneLow)),
                                           _mm256_set1_epi64x(kLogNearOneSpan)),
                          _mm256_set1_epi64x(-1));
  const int near_mask = _mm256_movemask_pd(_mm256_castsi256_pd(near_one)) & wanted;

  // x = 2^k z, z in [OFF, 2 OFF); log x = log1p(z/c - 1) + log c + k ln2.
  __m256d result = _mm256_setzero_pd();
  if ((~near_mask & wanted) != 0) {
    const __m256i tmp = _mm256_sub_epi64(ix, _mm256_set1_epi64x(kLogOff));
    const __m256i i = _mm256_and_si256(_mm256_srli_epi64(tmp, 45), _mm256_set1_epi64x(127));
    // k = tmp >> 52 as a signed 12-bit number, then exactly as a double.
    const __m256i k_biased = _mm256_srli_epi64(tmp, 52);
    const __m256i k = _mm256_sub_epi64(_mm256_xor_si256(k_biased, _mm256_set1_epi64x(0x800)),
                                       _mm256_set1_epi64x(0x800));
    const __m256d kd = _mm256_sub_pd(
        _mm256_castsi256_pd(_mm256_add_epi64(k, _mm256_castpd_si256(splat(kExpShift)))),
        splat(kExpShift));
    const __m256i iz = _mm256_sub_epi64(
        ix,
        _mm256_and_si256(tmp, _mm256_set1_epi64x(static_cast<long long>(0xfff0000000000000ULL))));
    __m256d invc, logc;
    pairs(kLogTable, i, invc, logc);
    const __m256d z = _mm256_castsi256_pd(iz);

    const __m256d r = _mm256_fmadd_pd(z, invc, splat(-1.0));
    const __m256d w = _mm256_fmadd_pd(kd, splat(kLn2Hi), logc);
    const __m256d a12 = _mm256_fmadd_pd(r, splat_bits(kLogA[2]), splat_bits(kLogA[1]));
    const __m256d hi = _mm256_add_pd(r, w);
    const __m256d r2 = _mm256_mul_pd(r, r);
    __m256d lo = _mm256_add_pd(_mm256_sub_pd(w, hi), r);
    lo = _mm256_fmadd_pd(kd, splat(kLn2Lo), lo);
    const __m256d rr2 = _mm256_mul_pd(r, r2);
    const __m256d a34 = _mm256_fmadd_pd(r, splat_bits(kLogA[4]), splat_bits(kLogA[3]));
    const __m256d lo2 = _mm256_fmadd_pd(r2, splat_bits(kLogA[0]), lo);
    const __m256d poly = _mm256_fmadd_pd(a34, r2, a12);
    const __m256d y = _mm256_fmadd_pd(rr2, poly, lo2);
    result = _mm256_add_pd(y, hi);
  }
  if (near_mask != 0) {
    const __m256d r = _mm256_sub_pd(x, splat(1.0));
    const __m256d b12 = _mm256_fmadd_pd(r, splat_bits(kLogB[2]), splat_bits(kLogB[1]));
    const __m256d b45 = _mm256_fmadd_pd(r, splat_bits(kLogB[5]), splat_bits(kLogB[4]));
    const __m256d r2 = _mm256_mul_pd(r, r);
    const __m256d b78 = _mm256_fmadd_pd(r, splat_bits(kLogB[8]), splat_bits(kLogB[7]));
    const __m256d b123 = _mm256_fmadd_pd(r2, splat_bits(kLogB[3]), b12);
    const __m256d b456 = _mm256_fmadd_pd(r2, splat_bits(kLogB[6]), b45);
    const __m256d r3 = _mm256_mul_pd(r, r2);
    __m256d t = _mm256_fmadd_pd(r2, splat_bits(kLogB[9]), b78);
    t = _mm256_fmadd_pd(r3, splat_bits(kLogB[10]), t);
    t = _mm256_fmadd_pd(t, r3, b456);
    const __m256d poly = _mm256_fmadd_pd(t, r3, b123);
    // hi + lo = r - r^2/2 exactly enough: r split at 2^27 so that rhi^2 is exact.
    const __m256d b0 = splat_bits(kLogB[0]);
    const __m256d u = _mm256_fmadd_pd(r, splat(kTwoTo27), r);
    const __m256d rhi = _mm256_fnmadd_pd(splat(kTwoTo27), r, u);
    const __m256d rhi2 = _mm256_mul_pd(rhi, rhi);
    const __m256d rlo = _mm256_sub_pd(r, rhi);
    const __m256d hi = _mm256_fmadd_pd(rhi2, b0, r);
    const __m256d r_minus_hi = _mm256_sub_pd(r, hi);
    const __m256d r_plus_rhi = _mm256_add_pd(r, rhi);
    __m256d lo = _mm256_fmadd_pd(rhi2, b0, r_minus_hi);
    lo = _mm256_fmadd_pd(_mm256_mul_pd(b0, rlo), r_plus_rhi, lo);
    const __m256d y = _mm256_fmadd_pd(poly, r3, lo);
    __m256d near = _mm256_add_pd(hi, y);
    // log(1) is +0 in the library whatever the rounding of the polynomial.
    near = _mm256_blendv_pd(near, _mm256_setzero_pd(), _mm256_cmp_pd(x, splat(1.0), _CMP_EQ_OQ));
    result = _mm256_blendv_pd(result, near, _mm256_castsi256_pd(near_one));
  }

  const int special = _mm256_movemask_pd(_mm256_castsi256_pd(outside)) & wanted & ~near_mask;
  if (special == 0) return result;
  return by_library(result, x, special, [](double a) { return std::log(a); });
}

}  // namespace velmor::libm

#endif

namespace velmor::libm {

// True where exp_lanes and log_lanes can be used: an x86-64 processor with AVX2 and FMA whose C
// library rounds as the lanes do, checked once per process on arguments across both functions'
// paths. False elsewhere; the callers then evaluate one value at a time.
bool libm_lanes_usable();

}  // namespace velmor::libm
