// SPDX-License-Identifier: MIT
// fit_survey: runs the fitting engine on every case of the generated data family and compares
// each fit with the independent reference optimum. A diagnostic for mending the engine, not a
// test: it prints one line per case and model and a summary, and always exits 0.
//
//   fit_survey [--only TEXT] [--verbose] [--fast] [--robust [--seeds N]]
//
// Plain mode: the generated family, the example, the example and a substrate set rescaled in
// concentration and time, and the 1000-row benchmark set; unweighted fits. Columns: S at the
// engine's parameters, reference S, S / S_ref - 1, the engine's own S relative to the first; for
// Km, Vm (and the baseline) the error relative to the reference value and in reference standard
// errors; the standard error ratios engine / reference; the engine's last optimiser info; the
// verdict (ok, or which of S, p, se misses the acceptance rule of reference_fit.h; se is judged
// only where the reference is well determined); why the reference is not well determined. --verbose
// adds both parameter sets and standard errors.
//
// Fast mode (--fast): the same cases fitted by the classic chain and by the fast method. Columns:
// the reference S, S / S_ref - 1 of each method (S at its parameters with the exact model), the
// fast method's S relative to the classic chain's, and the milliseconds of each.
//
// Robust mode: the outlier family under robust weighting. For each case the distance (largest
// over the parameters, in standard errors of the outlier-free reference fit) from the engine's
// robust fit to the reference fit without the outlier rows, next to the distance of the plain
// least-squares optimum of all rows, and whether the robust weights at the outlier-free fit
// give every outlier row the floor weight (rej); and the distance of the engine's robust fit of
// the same data without outliers from their unweighted reference fit, and whether every row
// keeps its full weight at that reference fit (all).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_data.h"
#include "data_family.h"
#include "engine/core/global_types.h"
#include "engine/model/robust_weights.h"
#include "engine_run.h"
#include "reference_fit.h"

namespace velmor::testing {
namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Tally {
  int fits = 0, reach = 0, params = 0, determined = 0, se = 0, all = 0;
};

void survey_plain(const std::vector<FamilyCase>& cases, const std::string& only, bool verbose) {
  std::printf(
      "%-26s %s %12s %12s %9s %9s | %9s %7s | %9s %7s | %9s %7s | %6s %6s %6s | %4s %-7s %s\n",
      "case", "m", "engine S", "ref S", "excess", "S err", "Km rel", "se", "Vm rel", "se",
      "bkg rel", "se", "seKm", "seVm", "seBkg", "info", "verdict", "reference");
  Tally t;
  double engine_seconds = 0.0, reference_seconds = 0.0;
  for (const FamilyCase& c : cases) {
    if (!only.empty() && c.name.find(only) == std::string::npos) continue;
    for (const int model : c.models()) {
      auto start = std::chrono::steady_clock::now();
      const EngineFit e = run_engine(c.data, model, kNoWeighting);
      engine_seconds += seconds_since(start);
      start = std::chrono::steady_clock::now();
      const ReferenceFit ref = reference_fit(c.data, model, c.options);
      reference_seconds += seconds_since(start);
      // Judged by S at the engine's parameters; the engine's own S (its Lambert W converges to
      // about 1e-7) is shown beside it.
      const ModelParams engine_p{e.p[0], e.p[1], e.p[2]};
      const double true_ssq = reference_ssq(c.data, model, engine_p, c.options);
      const FitComparison cmp = compare_with_reference(ref, true_ssq, e.p, e.se);

      ++t.fits;
      t.reach += cmp.reaches_ssq;
      t.params += cmp.params_match;
      t.determined += ref.well_determined;
      t.se += ref.well_determined && cmp.se_match;
      const bool ok = cmp.reaches_ssq && cmp.params_match && (!ref.well_determined || cmp.se_match);
      t.all += ok;
      std::string verdict = ok ? "ok" : "";
      if (!cmp.reaches_ssq) verdict += "S";
      if (!cmp.params_match) verdict += verdict.empty() ? "p" : ",p";
      if (ref.well_determined && !cmp.se_match) verdict += verdict.empty() ? "se" : ",se";

      std::printf("%-26s %d %12.6g %12.6g %9.2e %9.2e", c.name.c_str(), model, true_ssq, ref.ssq,
                  cmp.ssq_excess, e.ssq / true_ssq - 1.0);
      for (int j = 0; j < 3; ++j) {
        if (j < ref.npar) {
          std::printf(" | %9.2e %7.2f", cmp.rel_error[j], cmp.se_error[j]);
        } else {
          std::printf(" | %9s %7s", "", "");
        }
      }
      std::printf(" |");
      for (int j = 0; j < 3; ++j) {
        if (j < ref.npar) {
          std::printf(" %6.3f", cmp.se_ratio[j]);
        } else {
          std::printf(" %6s", "");
        }
      }
      std::printf(" | %4d %-7s %s%s%s\n", e.info, verdict.c_str(),
                  ref.well_determined ? "determined" : ref.note.c_str(),
                  e.refitted ? "; engine refitted" : "", e.messages > 0 ? "; engine messages" : "");
      if (verbose) {
        std::printf("  reference p %.10g %.10g %.10g se %.6g %.6g %.6g cond %.3g\n", ref.p.km,
                    ref.p.vm, ref.p.bkg, ref.se[0], ref.se[1], ref.se[2], ref.condition);
        std::printf("  engine    p %.10g %.10g %.10g se %.6g %.6g %.6g\n", e.p[0], e.p[1], e.p[2],
                    e.se[0], e.se[1], e.se[2]);
      }
    }
  }
  std::printf(
      "\n%d fits: %d reach the reference S x (1 + 1e-6); %d have every parameter within 1e-4 "
      "relative or 2%% of the reference se; %d of the %d well-determined have every se within "
      "2%%; %d pass all three (se only where well determined).\n",
      t.fits, t.reach, t.params, t.se, t.determined, t.all);
  std::printf("engine %.2f s, reference %.2f s\n", engine_seconds, reference_seconds);
}

void survey_fast(const std::vector<FamilyCase>& cases, const std::string& only, bool verbose) {
  std::printf("%-26s %s %12s %10s %10s %10s | %8s %8s\n", "case", "m", "ref S", "classic", "fast",
              "fast/cl-1", "cl ms", "fast ms");
  int fits = 0, fast_within = 0;
  double worst = 0.0, classic_seconds = 0.0, fast_seconds = 0.0;
  for (const FamilyCase& c : cases) {
    if (!only.empty() && c.name.find(only) == std::string::npos) continue;
    for (const int model : c.models()) {
      auto start = std::chrono::steady_clock::now();
      const EngineFit classic = run_engine(c.data, model, kNoWeighting, kClassicMethod);
      const double cs = seconds_since(start);
      start = std::chrono::steady_clock::now();
      const EngineFit fast = run_engine(c.data, model, kNoWeighting, kFastMethod);
      const double fs = seconds_since(start);
      classic_seconds += cs;
      fast_seconds += fs;
      const ReferenceFit ref = reference_fit(c.data, model, c.options);
      const auto exact = [&](const EngineFit& e) {
        return reference_ssq(c.data, model, ModelParams{e.p[0], e.p[1], e.p[2]}, c.options);
      };
      const double s_classic = exact(classic);
      const double s_fast = exact(fast);
      const double target = fast_method_target(ref, c.options, classic.p, s_classic);
      const double excess = target > 0.0 ? s_fast / target - 1.0 : s_fast;
      ++fits;
      fast_within += excess <= kFastMethodTolerance;
      worst = std::max(worst, excess);
      std::printf("%-26s %d %12.6g %10.2e %10.2e %10.2e | %8.2f %8.2f%s\n", c.name.c_str(), model,
                  ref.ssq, s_classic / ref.ssq - 1.0, s_fast / ref.ssq - 1.0,
                  s_fast / s_classic - 1.0, 1e3 * cs, 1e3 * fs,
                  excess <= kFastMethodTolerance ? "" : "  <--");
      if (verbose) {
        std::printf("  reference p %.10g %.10g %.10g\n", ref.p.km, ref.p.vm, ref.p.bkg);
        std::printf("  classic   p %.10g %.10g %.10g\n", classic.p[0], classic.p[1], classic.p[2]);
        std::printf("  fast      p %.10g %.10g %.10g\n", fast.p[0], fast.p[1], fast.p[2]);
      }
    }
  }
  std::printf(
      "\n%d fits: %d fast fits within 1e-8 of their target (the lower of the classic S and the "
      "reference S, see fast_method_target; worst %.2e); classic %.2f s, fast %.2f s\n",
      fits, fast_within, worst, classic_seconds, fast_seconds);
}

// Largest |a_j - b_j| / se_j over the parameters of the reference.
double distance_in_se(const std::array<double, 3>& a, const ReferenceFit& b) {
  double d = 0.0;
  for (int j = 0; j < b.npar; ++j) d = std::max(d, std::fabs(a[j] - b.value(j)) / b.se[j]);
  return d;
}

// The robust weights of the rows at p (the reference's model values).
std::vector<double> weights_at(const ProgressCurveData& data, int model, const ModelParams& p) {
  std::vector<double> r(data.nRows), w(data.nRows, 1.0);
  for (int i = 0; i < data.nRows; ++i)
    r[i] = data.Y[i] - model_value(model, data.X1[i], data.X2[i], p);
  robust_wt(r, w);
  return w;
}

void survey_robust(const std::vector<RobustCase>& cases, const std::string& only) {
  std::printf("%-22s %s %4s | %9s %9s %3s %6s | %9s %3s | %9s | %s\n", "case", "m", "out", "robust",
              "plain LS", "rej", "to rc", "clean", "all", "ref Km", "reference (outlier-free)");
  int fits = 0, within = 0, clean_within = 0;
  int rejecting = 0, rejecting_within = 0, keeping = 0, keeping_within = 0;
  for (const RobustCase& rc : cases) {
    const FamilyCase& c = rc.contaminated;
    if (!only.empty() && c.name.find(only) == std::string::npos) continue;
    for (const int model : c.models()) {
      const ReferenceFit target = reference_fit(c.data, model, rc.without_outliers());
      const ReferenceFit plain = reference_fit(c.data, model, c.options);
      const EngineFit robust = run_engine(c.data, model, kRobustWeighting);
      const double d = distance_in_se(robust.p, target);
      // Whether the weights at the outlier-free fit give every outlier row the floor weight:
      // only then can that fit be a robust fit.
      const std::vector<double> w = weights_at(c.data, model, target.p);
      bool rejects = true;
      for (const int i : rc.outlier_rows) rejects = rejects && w[i] <= 1e-6;

      const ReferenceFit clean_ref = reference_fit(rc.clean, model, c.options);
      const EngineFit clean = run_engine(rc.clean, model, kRobustWeighting);
      const double dc = distance_in_se(clean.p, clean_ref);
      // Whether every row keeps its full weight at the unweighted optimum of the clean data.
      const std::vector<double> wc = weights_at(rc.clean, model, clean_ref.p);
      const bool all_full = std::all_of(wc.begin(), wc.end(), [](double v) { return v == 1.0; });
      std::array<double, 3> plain_p{plain.p.km, plain.p.vm, plain.p.bkg};

      ++fits;
      within += d <= 1.5;
      clean_within += dc <= 0.5;
      rejecting += rejects;
      rejecting_within += rejects && d <= 1.5;
      keeping += all_full;
      keeping_within += all_full && dc <= 0.5;
      // Where the weights set aside an ordinary row as well, the robust fit of the clean rows is
      // what the contaminated data's robust fit can reach at best.
      double to_clean = 0.0;
      for (int j = 0; j < target.npar; ++j)
        to_clean = std::max(to_clean, std::fabs(robust.p[j] - clean.p[j]) / target.se[j]);
      std::printf("%-22s %d %4zu | %9.2f %9.2f %3s %6.2f | %9.2f %3s | %9.4g | %s\n",
                  c.name.c_str(), model, rc.outlier_rows.size(), d, distance_in_se(plain_p, target),
                  rejects ? "yes" : "no", to_clean, dc, all_full ? "yes" : "no", target.p.km,
                  target.well_determined ? "determined" : target.note.c_str());
    }
  }
  std::printf(
      "\n%d fits: %d robust fits within 1.5 se of the outlier-free reference; %d robust fits of "
      "the data without outliers within 0.5 se of their unweighted reference.\n",
      fits, within, clean_within);
  std::printf(
      "rej: the weights at the outlier-free reference give every outlier row the floor weight "
      "in %d fits, %d of them within 1.5 se; all: every row keeps its full weight at the "
      "unweighted optimum of the clean data in %d fits, %d of them within 0.5 se.\n",
      rejecting, rejecting_within, keeping, keeping_within);
}

}  // namespace
}  // namespace velmor::testing

int main(int argc, char** argv) {
  using namespace velmor::testing;
  std::string only;
  bool robust = false;
  bool verbose = false;
  bool fast = false;
  int seeds = 4;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else if (std::strcmp(argv[i], "--verbose") == 0) {
      verbose = true;
    } else if (std::strcmp(argv[i], "--fast") == 0) {
      fast = true;
    } else if (std::strcmp(argv[i], "--robust") == 0) {
      robust = true;
    } else if (std::strcmp(argv[i], "--seeds") == 0 && i + 1 < argc) {
      seeds = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: fit_survey [--only TEXT] [--verbose] [--fast] [--robust [--seeds N]]\n");
      return 2;
    }
  }
  if (robust) {
    survey_robust(robust_family(seeds), only);
    return 0;
  }
  std::vector<FamilyCase> cases = generated_family();
  const FamilyCase example = example_case(velmor::bench::example_path());
  cases.push_back(example);
  for (FamilyCase& c : unit_family(example, basic_substrate_case())) cases.push_back(std::move(c));
  FamilyCase big;
  big.name = "bench_1000_rows";
  big.data = velmor::bench::generated_1000_rows();
  big.truth = {velmor::bench::kGeneratedKm, velmor::bench::kGeneratedVm, 0.0};
  cases.push_back(big);
  if (fast) {
    survey_fast(cases, only, verbose);
  } else {
    survey_plain(cases, only, verbose);
  }
  return 0;
}
