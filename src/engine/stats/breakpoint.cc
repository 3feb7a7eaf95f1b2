// SPDX-License-Identifier: MIT

#include "engine/stats/breakpoint.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/model_catalog.h"
#include "engine/stats/break_search.h"
#include "engine/stats/varmet.h"
#include "util/fitting_field.h"
#include "util/number_text.h"

namespace velmor {

namespace {

constexpr int kBentLineParams = 5;
constexpr int kSimplexIterations = 500;
constexpr double kStartCurvature = 10.0;  // b5 after the broken-line simplex
constexpr double kWorseFit = 1.3;         // golden fit may be at most 30 % worse than the simplex
// Single-precision factors of the level and position tests.
constexpr double kProductLevel = static_cast<double>(0.7f);
constexpr double kSubstrateLevel = static_cast<double>(0.3f);
constexpr double kLastBend = static_cast<double>(1.5f);
constexpr double kSmallestCurvature = 0.5;
constexpr double kSmallestLevel = 1e-6;
// Rows from which the curves are shared with a helper thread.
constexpr int kHelperRows = 256;

// Widest number field of a text: the range text "[lo to hi]" has room for two of 12 columns
// within its 30 characters. Numbers that F8.3 and F6.1 show fully print the same in these wider
// fields, since the texts are trimmed.
constexpr int kNumberWidth = 12;

// The bent line with its numbers in user units: b1 is a level (concentration), b2 and b3
// slopes (concentration per time), b4 and b5 times.
BentLine in_user_units(const BentLine& b, const DataScale& scale) {
  return {scale.to_user(b[0], 1, 0), scale.to_user(b[1], 1, -1), scale.to_user(b[2], 1, -1),
          scale.to_user(b[3], 0, 1), scale.to_user(b[4], 0, 1)};
}

// The largest of the values, but never below 0 (0 for none): the level and position tests
// compare with a bound that is not negative. A NaN first value, which std::max_element keeps,
// stays NaN.
double largest_or_zero(const std::vector<double>& values) {
  if (values.empty()) return 0.0;
  return std::max(*std::max_element(values.begin(), values.end()), 0.0);
}

std::string fixed_length(std::string text) {
  text.resize(kBreakpointTextLength, ' ');
  return text;
}

// The numbers of one text, with `decimals` decimals, or in exponent form when that would not
// show them (see util::fitting_descriptor); left-justified and trimmed.
std::vector<std::string> number_texts(std::initializer_list<double> values, int decimals) {
  const std::string field = util::fitting_descriptor(values, kNumberWidth, decimals);
  std::vector<std::string> texts;
  for (const double v : values) texts.push_back(util::write_dr(v, field));
  return texts;
}

}  // namespace

BendFit fit_bend(const BentLineCurve& curve, double p1) {
  BendFit fit;
  // 1-based point m/4; for m < 4 that would be before the first point, so the first time is
  // used instead.
  const int start_point = std::max(curve.m / 4, 1);
  fit.b = {p1, 1.0, 1.0, curve.xs[start_point - 1], 1.0};

  smplx_break(4, fit.b, fit.f1, curve, kSimplexIterations);

  fit.b[4] = kStartCurvature;
  fit.f2 = fit.f1;
  golden_cd_search(kBentLineParams, fit.b, fit.f2, curve);
  golden_d_search(kBentLineParams, fit.b, fit.f2, curve);

  std::array<double, packed_size(kBentLineParams)> h;
  h.fill(1.0);
  double f3 = 0.0;
  int code = 1;
  varmet_break_point(kBentLineParams, fit.b, f3, curve, h, 1, 10, code);
  code = 1;
  varmet_break_point(kBentLineParams, fit.b, f3, curve, h, 3, 30, code);
  return fit;
}

bool bend_is_plausible(const BendFit& fit, double s, double ymax, double xmax) {
  const BentLine& b = fit.b;
  if (!std::isfinite(b[0]) || !std::isfinite(b[3]) || !std::isfinite(b[4])) return false;
  if (fit.f2 > kWorseFit * fit.f1) return false;
  if (s < 0.0 && std::fabs(b[0]) < kProductLevel * ymax) return false;
  if (s > 0.0 && std::fabs(b[0]) > kSubstrateLevel * ymax) return false;
  if (b[4] < kSmallestCurvature) return false;
  if (b[3] < 0.0) return false;
  if (kLastBend * b[3] > xmax) return false;
  if (std::fabs(b[0]) < kSmallestLevel) return false;
  return true;
}

double suggested_range_start(const BentLine& b) {
  return b[3] / 2.5;
}

double suggested_range_end(const BentLine& b) {
  return suggested_range_start(b) * 4.75;
}

void write_bend_texts(const BentLine& b, double s, std::string& inflection, std::string& curvature,
                      std::string& range) {
  const double level = s < 0.0 ? std::fabs(b[0]) : b[0];
  const double lo = suggested_range_start(b);
  const double hi = suggested_range_end(b);
  // The bend's time and level are different quantities; the range's two times go together.
  inflection =
      fixed_length("[" + number_texts({b[3]}, 3)[0] + ", " + number_texts({level}, 3)[0] + "]");
  curvature = fixed_length(number_texts({b[4]}, 1)[0]);
  const std::vector<std::string> times = number_texts({lo, hi}, 3);
  range = fixed_length("[" + times[0] + " to " + times[1] + "]");
}

void breakpoint(const ProgressCurveData& data, ModelId model, const ParamVector& p,
                BreakpointTexts& texts, const DataScale& scale, bool helper_thread) {
  const std::string blank(kBreakpointTextLength, ' ');
  texts.inflection.fill(blank);
  texts.curvature.fill(blank);
  texts.range.fill(blank);
  texts.range_from = BreakpointTexts::not_available();
  texts.range_to = BreakpointTexts::not_available();
  const double s = model_observes_product(model) ? -1.0 : 1.0;
  const int curves = std::min(data.nCurves, kMaxCurves);
  std::array<int, kMaxCurves + 1> first_row{};
  for (int c = 0; c < curves; ++c) {
    first_row[c + 1] =
        first_row[c] + std::clamp(data.curveCount[c], 0, std::max(data.nRows - first_row[c], 0));
  }

  const auto analyse = [&](int c) {
    const int m = first_row[c + 1] - first_row[c];
    BentLineCurve curve;
    curve.resize_points(m);
    curve.s = s;
    for (int i = 0; i < m; ++i) {
      curve.xs[i] = data.X1[first_row[c] + i];
      curve.ys[i] = data.Y[first_row[c] + i];
    }

    const double ymax = largest_or_zero(curve.ys);
    const double xmax = largest_or_zero(curve.xs);
    if (m > 0) {
      const BendFit fit = fit_bend(curve, p[0]);
      if (bend_is_plausible(fit, s, ymax, xmax)) {
        const BentLine b = in_user_units(fit.b, scale);
        write_bend_texts(b, s, texts.inflection[c], texts.curvature[c], texts.range[c]);
        texts.range_from[c] = suggested_range_start(b);
        texts.range_to[c] = suggested_range_end(b);
        return;
      }
    }
    texts.inflection[c] = fixed_length("[N/A, N/A]");
    texts.curvature[c] = fixed_length("N/A");
    texts.range[c] = fixed_length("[N/A to N/A]");
  };

  // The curves are analysed independently, each into its own texts: a helper thread takes
  // curves as well, in whatever order, and the texts are the same. Starting it costs about as
  // much as a few short curves take.
  std::atomic<int> next{0};
  const auto take_curves = [&] {
    for (int c = next.fetch_add(1); c < curves; c = next.fetch_add(1)) analyse(c);
  };
  if (helper_thread && curves >= 2 && first_row[curves] >= kHelperRows) {
    const std::jthread helper(take_curves);
    take_curves();
  } else {
    take_curves();
  }
}

}  // namespace velmor
