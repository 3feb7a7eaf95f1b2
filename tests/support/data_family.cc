// SPDX-License-Identifier: MIT

#include "data_family.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <span>
#include <sstream>
#include <stdexcept>

#include "engine/core/file_units.h"
#include "engine/core/limits.h"
#include "engine/data/data_file.h"
#include "engine/data/read_data.h"
#include "recording_host.h"

namespace velmor::testing {
namespace {

// FNV-1a of the case name: every case draws its own noise, whatever the order of the family.
std::uint64_t name_seed(const std::string& name) {
  std::uint64_t h = 14695981039346656037ull;
  for (const unsigned char c : name) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::vector<double> evenly(double first, double step, int count) {
  std::vector<double> v;
  v.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) v.push_back(first + step * k);
  return v;
}

// Curve grouping, counts and limits of the data file for rows already in `data`.
void group_curves(ProgressCurveData& data) {
  const CurveGroups groups = ycurves(std::span<const double>(data.X2.data(), data.nRows));
  if (data.nRows < kMinRows || data.nRows > kMaxRows || groups.n_curves > kMaxCurves ||
      groups.smallest < kMinCurvePoints) {
    throw std::logic_error("generated data break the data file's limits");
  }
  data.nCols = kRequiredColumns;
  data.nCurves = groups.n_curves;
  data.curveCount = groups.counts;
}

CurveDesign basic_design(DataKind kind) {
  CurveDesign d;
  d.kind = kind;
  d.so = {10.0, 30.0, 90.0};
  d.times = evenly(0.0, 4.0, 11);
  return d;
}

std::string kind_suffix(DataKind kind) {
  return kind == DataKind::kProduct ? "_p" : "_s";
}

std::string factor_text(double f) {
  char buf[32];
  if (f < 1.0 && 1.0 / f < 1000.0 && std::fabs(1.0 / f - std::round(1.0 / f)) < 1e-9) {
    std::snprintf(buf, sizeof buf, "1/%g", std::round(1.0 / f));
  } else {
    std::snprintf(buf, sizeof buf, "%g", f);
  }
  return buf;
}

}  // namespace

std::uint64_t SplitMix64::next() {
  std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

double SplitMix64::uniform() {
  return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

double SplitMix64::normal() {
  const double u1 = 1.0 - uniform();  // (0, 1]: the logarithm stays finite
  const double u2 = uniform();
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

FamilyCase generate_case(const std::string& name, const CurveDesign& design) {
  const int model = design.kind == DataKind::kProduct ? 2 : 4;
  const ModelParams no_baseline{design.km, design.vm, 0.0};
  std::vector<double> t, so, signal;
  for (const double s : design.so) {
    for (int r = 0; r < design.replicates; ++r) {
      for (const double time : design.times) {
        t.push_back(time);
        so.push_back(s);
        const double t_model =
            design.lag > 0.0 ? time - design.lag * -std::expm1(-time / design.lag) : time;
        signal.push_back(model_value(model, t_model, s, no_baseline));
      }
    }
  }
  if (t.size() > static_cast<size_t>(kMaxRows)) {
    throw std::logic_error("generated data break the data file's limits");
  }
  double amplitude = 0.0;
  for (const double v : signal) amplitude = std::max(amplitude, std::fabs(v));

  FamilyCase c;
  c.name = name;
  c.kind = design.kind;
  c.truth = {design.km, design.vm, design.baseline_fraction * amplitude};
  c.noise_sd = design.relative_noise * amplitude;
  SplitMix64 rng(design.seed ^ name_seed(name));
  c.data.resize_rows(static_cast<int>(t.size()));
  for (int i = 0; i < c.data.nRows; ++i) {
    c.data.X1[i] = t[i];
    c.data.X2[i] = so[i];
    c.data.Y[i] = signal[i] + c.truth.bkg + c.noise_sd * rng.normal();
  }
  group_curves(c.data);
  return c;
}

std::vector<FamilyCase> generated_family() {
  // Each design is the basic one with the fields a lambda changes.
  using Change = void (*)(CurveDesign&);
  static const std::pair<const char*, Change> kDesigns[] = {
      {"basic", [](CurveDesign&) {}},
      {"first_order",  // So/Km <= 0.02
       [](CurveDesign& d) {
         d.km = 2000.0, d.vm = 100.0, d.so = {10.0, 20.0, 40.0}, d.times = evenly(0.0, 5.0, 13);
         d.relative_noise = 1e-3;
       }},
      {"zero_order",  // linear after a lag, far from depletion: the best Km is at its bound
       [](CurveDesign& d) {
         d.km = 1e-9, d.lag = 4.0, d.so = {100.0, 200.0}, d.times = evenly(0.0, 3.0, 13);
         d.relative_noise = 0.01;
       }},
      {"replicates",
       [](CurveDesign& d) {
         d.so = {20.0, 60.0}, d.times = evenly(0.0, 5.0, 9), d.replicates = 3;
         d.relative_noise = 0.03;
       }},
      {"five_points",
       [](CurveDesign& d) {
         d.so = {15.0, 60.0}, d.times = evenly(0.0, 10.0, 5);
       }},
      {"near_noiseless", [](CurveDesign& d) { d.relative_noise = 1e-5; }},
      {"noise_20pct", [](CurveDesign& d) { d.relative_noise = 0.2; }},
      {"baseline_5x", [](CurveDesign& d) { d.baseline_fraction = 5.0; }},
      {"ten_curves",  // [So] 1 .. 1000
       [](CurveDesign& d) {
         d.km = 50.0, d.vm = 5.0, d.times = evenly(0.0, 2.0, 16), d.so.clear();
         for (int j = 0; j < 10; ++j) d.so.push_back(std::pow(10.0, j / 3.0));
       }},
      {"log_times",  // 0.5 .. 128
       [](CurveDesign& d) {
         d.vm = 1.0, d.so = {20.0, 60.0}, d.times.clear();
         for (int j = 0; j <= 8; ++j) d.times.push_back(0.5 * std::pow(2.0, j));
       }},
      {"late_first_time",
       [](CurveDesign& d) {
         d.so = {30.0, 90.0}, d.times = evenly(20.0, 4.0, 11);
       }},
      {"falling_so",
       [](CurveDesign& d) {
         d.so = {90.0, 30.0, 10.0};
       }},
      {"large_values",
       [](CurveDesign& d) {
         d.km = 3e5, d.vm = 2e4, d.so = {2e5, 5e5, 1e6};
       }},
      {"molar",
       [](CurveDesign& d) {
         d.km = 7.5e-5, d.vm = 1e-5, d.so = {1e-5, 1e-4, 1e-3}, d.times = evenly(0.0, 5.0, 13);
       }},
      {"hours", [](CurveDesign& d) { d.vm = 12.0, d.times = evenly(0.0, 0.5, 13); }},
      {"milliseconds",
       [](CurveDesign& d) { d.vm = 2.0 / 60000.0, d.times = evenly(0.0, 20000.0, 16); }},
      {"single_curve",
       [](CurveDesign& d) {
         d.km = 4.0, d.vm = 50.0, d.so = {1.0}, d.times = evenly(0.0, 0.01, 8);
         d.relative_noise = 0.002;
       }},
  };
  std::vector<FamilyCase> family;
  for (const auto& [name, change] : kDesigns) {
    for (const DataKind kind : {DataKind::kProduct, DataKind::kSubstrate}) {
      CurveDesign d = basic_design(kind);
      change(d);
      family.push_back(generate_case(name + kind_suffix(kind), d));
    }
  }
  return family;
}

FamilyCase basic_substrate_case() {
  return generate_case("basic" + kind_suffix(DataKind::kSubstrate),
                       basic_design(DataKind::kSubstrate));
}

FamilyCase example_case(const std::string& example_path) {
  FamilyCase c;
  c.name = "example";
  c.kind = DataKind::kProduct;
  c.data = read_data_file(example_path);
  return c;
}

FamilyCase rescaled(const FamilyCase& original, double conc, double time) {
  FamilyCase c = original;
  c.name += "_c" + factor_text(conc) + "_t" + factor_text(time);
  c.truth = {original.truth.km * conc, original.truth.vm * conc / time, original.truth.bkg * conc};
  c.noise_sd *= conc;
  c.options.km_lower *= conc;
  c.options.vm_lower *= conc / time;
  for (int i = 0; i < c.data.nRows; ++i) {
    c.data.X1[i] *= time;
    c.data.X2[i] *= conc;
    c.data.Y[i] *= conc;
  }
  group_curves(c.data);
  return c;
}

std::vector<FamilyCase> unit_family(const FamilyCase& product, const FamilyCase& substrate) {
  std::vector<FamilyCase> family;
  for (const FamilyCase* base : {&product, &substrate}) {
    for (const double conc : {1e-9, 1e-6, 1e3, 1e6}) {
      for (const double time : {1.0 / 60.0, 1.0, 60.0, 3600.0}) {
        family.push_back(rescaled(*base, conc, time));
      }
    }
  }
  return family;
}

ReferenceOptions RobustCase::without_outliers() const {
  ReferenceOptions options = contaminated.options;
  options.include.assign(contaminated.data.nRows, true);
  for (const int row : outlier_rows) options.include[row] = false;
  return options;
}

std::vector<RobustCase> robust_family(int seeds) {
  static const std::vector<double> kSoByCurves[] = {{40.0}, {20.0, 60.0}, {10.0, 30.0, 90.0}};
  std::vector<RobustCase> family;
  for (const DataKind kind : {DataKind::kProduct, DataKind::kSubstrate}) {
    for (int curves = 1; curves <= 3; ++curves) {
      for (const bool two_sided : {false, true}) {
        for (int seed = 0; seed < seeds; ++seed) {
          CurveDesign d = basic_design(kind);
          d.so = kSoByCurves[curves - 1];
          d.times = evenly(0.0, 2.0, 25);
          d.seed = static_cast<std::uint64_t>(seed);
          const std::string name = "robust" + kind_suffix(kind) + "_c" + std::to_string(curves) +
                                   (two_sided ? "_two" : "_one") + "_" + std::to_string(seed);
          RobustCase rc;
          rc.contaminated = generate_case(name, d);
          rc.clean = rc.contaminated.data;
          rc.two_sided = two_sided;

          SplitMix64 rng(name_seed(name) + 1);
          const int n = rc.clean.nRows;
          const double fraction = 0.03 + 0.07 * rng.uniform();
          const int count = std::max(1, static_cast<int>(std::lround(fraction * n)));
          std::vector<int> rows(n);
          for (int i = 0; i < n; ++i) rows[i] = i;
          for (int k = 0; k < count; ++k) {  // partial Fisher-Yates
            const int pick = k + static_cast<int>(rng.uniform() * (n - k));
            std::swap(rows[k], rows[pick]);
          }
          rows.resize(count);
          std::sort(rows.begin(), rows.end());
          const double one_sign = rng.uniform() < 0.5 ? -1.0 : 1.0;
          std::vector<double> signs(count, one_sign);
          if (two_sided) {
            for (double& s : signs) s = rng.uniform() < 0.5 ? -1.0 : 1.0;
            if (count >= 2) signs[count - 1] = -signs[0];  // both signs present
          }
          for (int k = 0; k < count; ++k) {
            const double widths = 10.0 + 40.0 * rng.uniform();
            rc.contaminated.data.Y[rows[k]] += signs[k] * widths * rc.contaminated.noise_sd;
          }
          rc.outlier_rows = rows;
          family.push_back(std::move(rc));
        }
      }
    }
  }
  return family;
}

std::string data_file_text(const ProgressCurveData& data) {
  std::string text;
  char line[128];
  for (int i = 0; i < data.nRows; ++i) {
    std::snprintf(line, sizeof line, "%.17g\t%.17g\t%.17g\n", data.X1[i], data.X2[i], data.Y[i]);
    text += line;
  }
  return text;
}

void write_data_file(const std::string& path, const ProgressCurveData& data) {
  std::ofstream out(path, std::ios::binary);
  out << data_file_text(data);
  if (!out.good()) throw std::runtime_error("cannot write " + path);
}

ProgressCurveData read_data_file(const std::string& path) {
  RecordingHost host;
  FileUnits units;
  ProgressCurveData data;
  std::string report;
  std::ostringstream log;
  if (read_progress_curve_data(path, host, units, data, report, log) != kDataOk) {
    std::string why = "the data file was refused: " + path;
    for (const auto& m : host.messages) why += "\n" + m.text;
    throw std::runtime_error(why);
  }
  return data;
}

}  // namespace velmor::testing
