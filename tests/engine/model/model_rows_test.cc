// The model over many rows against func, and the exp and log lanes against the C library, bit
// for bit: every report depends on each rounding.
#include "engine/model/model_rows.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/model/kinetic_models.h"
#include "engine/model/libm_lanes.h"
#include "engine/model/row_evaluator.h"

namespace velmor {
namespace {

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
         (std::isnan(a) && std::isnan(b));
}

#if VELMOR_HAVE_LANES
// exp and log of four arguments at a time into the matching outputs.
VELMOR_LANES_TARGET void both_in_lanes(const std::vector<double>& x, std::vector<double>& e,
                                       std::vector<double>& l) {
  for (std::size_t i = 0; i + 4 <= x.size(); i += 4) {
    const __m256d v = _mm256_loadu_pd(&x[i]);
    _mm256_storeu_pd(&e[i], libm::exp_lanes(v));
    _mm256_storeu_pd(&l[i], libm::log_lanes(v));
  }
}
#endif

// Random bit patterns, exp's range with its edges (2^-54, 512, 1024, subnormal results), log near
// 1; the lanes serve wherever written for (glibc 2.28+, AVX2 and FMA).
TEST(LibmLanes, GiveTheLibrarysBitsOnEveryPath) {
#if VELMOR_HAVE_LANES && defined(__GLIBC__)
  __builtin_cpu_init();
  const bool written_for = (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28)) &&
                           __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  EXPECT_EQ(libm::libm_lanes_usable(), written_for);
#endif
  if (!libm::libm_lanes_usable()) GTEST_SKIP() << "no AVX2 and FMA, or another C library";
#if VELMOR_HAVE_LANES
  std::mt19937_64 bits(20240607);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> x;
  for (int k = 0; k < 100000; ++k) {
    const std::uint64_t b = bits();
    x.push_back(std::bit_cast<double>(b));
    x.push_back(-1100.0 + 2200.0 * unit(bits));
    x.push_back(1.0 + 0.25 * (unit(bits) - 0.5));
    x.push_back(std::exp(-700.0 + 1400.0 * unit(bits)));
    for (const std::uint64_t edge :
         {0x3c90000000000000ULL, 0x4080000000000000ULL, 0x4090000000000000ULL,
          0x3fee000000000000ULL, 0x3ff1090000000000ULL}) {
      const double near_edge = std::bit_cast<double>(edge + (b >> 48) - 32768);
      x.push_back(near_edge);
      x.push_back(-near_edge);
    }
    x.push_back(-745.0 - unit(bits));
  }
  std::vector<double> e(x.size()), l(x.size());
  both_in_lanes(x, e, l);
  int wrong = 0;
  for (std::size_t i = 0; i < x.size() && wrong < 5; ++i) {
    if (!same_bits(e[i], std::exp(x[i]))) {
      ++wrong;
      ADD_FAILURE() << "exp(" << std::hexfloat << x[i] << ")";
    }
    if (!same_bits(l[i], std::log(x[i]))) {
      ++wrong;
      ADD_FAILURE() << "log(" << std::hexfloat << x[i] << ")";
    }
  }
#endif
}

// Parameters far below to far above the data's scale take omegw through every path (z
// underflowing, the clamp, ln z, overflow), rows not a multiple of four end in a padded block:
// func's values and model_with_derivatives' slopes, bit for bit.
TEST(ModelValues, AreTheScalarRoutinesBitForBitOnEveryPath) {
  std::vector<double> t, so;
  for (const double s : {0.5, 5.0, 50.0, 84.0, 500.0}) {
    for (int k = 0; k < 9; ++k) {
      t.push_back(3.7 * k * k);
      so.push_back(s);
    }
  }
  t.insert(t.end(), {1e4, 1.7e308});  // the last overflows the exponent with a negative Vm
  so.insert(so.end(), {2.0, 2e-6});
  const std::size_t n = t.size();  // not a multiple of four
  std::vector<double> values(n), value(n), d_km(n), d_vm(n);
  for (ModelId model = 1; model <= kModelCount; ++model) {
    for (const double km : {1e-4, 0.03, 0.7, 1.0, 8.0, 90.0, 5e3}) {
      for (const double vm : {-1e-5, 1e-5, 0.02, 0.35, 4.0, 300.0}) {
        const ParamVector p{km, vm, 0.125};
        model_values(model, t, so, p, values);
        model_slopes(model, t, so, p, {value, d_km, d_vm});
        for (std::size_t i = 0; i < n; ++i) {
          SCOPED_TRACE(::testing::Message()
                       << "model " << model << " Km " << km << " Vm " << vm << " row " << i);
          ASSERT_TRUE(same_bits(values[i], func(model, t[i], so[i], 0.0, p)));
          const ModelSlope one = model_with_derivatives(model, t[i], so[i], p);
          ASSERT_TRUE(same_bits(value[i], one.value));
          ASSERT_TRUE(same_bits(d_km[i], one.d[0]));
          ASSERT_TRUE(same_bits(d_vm[i], one.d[1]));
        }
      }
    }
  }
}

// Evaluations as a fit makes them (Km and Vm repeated with other models, sizes around the
// threshold, rows changed in place): squared_residuals' squares bit for bit.
TEST(RowEvaluator, GivesTheSquaresOfOneRowAtATime) {
  ProgressCurveData data;
  data.nRows = kMaxRows;
  for (int i = 0; i < kMaxRows; ++i) {
    data.X1[i] = 4.0 * (i % 100);
    data.X2[i] = 10.0 * (1 + i / 100);
    data.Y[i] = 0.01 * i;
  }
  std::array<double, kMaxRows> kept{}, alone{};
  RowEvaluator rows;
  for (int k = 0; k < 600; ++k) {
    if (k % 50 == 49) {
      for (int i = 0; i < kMaxRows; i += 7) data.X1[i] *= 1.01;
      data.X2[kMaxRows / 2] += 1.0;
    }
    // Groups of six: a point, Vm moved, Km moved, the point and Vm again (W kept), both moved.
    const int group = k / 6;
    const int n = group % 2 == 0 ? kMaxRows : RowEvaluator::kParallelRows - 7 + (group * 37) % 400;
    const double km = 5.0 + 0.3 * group;
    const double vm = 0.2 + 0.01 * (group % 50);
    constexpr double kMoves[6][2] = {{1, 1}, {1, 1.1}, {1.1, 1}, {1, 1}, {1, 1.1}, {0.9, 1.1}};
    ParamVector p{};
    p[0] = km * kMoves[k % 6][0];
    p[1] = vm * kMoves[k % 6][1];
    p[2] = 0.1 * k;
    const ModelId model = 1 + k % kModelCount;
    rows.squared_residuals(model, data, n, p, kept);
    squared_residuals(model, data, 0, n, p, alone);
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(same_bits(kept[i], alone[i])) << "evaluation " << k << " row " << i;
    }
  }
}

}  // namespace
}  // namespace velmor
