// SPDX-License-Identifier: MIT

#include "engine/model/robust_weights.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

namespace velmor {
namespace {

constexpr int kLastBin = 1000;  // bins 0..1000
constexpr double kBinsPerTwoSd = 1000.0;

// The sine weight function's two constants are single precision.
constexpr double kTuning = static_cast<double>(4.659f);       // K = 4.658999919891357
constexpr double kScaleFactor = static_cast<double>(1.483f);  // C = 1.4830000400543213
constexpr double kScaledTuning = 6.909297067811963;           // K * C: multiplies the spread
constexpr double kPsiAtTuning = 0.0894546282935481;           // psi(K), added to B for far outliers
// The first zero of the sine, |u| = pi / K: beyond it a row is an outlier.
constexpr double kFirstZero = 3.141592653589793 / kTuning;
constexpr double kTinyU = 1e-8;
constexpr double kOutlierWeight = 1e-8;
constexpr double kMinSpread = 1e-15;
constexpr double kMaxSpread = 1e15;
constexpr double kUnitWeightSpread = 1e-8;
constexpr double kLocationTol = 1e-8;
constexpr int kMaxLocationPasses = 11;  // M(0) .. M(10)
constexpr double kMinWeight = 1e-6;
constexpr double kMaxWeight = 1.0;

// psi(u) = C sin(K u) / u; its limit C K at u = 0 keeps an exact zero deviation from turning
// the location (and every weight after it) into NaN.
double psi(double u) {
  if (u == 0.0) return kScaledTuning;
  return kScaleFactor * std::sin(kTuning * u) / u;
}

// Above this magnitude the sum of squared deviations of up to 1000 values could overflow.
constexpr double kLargestUnscaled = 1e150;

// The binned median of values whose sum of squares is finite.
double binmedian_unscaled(std::span<const double> v) {
  const std::size_t n = v.size();
  double sum = 0.0;
  for (const double value : v) sum += value;
  const double mean = sum / static_cast<double>(n);
  double squares = 0.0;
  for (const double value : v) squares += (value - mean) * (value - mean);
  const double sd = std::sqrt(squares / static_cast<double>(n));
  const double scale = kBinsPerTwoSd / (2.0 * sd);
  const double left = mean - sd;
  const double right = mean + sd;

  std::array<int, kLastBin + 1> bins{};
  std::size_t below = 0;
  for (const double value : v) {
    if (value < left) {
      ++below;
    } else if (value < right) {
      const double position = (value - left) * scale;
      bins[std::min(static_cast<int>(position), kLastBin)] += 1;
    }
  }

  const std::size_t k = n % 2 == 1 ? (n + 1) / 2 : n / 2;
  std::size_t count = below;
  int b = -1;
  for (int bin = 0; bin <= kLastBin; ++bin) {
    count += static_cast<std::size_t>(bins[bin]);
    if (count >= k) {
      b = bin;
      break;
    }
  }
  if (b < 0) return mean;
  if (n % 2 == 1) return (b + 0.5) / scale + left;

  int b2 = b;
  if (count == k) {
    b2 = kLastBin;  // no later occupied bin: the upper middle value lies at or above mean + sd
    for (int bin = b + 1; bin <= kLastBin; ++bin) {
      if (bins[bin] > 0) {
        b2 = bin;
        break;
      }
    }
  }
  return (b + b2 + 1) / (2.0 * scale) + left;
}

}  // namespace

double binmedian(std::span<const double> v) {
  if (v.empty()) return 0.0;
  // An infinite sd would make every bin position 0 * inf = NaN, and casting that to a bin index
  // writes outside the table. The bins are invariant under scaling by a power of two, so huge
  // values are brought down by one, binned, and the median scaled back exactly.
  double largest = 0.0;
  for (const double value : v) {
    if (std::isfinite(value)) largest = std::max(largest, std::fabs(value));
  }
  if (largest <= kLargestUnscaled) return binmedian_unscaled(v);
  const int exponent = std::ilogb(largest);
  std::vector<double> scaled(v.begin(), v.end());
  for (double& value : scaled) value = std::ldexp(value, -exponent);
  return std::ldexp(binmedian_unscaled(scaled), exponent);
}

namespace {

// One weighting of the absolute residuals a: the binned median, the mean absolute deviation as
// the spread, the location passes, the clamp. Rows beyond the sine's first zero get the floor
// and are listed in `beyond`.
void weigh_once(std::span<const double> a, std::span<double> w, std::vector<std::size_t>& beyond) {
  const std::size_t n = a.size();
  beyond.clear();
  double m = binmedian(a);
  double deviation = 0.0;
  for (const double value : a) deviation += std::fabs(value - m);
  double s = deviation / static_cast<double>(n);

  if (std::isnan(s)) {
    s = 1.0;
  } else {
    s = std::clamp(s, kMinSpread, kMaxSpread);
    if (s <= kUnitWeightSpread) {
      std::fill(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(n), 1.0);
      return;
    }
  }

  const double cs = kScaledTuning * s;
  double previous = m;
  double last_m = m;  // the location the last pass weighted with
  for (int pass = 0; pass < kMaxLocationPasses; ++pass) {
    last_m = m;
    double sum_a = 0.0;
    double sum_b = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double d = a[i] - m;
      const double u = d / cs;
      if (std::fabs(u) < kTinyU) {
        w[i] = 1.0;
        sum_a += d;
        sum_b += psi(u);
      } else if (std::fabs(u) <= kTuning) {
        w[i] = psi(u);
        sum_a += d * w[i];
        sum_b += w[i];
      } else {
        w[i] = kOutlierWeight;
        sum_a += kOutlierWeight * d;
        sum_b += kPsiAtTuning;
      }
    }
    m = m + sum_a / sum_b;
    if (pass >= 1 && std::fabs(m - previous) <= kLocationTol) break;
    previous = m;
  }

  // The sine rises again after its first zero (psi reaches 0.87 near |u| = 1.7 and 0.49 near
  // 3.0), so an outlier two or three times as far out as a rejected one would count almost
  // fully again, and the fit without the outliers could never be a robust fit. Every row
  // beyond the first zero gets the floor weight; the location passes above are as they were.
  for (std::size_t i = 0; i < n; ++i) {
    const double u = (a[i] - last_m) / cs;
    if (std::fabs(u) > kFirstZero) {
      w[i] = kMinWeight;
      beyond.push_back(i);
    } else {
      w[i] = std::clamp(w[i], kMinWeight, kMaxWeight);
    }
  }
}

}  // namespace

void robust_wt(std::span<const double> r, std::span<double> w) {
  const std::size_t n = r.size();
  if (n == 0) return;

  // The spread is a mean, so gross outliers widen it and can hide lesser ones: three rows 40
  // noise widths out put the first zero near 16 widths, and a row 12 widths out keeps half its
  // weight. So once rows are rejected, the rest are weighed again on their own, until no
  // further row is rejected; the rejected keep the floor. Where no row is rejected the first
  // weighting stands, and a weighting that would set aside more than half the rows is not taken.
  std::vector<std::size_t> kept(n);
  std::iota(kept.begin(), kept.end(), std::size_t{0});
  std::vector<double> a(n);
  std::vector<double> kept_w(n);
  std::vector<std::size_t> beyond;
  for (bool first = true;; first = false) {
    a.resize(kept.size());
    kept_w.resize(kept.size());
    for (std::size_t k = 0; k < kept.size(); ++k) a[k] = std::fabs(r[kept[k]]);
    weigh_once(a, kept_w, beyond);
    const bool too_few = 2 * (kept.size() - beyond.size()) < n;
    if (too_few && !first) return;  // the last weighting that kept half the rows stands
    for (std::size_t k = 0; k < kept.size(); ++k) w[kept[k]] = kept_w[k];
    if (beyond.empty() || too_few) return;
    // beyond is ascending: drop those positions from kept.
    std::size_t next = 0;
    std::size_t out = 0;
    for (std::size_t k = 0; k < kept.size(); ++k) {
      if (next < beyond.size() && beyond[next] == k) {
        ++next;
      } else {
        kept[out++] = kept[k];
      }
    }
    kept.resize(out);
  }
}

}  // namespace velmor
