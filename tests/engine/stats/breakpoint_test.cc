// SPDX-License-Identifier: MIT

#include "engine/stats/breakpoint.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "engine/stats/bent_line.h"
#include "engine/stats/varmet.h"

namespace velmor {
namespace {

// A product curve (s = -1) of slope 1 that levels off at 10 around t = 10, t = 0..40.
constexpr BentLine kProductBend = {10.0, 0.5, 0.5, 10.0, 4.0};

BentLineCurve sampled(const BentLine& b, double s, int m, double dt) {
  BentLineCurve curve;
  curve.resize_points(m);
  curve.s = s;
  for (int i = 0; i < m; ++i) {
    curve.xs[i] = i * dt;
    curve.ys[i] = bent_line_value(b, s, curve.xs[i]);
  }
  return curve;
}

// Mode 1 improves b and leaves factors; from far away maxFn 7 ends the tenth run with code 4.
TEST(VarmetBreakPoint, ImprovesTheFitLeavesFactorsAndStopsAfterTenRuns) {
  const BentLineCurve curve = sampled(kProductBend, -1.0, 41, 1.0);
  const BentLine near = {9.0, 0.6, 0.4, 11.0, 3.0};
  BentLine b = near;
  // The factors stay within their n (n + 1) / 2 entries.
  std::array<double, packed_size(5) + 1> buffer;
  buffer.fill(1.0);
  buffer.back() = -7.0;
  const std::span<double> h(buffer.data(), packed_size(5));
  double f = 0.0;
  int code = 1;
  varmet_break_point(5, b, f, curve, h, 1, 10, code);
  EXPECT_LT(f, calc_func(5, near, curve));
  EXPECT_DOUBLE_EQ(f, calc_func(5, b, curve));
  for (int i : {0, 5, 9, 12, 14}) EXPECT_GT(h[i], 0.0) << "diagonal factor at " << i;
  BentLine far = {2.0, 0.1, 0.1, 25.0, 1.0};
  code = 1;
  varmet_break_point(5, far, f, curve, h, 1, 7, code);
  EXPECT_EQ(code, kVarmetRunLimit);
  EXPECT_EQ(buffer.back(), -7.0);
}

// Mode 2 factorises a packed symmetric matrix: it matches mode 3 given the factors L D L'.
TEST(VarmetBreakPoint, Mode2FactorisesThePackedMatrix) {
  const int n = 5;
  const double d[] = {2.0, 1.0, 3.0, 1.5, 1.0};
  const auto l = [](int i, int j) { return i == j ? 1.0 : i > j ? 0.1 * (i + j) - 0.2 : 0.0; };
  std::array<double, packed_size(n)> matrix{}, factors{};
  for (int i = 0, p = 0; i < n; ++i) {
    for (int j = i; j < n; ++j, ++p) {
      for (int k = 0; k <= i; ++k) matrix[p] += l(i, k) * d[k] * l(j, k);
      factors[p] = i == j ? d[i] : l(j, i);
    }
  }
  const BentLineCurve curve = sampled(kProductBend, -1.0, 41, 1.0);
  BentLine by_matrix = {9.0, 0.6, 0.4, 11.0, 3.0}, by_factors = by_matrix;
  double f2 = 0.0, f3 = 0.0;
  int code = 1;
  varmet_break_point(n, by_matrix, f2, curve, matrix, 2, 7, code);
  varmet_break_point(n, by_factors, f3, curve, factors, 3, 7, code);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(by_matrix[i], by_factors[i], 1e-9) << i;
  EXPECT_NEAR(f2, f3, 1e-12);
}

// ymax = 10, xmax = 40; the first failing test makes the curve's bend not available.
TEST(Plausibility, FirstFailingTestMakesTheCurveNotAvailable) {
  const struct {
    const char* what;
    BentLine b;
    double f2, s;
    bool reported;
  } kCases[] = {
      {"negative level counts by magnitude", {-9.0, 0.5, 0.5, 10.0, 4.0}, 1.0, -1.0, true},
      {"golden fit 30 % worse", {9.0, 0.5, 0.5, 10.0, 4.0}, 1.31, -1.0, false},
      {"product plateau far above the level", {6.9, 0, 0, 10, 4}, 1.0, -1.0, false},
      // 0.7f = 0.699999988: 6.9999999 passes, as it would not against a double 0.7.
      {"single-precision 0.7", {6.9999999, 0, 0, 10, 4}, 1.0, -1.0, true},
      {"substrate level above 0.3 ymax", {3.1, 0, 0, 10, 4}, 1.0, 1.0, false},
      {"b5 = 0.5 passes", {9.0, 0, 0, 10, 0.5}, 1.0, -1.0, true},
      {"b5 = 0.4999 fails", {9.0, 0, 0, 10, 0.4999}, 1.0, -1.0, false},
      {"bend before time 0", {9.0, 0, 0, -0.1, 4}, 1.0, -1.0, false},
      {"bend beyond two thirds of the last time", {9.0, 0, 0, 26.7, 4}, 1.0, -1.0, false},
      {"not a number", {9.0, 0, 0, std::nan(""), 4}, 1.0, -1.0, false}};
  for (const auto& c : kCases) {
    EXPECT_EQ(bend_is_plausible({c.b, 1.0, c.f2}, c.s, 10.0, 40.0), c.reported) << c.what;
  }
}

// Texts trimmed, padded to 30; exponent form where three decimals show < 3 digits.
TEST(BendTexts, NumbersAreLeftJustifiedTrimmedAndPaddedToThirty) {
  const struct {
    BentLine b;
    double s;
    const char *inflection, *curvature, *range;
  } kCases[] = {
      // clang-format off
      {{-3.2, 0.5, 0.5, 10.0, 12.34}, -1.0, "[10.000, 3.200]", "12.3", "[4.000 to 19.000]"},
      {{-3.2e-5, 0.5, 0.5, 10.0, 5.3}, -1.0, "[10.000, 0.3200E-04]", "0.5300E+01", "[4.000 to 19.000]"},
      {{-3.2e-5, 0.5, 0.5, 2.5e8, 12.34}, 1.0, "[0.2500E+09, -0.3200E-04]", "12.3",
       "[0.1000E+09 to 0.4750E+09]"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    std::string inflection, curvature, range;
    write_bend_texts(c.b, c.s, inflection, curvature, range);
    auto padded = [](std::string text) {
      text.resize(kBreakpointTextLength, ' ');
      return text;
    };
    EXPECT_EQ(inflection, padded(c.inflection));
    EXPECT_EQ(curvature, padded(c.curvature));
    EXPECT_EQ(range, padded(c.range));
  }
}

}  // namespace
}  // namespace velmor
