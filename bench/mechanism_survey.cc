// SPDX-License-Identifier: MIT
// mechanism_survey: simulated progress curves of known mechanism (competitive product inhibition,
// first-order enzyme inactivation, plain Michaelis-Menten), each fitted by the four models of its
// kind (product: 1, 2, 5, 7; substrate: 3, 4, 6, 8) as a run ranks them. A diagnostic, not a
// test: it prints one line per design and always exits 0.
//
//   mechanism_survey [--sets N] [--noise F] [--points N] [--reference K] [--fast] [--only TEXT]
//
// Per design: how often each model ranks first by AICc; how often the runs test of the residual
// signs flags (p < 0.05) the Michaelis-Menten model of the kind (1 or 3) and the generating
// model; how often the generating model's fit recovers Km, Vm and Kp or kinact within 10 % of
// the truth (and the median relative errors); and for the first K sets (--reference, default 5)
// the largest S / S_ref - 1 of the generating model's fit against the independent reference
// optimum (mechanism_reference.h).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/global_types.h"
#include "engine/stats/model_summary.h"
#include "engine_run.h"
#include "mechanism_data.h"
#include "mechanism_reference.h"

namespace velmor::testing {
namespace {

struct Design {
  std::string name;
  int model;  // the generating model (1 or 3: plain Michaelis-Menten)
  MechanismParams truth;
};

// Km 10 and Vm 1 in every design; [So] from half to eight times Km over 120 time units, where
// the largest [So] is about 80 % converted: Kp = 2 Km, or 40 % of the activity left at the end.
const std::vector<double> kSo = {5.0, 10.0, 20.0, 40.0, 80.0};
constexpr double kSpan = 120.0;

std::vector<Design> designs() {
  const double kinact = std::log(2.5) / kSpan;
  return {{"inhibition_p", 5, {10.0, 1.0, 20.0}},     {"inactivation_p", 7, {10.0, 1.0, kinact}},
          {"michaelis_p", 1, {10.0, 1.0, 0.0}},       {"inhibition_s", 6, {10.0, 1.0, 20.0}},
          {"inactivation_s", 8, {10.0, 1.0, kinact}}, {"michaelis_s", 3, {10.0, 1.0, 0.0}}};
}

double median(std::vector<double> v) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void survey(const Design& d, int sets, double noise, int points, int reference_sets, int method) {
  const bool product = d.model == 1 || d.model == 5 || d.model == 7;
  const std::vector<int> models =
      product ? std::vector<int>{1, 2, 5, 7} : std::vector<int>{3, 4, 6, 8};
  std::vector<double> times;
  times.reserve(static_cast<std::size_t>(points));
  for (int k = 0; k < points; ++k) times.push_back(kSpan * k / (points - 1));
  std::vector<int> first(9, 0);
  int km_ok = 0, vm_ok = 0, third_ok = 0, plain_flagged = 0, generating_flagged = 0;
  std::vector<double> km_err, vm_err, third_err;
  double worst_excess = -std::numeric_limits<double>::infinity();
  double seconds = 0.0;
  for (int set = 0; set < sets; ++set) {
    CurveDesign design;
    design.kind = product ? DataKind::kProduct : DataKind::kSubstrate;
    design.km = d.truth.km, design.vm = d.truth.vm, design.so = kSo, design.times = times;
    design.relative_noise = noise;
    design.seed = 1000003ull * (set + 1) + d.model;
    const Mechanism mechanism = d.model <= 4   ? Mechanism::kMichaelisMenten
                                : d.model <= 6 ? Mechanism::kProductInhibition
                                               : Mechanism::kInactivation;
    const ProgressCurveData data = mechanism_case(d.name, design, mechanism, d.truth.third).data;
    std::vector<FittedModel> compared;
    EngineFit generating;
    const auto start = std::chrono::steady_clock::now();
    for (const int model : models) {
      const EngineFit e = run_engine(data, model, kNoWeighting, method);
      compared.push_back(ranking_entry(e.report));
      if (model == d.model) generating = e;
      if (model == models.front()) plain_flagged += e.report.runs.p < 0.05;
    }
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::vector<SummaryRow> ranking = rank_models(compared);
    if (!ranking.empty()) ++first[ranking.front().model];
    generating_flagged += generating.report.runs.p < 0.05;

    const auto relative = [](double value, double truth) { return std::fabs(value / truth - 1.0); };
    km_err.push_back(relative(generating.p[0], d.truth.km));
    vm_err.push_back(relative(generating.p[1], d.truth.vm));
    km_ok += km_err.back() <= 0.1;
    vm_ok += vm_err.back() <= 0.1;
    if (d.model >= 5) {
      third_err.push_back(relative(generating.p[2], d.truth.third));
      third_ok += third_err.back() <= 0.1;
    }
    if (set < reference_sets && d.model >= 5) {
      const MechanismFit ref = reference_mechanism_fit(data, d.model);
      const double s =
          mechanism_ssq(data, d.model, {generating.p[0], generating.p[1], generating.p[2]});
      worst_excess = std::max(worst_excess, s / ref.ssq - 1.0);
    }
  }
  std::printf("%-15s %4d sets  first:", d.name.c_str(), sets);
  for (const int model : models) std::printf(" m%d %5.1f%%", model, 100.0 * first[model] / sets);
  std::printf(" | runs test flags m%d %5.1f%%", models.front(), 100.0 * plain_flagged / sets);
  if (d.model >= 5) std::printf(" m%d %5.1f%%", d.model, 100.0 * generating_flagged / sets);
  std::printf(" | model %d within 10%%: Km %5.1f%% Vm %5.1f%%", d.model, 100.0 * km_ok / sets,
              100.0 * vm_ok / sets);
  if (d.model >= 5)
    std::printf(" %s %5.1f%%", d.model <= 6 ? "Kp" : "kinact", 100.0 * third_ok / sets);
  std::printf(" | median rel. error Km %.3f Vm %.3f", median(km_err), median(vm_err));
  if (d.model >= 5) std::printf(" third %.3f", median(third_err));
  if (reference_sets > 0 && d.model >= 5) std::printf(" | S/S_ref-1 <= %.2e", worst_excess);
  std::printf(" | %.0f ms a set\n", 1000.0 * seconds / sets);
}

}  // namespace
}  // namespace velmor::testing

int main(int argc, char** argv) {
  int sets = 100;
  double noise = 0.01;
  int reference_sets = 5;
  int points = 13;
  int method = velmor::kClassicMethod;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--sets" && i + 1 < argc) {
      sets = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--noise" && i + 1 < argc) {
      noise = std::atof(argv[++i]);
    } else if (a == "--points" && i + 1 < argc) {
      points = std::clamp(std::atoi(argv[++i]), 5, 200);
    } else if (a == "--reference" && i + 1 < argc) {
      reference_sets = std::max(0, std::atoi(argv[++i]));
    } else if (a == "--fast") {
      method = velmor::kFastMethod;
    } else if (a == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: mechanism_survey [--sets N] [--noise F] [--points N] [--reference K] "
                   "[--fast] [--only TEXT]\n");
      return 2;
    }
  }
  std::printf("Km 10, Vm 1, [So] 5..80, %d points over 120, noise %.3g of the largest value\n",
              points, noise);
  for (const auto& d : velmor::testing::designs()) {
    if (!only.empty() && d.name.find(only) == std::string::npos) continue;
    velmor::testing::survey(d, sets, noise, points, reference_sets, method);
  }
  return 0;
}
