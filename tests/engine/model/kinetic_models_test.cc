// SPDX-License-Identifier: MIT
// Models, W and slopes against the reference model; row and lane evaluations bit for bit.
#include "engine/model/kinetic_models.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "engine/model/derivatives.h"
#include "engine/model/lambert_w.h"
#include "engine/model/libm_lanes.h"
#include "engine/model/model_rows.h"
#include "engine/model/row_evaluator.h"
#include "model_test_support.h"
#include "reference_model.h"

namespace velmor {
namespace {

using testing::data_in_state;
using testing::params;

// At t = 0 product models start at 0, substrate models at So (plus the baseline), also where
// (So/Km) e^(So/Km) overflows; along a curve the reference model's values; an exponent beyond the
// double range (t = 1.7e308, Vm < 0) gives an infinite value, not NaN.
TEST(KineticModels, FollowTheIntegratedRateLaw) {
  for (const ModelId model : {1, 2, 3, 4}) {
    const bool product = model <= 2;
    for (const double ratio : {0.5, 10.0, 65.0, 100.0, 1000.0}) {
      const ParamVector p = params({500.0 / ratio, 2.0, 0.25});
      EXPECT_NEAR(func(model, 0.0, 500.0, 123.0, p),
                  (product ? 0.0 : 500.0) + (model % 2 == 0) * 0.25, 1.1e-7 * p[0] + 1e-12 * 500.0)
          << model << " " << ratio;
    }
    for (const double t : {1.0, 20.0, 60.0, 150.0, 400.0}) {
      EXPECT_NEAR(func(model, t, 100.0, 0.0, params({40.0, 1.5, 0.3})),
                  testing::model_value(model, t, 100.0, {40.0, 1.5, 0.3}), 1e-5)
          << model << " " << t;
    }
    EXPECT_EQ(func(model, 1.7e308, 2e-6, 0.0, params({1e-6, -1e-5, 0.0})),
              product ? -HUGE_VAL : HUGE_VAL);
  }
}

TEST(KineticModels, NamesAndParameterCounts) {
  std::string name;
  for (const ModelId model : {0, 9}) {
    EXPECT_TRUE(std::isnan(func(model, 1.0, 50.0, 0.0, params({10.0, 1.0}))));
    EXPECT_EQ(npar(model, name, 25), 0);
    EXPECT_EQ(name, "0- MODEL NOT DEFINED!    ");
  }
  EXPECT_EQ(npar(1, name, 20), 2);
  EXPECT_EQ(name, "1- [Pt] vs time Mich");
}

// Worked values, then from 1e-12 to 1e307 within |w e^w - x| <= 1e-7 (1 + x), and to full
// precision where the clamped iteration cannot get there (W above about 81).
TEST(OmegaW, AccurateOverTheWholeRange) {
  EXPECT_EQ(omegw(0.0), 0.0);
  EXPECT_EQ(omegw(-3.0), 0.0);
  EXPECT_EQ(omegw(std::numeric_limits<double>::quiet_NaN()), 0.0);
  EXPECT_TRUE(std::isnan(omegw(HUGE_VAL)));  // travels through as NaN, as the callers expect
  EXPECT_NEAR(omegw(1.0), 0.5671432904097838, 1e-7);
  EXPECT_NEAR(omegw(std::exp(1.0)), 1.0, 1e-7);
  for (double e = -12.0; e <= 307.0; e += 0.125) {
    const double x = std::pow(10.0, e);
    const long double w = omegw(x), ref = testing::lambert_w(x);
    SCOPED_TRACE(x);
    EXPECT_LE(std::fabs(w - ref), 1.1e-7L);
    EXPECT_LE(std::fabs(w * std::exp(w) - x), 1e-7L * (1.0L + x));
    EXPECT_TRUE(ref <= 81.0L || std::fabs(w - ref) <= 1e-14L * ref);
  }
}

// The central-difference gradient of S, the Jacobian and the closed-form slopes against the
// reference model's analytic derivatives on examples/DATA.IN, Km also near 0.
TEST(ModelGradient, MatchesTheAnalyticDerivative) {
  const std::pair<ModelId, ParamVector> kCases[] = {
      {1, params({20.0, 0.5})},      {1, params({60.0, 0.4})},      {1, params({3e-6, 0.3})},
      {2, params({5e-6, 0.3, 0.5})}, {2, params({20.0, 0.5, 0.7})}, {3, params({5.0, 0.3})},
      {4, params({35.0, 0.45, 1.5})}};
  for (const auto& [model, p] : kCases) {
    SCOPED_TRACE(model * 1000 + p[0]);
    FitContext state = data_in_state(model);
    const ProgressCurveData& d = state.data;
    ParamVector g{};
    double f = 0.0;
    derivatives(state, g, f, p);
    std::vector<double> jac(d.nRows * state.npar);
    double ssr = 0.0;
    jacobian(state, d.nRows, state.npar, jac, ssr, p);
    EXPECT_EQ(ssr, f);  // the same sum, bit for bit
    EXPECT_EQ(f, objective_value(state, p));
    for (int j = 0; j < state.npar; ++j) {
      double analytic = 0.0;
      for (int i = 0; i < d.nRows; ++i) {
        const double y = func(state.imdlno, d.X1[i], d.X2[i], d.Y[i], p);
        const testing::ModelPoint m =
            testing::model_point(state.imdlno, d.X1[i], d.X2[i], {p[0], p[1], p[2]});
        const double dy = j == 0 ? m.d_km : j == 1 ? m.d_vm : m.d_bkg;
        analytic += -2.0 * (d.Y[i] - y) * dy;
        EXPECT_EQ(d.Ycalc[i], y);
        EXPECT_NEAR(jac[i + d.nRows * j], dy, 5e-4 * (1.0 + std::fabs(dy))) << i << " " << j;
        const ModelSlope closed = model_with_derivatives(state.imdlno, d.X1[i], d.X2[i], p);
        EXPECT_NEAR(closed.value, m.value, 1e-12 * d.X2[i]);
        EXPECT_NEAR(closed.d[j], dy, 1e-9 * (1.0 + std::fabs(dy))) << "row " << i;
      }
      EXPECT_NEAR(g[j], analytic, 5e-4 * (1.0 + std::fabs(analytic))) << "parameter " << j;
    }
    for (int j = state.npar; j < kMaxParams; ++j) EXPECT_EQ(g[j], 0.0);
  }
}

TEST(Derivatives, FlatAndHugeSlopesAreReportedByTheirBounds) {
  FitContext state = data_in_state(1);  // model 1 does not read a third parameter: slope 1.49e-8
  state.npar = 3;
  ParamVector g{};
  double f = 0.0;
  derivatives(state, g, f, params({20.0, 0.5, 4.0}));
  EXPECT_EQ(g[2], 1.49e-8);

  // Observations near 1e9: half-differences along Vm beyond 1/1.49e-8 are reported as that bound.
  state.npar = 2;
  for (int i = 0; i < state.data.nRows; ++i) state.data.Y[i] = 1e9;
  derivatives(state, g, f, params({20.0, 0.5}));
  EXPECT_EQ(g[1], -67114093.95973155);
  // A Jacobian buffer with room for fewer columns than parameters gets only the columns that fit.
  const int n = state.data.nRows;
  std::vector<double> buffer(3 * n, -7.0);
  jacobian(state, n, 3, std::span(buffer).first(2 * n), f, params({20.0, 0.5, 0.7}));
  EXPECT_NE(buffer[n], -7.0);
  for (int i = 2 * n; i < 3 * n; ++i) ASSERT_EQ(buffer[i], -7.0) << i;
}

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

// Random bit patterns, exp's range with its edges, log near 1; the lanes serve wherever written
// for (glibc 2.28+, AVX2 and FMA).
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
  for (std::size_t i = 0; i < x.size(); ++i) {
    ASSERT_TRUE(same_bits(e[i], std::exp(x[i]))) << "exp(" << std::hexfloat << x[i] << ")";
    ASSERT_TRUE(same_bits(l[i], std::log(x[i]))) << "log(" << std::hexfloat << x[i] << ")";
  }
#endif
}

// Parameters far below to far above the data's scale take omegw through every path; rows not a
// multiple of four end in a padded block.
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

// Evaluations as a fit makes them (Km and Vm repeated, sizes around the threshold, rows changed in
// place).
TEST(RowEvaluator, GivesTheSquaresOfOneRowAtATime) {
  ProgressCurveData data;
  data.resize_rows(kMaxRows);
  for (int i = 0; i < kMaxRows; ++i) {
    const int curve = i / 100;  // 100 rows to a curve
    data.X1[i] = 4.0 * (i % 100);
    data.X2[i] = 10.0 * (1 + curve);
    data.Y[i] = 0.01 * i;
  }
  std::array<double, kMaxRows> kept{}, alone{};
  RowEvaluator rows;
  for (int k = 0; k < 600; ++k) {
    if (k % 50 == 49) {
      for (int i = 0; i < kMaxRows; i += 7) data.X1[i] *= 1.01;
      data.X2[kMaxRows / 2] += 1.0;
    }
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
