// SPDX-License-Identifier: MIT

#include "engine/model/model_rows.h"

#include <algorithm>
#include <array>
#include <limits>

#include "engine/model/kinetic_models.h"
#include "engine/model/lambert_w_constants.h"
#include "engine/model/libm_lanes.h"

namespace velmor {
namespace {

constexpr int kLanes = 4;

void slope_one(ModelId model, std::span<const double> x1, std::span<const double> x2,
               const ParamVector& p, const ModelSlopes& out, std::size_t i) {
  const ModelSlope s = model_with_derivatives(model, x1[i], x2[i], p);
  out.value[i] = s.value;
  out.d_km[i] = s.d[0];
  out.d_vm[i] = s.d[1];
  if (!out.d_third.empty()) out.d_third[i] = s.d[2];
}

#if VELMOR_HAVE_LANES
using libm::exp_lanes;
using libm::log_lanes;
using libm::detail::splat;

using namespace lambert_w_constants;

// Mask of the lanes whose bit is set in `lanes` (bits 0..3), as a vector for blends.
VELMOR_LANES_TARGET __m256d lane_mask(int lanes) {
  return _mm256_castsi256_pd(_mm256_set_epi64x(-((lanes >> 3) & 1), -((lanes >> 2) & 1),
                                               -((lanes >> 1) & 1), -(lanes & 1)));
}

// lambert_w_of_log of four logarithms L >= 2 (finite), lane for lane: Newton's method on
// w + ln w = L from w = L - ln L.
VELMOR_LANES_TARGET __m256d w_of_log_lanes(__m256d log_z, int lanes) {
  const __m256d one = splat(1.0);
  const __m256d sign = splat(-0.0);
  __m256d w = _mm256_sub_pd(log_z, log_lanes(log_z, lanes));
  int active = lanes;
  for (int k = 0; k < kLogSolverSteps && active != 0; ++k) {
    const __m256d next = _mm256_div_pd(
        _mm256_mul_pd(w, _mm256_sub_pd(_mm256_add_pd(one, log_z), log_lanes(w, active))),
        _mm256_add_pd(one, w));
    const __m256d done = _mm256_cmp_pd(_mm256_andnot_pd(sign, _mm256_sub_pd(next, w)),
                                       _mm256_mul_pd(splat(kLogSolverTolerance), next), _CMP_LE_OQ);
    w = _mm256_blendv_pd(w, next, lane_mask(active));
    active &= ~_mm256_movemask_pd(done);
  }
  return w;
}

// omegw of B blocks of four arguments, lane for lane the operations of omegw: the start w0,
// clamped at 65, and at most ten Halley corrections. The blocks go through each step together,
// so that the processor can overlap their chains of dependent operations. Lanes whose finite
// argument is so large that omegw hands it to lambert_w_of_log(ln x) get their bit in `huge`,
// lanes that need omegw's test after the tenth correction theirs in `elsewhere`; the values of
// both are unspecified.
template <int B>
VELMOR_LANES_TARGET void omegw_lanes(const __m256d (&x)[B], __m256d (&w)[B], int (&huge)[B],
                                     int (&elsewhere)[B]) {
  const __m256d zero = _mm256_setzero_pd();
  const __m256d one = splat(1.0);
  __m256d xp[B], tol[B], ew[B];
  int active[B];
  int any = 0;
  for (int b = 0; b < B; ++b) {
    xp[b] = _mm256_max_pd(x[b], zero);  // a NaN or a negative x becomes +0, as in omegw
    tol[b] = _mm256_mul_pd(splat(kResidualTol), xp[b]);
    // An infinite argument (an overflowed z, which the caller takes to ln z) needs no start.
    const __m256d finite =
        _mm256_cmp_pd(xp[b], splat(std::numeric_limits<double>::infinity()), _CMP_LT_OQ);
    const int finite_lanes = _mm256_movemask_pd(finite);
    const __m256d l1 = log_lanes(_mm256_add_pd(one, xp[b]), finite_lanes);
    const __m256d l2 = log_lanes(_mm256_add_pd(one, l1), finite_lanes);
    const __m256d numerator =
        _mm256_mul_pd(xp[b], _mm256_add_pd(splat(8.0), _mm256_mul_pd(splat(0.5), xp[b])));
    const __m256d denominator = _mm256_add_pd(
        _mm256_add_pd(splat(8.0), _mm256_mul_pd(splat(12.0), xp[b])), _mm256_mul_pd(xp[b], xp[b]));
    const __m256d w0 = _mm256_add_pd(_mm256_sub_pd(l1, l2), _mm256_div_pd(numerator, denominator));

    huge[b] = _mm256_movemask_pd(
        _mm256_and_pd(finite, _mm256_cmp_pd(w0, splat(kUnreachableStart), _CMP_NLE_UQ)));
    // w0 > 0 for every xp > 0; xp = 0 starts at w = ln(1 + 0) + 0 = +0, which is W(0) at once.
    const __m256d started = _mm256_cmp_pd(w0, zero, _CMP_GT_OQ);
    const __m256d clamped = _mm256_cmp_pd(w0, splat(kStartClamp), _CMP_GT_OQ);
    active[b] = _mm256_movemask_pd(started) & ~huge[b];
    elsewhere[b] = 0;
    w[b] = _mm256_blendv_pd(_mm256_and_pd(w0, started), splat(kStartClamp), clamped);
    ew[b] = _mm256_blendv_pd(exp_lanes(w[b], active[b] & ~_mm256_movemask_pd(clamped)),
                             splat(kExpStartClamp), clamped);
    any |= active[b];
  }
  if (any == 0) return;

  const __m256d sign = splat(-0.0);
  for (int correction = 1;; ++correction) {
    any = 0;
    __m256d f[B];
    for (int b = 0; b < B; ++b) {
      f[b] = _mm256_sub_pd(_mm256_mul_pd(w[b], ew[b]), xp[b]);
      // Converged when !(|f| - tol > 1e-7): a NaN residual counts as converged.
      const __m256d converged = _mm256_cmp_pd(_mm256_sub_pd(_mm256_andnot_pd(sign, f[b]), tol[b]),
                                              splat(kResidualTol), _CMP_NGT_UQ);
      active[b] &= ~_mm256_movemask_pd(converged);
      any |= active[b];
    }
    if (any == 0) return;
    for (int b = 0; b < B; ++b) {
      if (active[b] == 0) continue;
      const __m256d w1 = _mm256_add_pd(w[b], one);
      const __m256d halley =
          _mm256_sub_pd(_mm256_mul_pd(ew[b], w1),
                        _mm256_div_pd(_mm256_mul_pd(_mm256_add_pd(w[b], splat(2.0)), f[b]),
                                      _mm256_mul_pd(splat(2.0), w1)));
      w[b] = _mm256_blendv_pd(w[b], _mm256_sub_pd(w[b], _mm256_div_pd(f[b], halley)),
                              lane_mask(active[b]));
    }
    if (correction == kMaxCorrections) {
      // The tenth iterate needs omegw's own final test (and perhaps its logarithmic solver).
      for (int b = 0; b < B; ++b) elsewhere[b] |= active[b];
      return;
    }
    for (int b = 0; b < B; ++b) {
      if (active[b] != 0) {
        ew[b] = _mm256_blendv_pd(ew[b], exp_lanes(w[b], active[b]), lane_mask(active[b]));
      }
    }
  }
}

// W of the models (model_w's operations) at B blocks of four rows from row `first` on, with so
// and t the rows' [So] and times; lanes whose W must come from the scalar routines get their
// bit in `scalar`.
template <int B>
VELMOR_LANES_TARGET void w_blocks(std::span<const double> x1, std::span<const double> x2,
                                  __m256d km, __m256d vm, std::size_t first, __m256d (&t)[B],
                                  __m256d (&so)[B], __m256d (&w)[B], int (&scalar)[B]) {
  const __m256d inf = splat(std::numeric_limits<double>::infinity());
  __m256d d[B], z[B];
  int huge[B];
  for (int b = 0; b < B; ++b) {
    const std::size_t i = first + kLanes * b;
    t[b] = _mm256_loadu_pd(&x1[i]);
    so[b] = _mm256_loadu_pd(&x2[i]);
    d[b] = _mm256_sub_pd(so[b], _mm256_mul_pd(vm, t[b]));
    const __m256d e = exp_lanes(_mm256_div_pd(d[b], km));
    z[b] = _mm256_mul_pd(e, _mm256_div_pd(so[b], km));
  }
  omegw_lanes<B>(z, w, huge, scalar);
  for (int b = 0; b < B; ++b) {
    // W from ln z where z overflowed (func) or is beyond omegw's iteration (omegw).
    const int overflowed = _mm256_movemask_pd(_mm256_cmp_pd(z[b], inf, _CMP_EQ_OQ));
    const int by_log = huge[b] | overflowed;
    if (by_log == 0) continue;
    const __m256d log_z = _mm256_blendv_pd(
        log_lanes(z[b], huge[b]),
        _mm256_add_pd(_mm256_div_pd(d[b], km), log_lanes(_mm256_div_pd(so[b], km), overflowed)),
        lane_mask(overflowed));
    // Finite logarithms of at least 2 take the Newton solver; the rest are left to func.
    const int solvable = by_log & _mm256_movemask_pd(_mm256_and_pd(
                                      _mm256_cmp_pd(log_z, splat(kSmallLog), _CMP_GE_OQ),
                                      _mm256_cmp_pd(log_z, inf, _CMP_LT_OQ)));
    w[b] = _mm256_blendv_pd(w[b], w_of_log_lanes(log_z, solvable), lane_mask(solvable));
    scalar[b] = (scalar[b] & ~by_log) | (by_log & ~solvable);
  }
}

// W (model_w) at B blocks of four rows from row `first` on.
template <int B>
VELMOR_LANES_TARGET void w_of_blocks(std::span<const double> x1, std::span<const double> x2,
                                     double km, double vm, std::span<double> ws,
                                     std::size_t first) {
  __m256d t[B], so[B], w[B];
  int scalar[B];
  w_blocks<B>(x1, x2, splat(km), splat(vm), first, t, so, w, scalar);
  for (int b = 0; b < B; ++b) {
    const std::size_t i = first + kLanes * b;
    _mm256_storeu_pd(&ws[i], w[b]);
    for (int lane = 0; lane < kLanes; ++lane) {
      if (scalar[b] & (1 << lane)) ws[i + lane] = model_w(x1[i + lane], x2[i + lane], km, vm);
    }
  }
}

// model_with_derivatives at one block of four rows from row `first` on: W polished by Newton's
// method on w + ln w = ln z, then the value and the slopes in Km and Vm.
VELMOR_LANES_TARGET void slope_block(ModelId model, std::span<const double> x1,
                                     std::span<const double> x2, const ParamVector& p,
                                     const ModelSlopes& out, std::size_t first) {
  const __m256d km = splat(p[0]);
  const __m256d vm = splat(p[1]);
  const __m256d zero = _mm256_setzero_pd();
  const __m256d one = splat(1.0);
  const __m256d inf = splat(std::numeric_limits<double>::infinity());
  __m256d t[1], so[1], wb[1];
  int scalar[1];
  w_blocks<1>(x1, x2, km, vm, first, t, so, wb, scalar);
  __m256d w = wb[0];

  int active = _mm256_movemask_pd(
      _mm256_and_pd(_mm256_cmp_pd(w, zero, _CMP_GT_OQ), _mm256_cmp_pd(w, inf, _CMP_LT_OQ)));
  if (active != 0) {
    const __m256d log_z =
        _mm256_add_pd(log_lanes(_mm256_div_pd(so[0], km), active),
                      _mm256_div_pd(_mm256_sub_pd(so[0], _mm256_mul_pd(vm, t[0])), km));
    for (int k = 0; k < kPolishSteps && active != 0; ++k) {
      const __m256d next = _mm256_div_pd(
          _mm256_mul_pd(w, _mm256_sub_pd(_mm256_add_pd(one, log_z), log_lanes(w, active))),
          _mm256_add_pd(one, w));
      active &= _mm256_movemask_pd(_mm256_cmp_pd(next, zero, _CMP_GT_OQ));
      const __m256d done =
          _mm256_cmp_pd(_mm256_andnot_pd(splat(-0.0), _mm256_sub_pd(next, w)),
                        _mm256_mul_pd(splat(kLogSolverTolerance), next), _CMP_LE_OQ);
      w = _mm256_blendv_pd(w, next, lane_mask(active));
      active &= ~_mm256_movemask_pd(done);
    }
  }

  const bool baseline = model_has_baseline(model);
  const __m256d kmw = _mm256_mul_pd(w, km);
  const __m256d value =
      _mm256_add_pd(model_observes_product(model) ? _mm256_sub_pd(so[0], kmw) : kmw,
                    splat(baseline ? p[2] : 0.0));
  const __m256d share = _mm256_div_pd(w, _mm256_add_pd(one, w));
  const __m256d positive = _mm256_cmp_pd(w, zero, _CMP_GT_OQ);
  const __m256d ds_dkm = _mm256_and_pd(
      positive, _mm256_mul_pd(share, log_lanes(_mm256_div_pd(so[0], _mm256_mul_pd(km, w)),
                                               _mm256_movemask_pd(positive))));
  const __m256d ds_dvm = _mm256_mul_pd(_mm256_xor_pd(t[0], splat(-0.0)), share);
  const __m256d sign = splat(model_observes_product(model) ? -1.0 : 1.0);
  _mm256_storeu_pd(&out.value[first], value);
  _mm256_storeu_pd(&out.d_km[first], _mm256_mul_pd(sign, ds_dkm));
  _mm256_storeu_pd(&out.d_vm[first], _mm256_mul_pd(sign, ds_dvm));
  for (int lane = 0; lane < kLanes; ++lane) {
    if (scalar[0] & (1 << lane)) slope_one(model, x1, x2, p, out, first + lane);
  }
}

// The last rows (fewer than four) of x1 and x2 from row `first` on, padded to a block of four by
// repeating the last of them, handed to evaluate(t, so, rows) with the number of real rows.
template <typename Evaluate>
void padded_tail(std::span<const double> x1, std::span<const double> x2, std::size_t first,
                 std::size_t n, Evaluate&& evaluate) {
  std::array<double, kLanes> t{}, so{};
  for (std::size_t k = 0; k < kLanes; ++k) {
    const std::size_t i = std::min(first + k, n - 1);
    t[k] = x1[i];
    so[k] = x2[i];
  }
  evaluate(std::span<const double>(t), std::span<const double>(so), n - first);
}

// Two blocks at a time while there are eight rows, then one, then the last rows in a padded
// block.
VELMOR_LANES_TARGET void ws_in_lanes(std::span<const double> x1, std::span<const double> x2,
                                     double km, double vm, std::span<double> ws) {
  const std::size_t n = ws.size();
  std::size_t i = 0;
  for (; i + 2 * kLanes <= n; i += 2 * kLanes) w_of_blocks<2>(x1, x2, km, vm, ws, i);
  for (; i + kLanes <= n; i += kLanes) w_of_blocks<1>(x1, x2, km, vm, ws, i);
  if (i == n) return;
  padded_tail(x1, x2, i, n,
              [&](std::span<const double> t, std::span<const double> so, std::size_t rows) {
                std::array<double, kLanes> out{};
                w_of_blocks<1>(t, so, km, vm, out, 0);
                std::copy_n(out.begin(), rows, ws.begin() + static_cast<std::ptrdiff_t>(i));
              });
}

VELMOR_LANES_TARGET void slopes_in_lanes(ModelId model, std::span<const double> x1,
                                         std::span<const double> x2, const ParamVector& p,
                                         const ModelSlopes& out) {
  const std::size_t n = out.value.size();
  std::size_t i = 0;
  for (; i + kLanes <= n; i += kLanes) slope_block(model, x1, x2, p, out, i);
  if (i == n) return;
  padded_tail(x1, x2, i, n,
              [&](std::span<const double> t, std::span<const double> so, std::size_t rows) {
                std::array<double, kLanes> value{}, d_km{}, d_vm{};
                slope_block(model, t, so, p, {value, d_km, d_vm}, 0);
                const auto at = static_cast<std::ptrdiff_t>(i);
                std::copy_n(value.begin(), rows, out.value.begin() + at);
                std::copy_n(d_km.begin(), rows, out.d_km.begin() + at);
                std::copy_n(d_vm.begin(), rows, out.d_vm.begin() + at);
              });
}
#endif

}  // namespace

void model_ws(std::span<const double> x1, std::span<const double> x2, double km, double vm,
              std::span<double> ws) {
#if VELMOR_HAVE_LANES
  if (libm::libm_lanes_usable()) {
    ws_in_lanes(x1, x2, km, vm, ws);
    return;
  }
#endif
  for (std::size_t i = 0; i < ws.size(); ++i) ws[i] = model_w(x1[i], x2[i], km, vm);
}

void model_values(ModelId model, std::span<const double> x1, std::span<const double> x2,
                  const ParamVector& p, std::span<double> values) {
  if (!model_is_defined(model)) {
    std::fill(values.begin(), values.end(), std::numeric_limits<double>::quiet_NaN());
    return;
  }
  if (!model_shares_w(model)) {
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = func(model, x1[i], x2[i], 0.0, p);
    return;
  }
  model_ws(x1, x2, p[0], p[1], values);
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = value_from_w(model, x2[i], values[i], p);
  }
}

void model_slopes(ModelId model, std::span<const double> x1, std::span<const double> x2,
                  const ParamVector& p, const ModelSlopes& out) {
#if VELMOR_HAVE_LANES
  if (model_shares_w(model) && libm::libm_lanes_usable()) {
    slopes_in_lanes(model, x1, x2, p, out);
    if (!out.d_third.empty()) {
      std::fill(out.d_third.begin(),
                out.d_third.begin() + static_cast<std::ptrdiff_t>(out.value.size()),
                model_has_baseline(model) ? 1.0 : 0.0);
    }
    return;
  }
#endif
  for (std::size_t i = 0; i < out.value.size(); ++i) slope_one(model, x1, x2, p, out, i);
}

void squared_residuals(ModelId model, const ProgressCurveData& data, int first, int last,
                       const ParamVector& p, std::span<double> squares) {
  const std::size_t count = static_cast<std::size_t>(std::max(last - first, 0));
  std::span<double> out = squares.first(count);
  model_values(model, std::span<const double>(data.X1).subspan(first, count),
               std::span<const double>(data.X2).subspan(first, count), p, out);
  for (std::size_t k = 0; k < count; ++k) {
    const double r = data.Y[first + k] - out[k];
    out[k] = r * r;
  }
}

}  // namespace velmor
