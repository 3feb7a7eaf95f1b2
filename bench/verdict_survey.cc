// SPDX-License-Identifier: MIT
// verdict_survey: simulation studies of the fit's verdicts against a known truth. A diagnostic,
// not a test: it prints the rates and always exits 0.
//
//   verdict_survey [--sets N] [--first SEED] [--only coverage|runs]
//
// N data sets of each design (default 250), seeded first..first + N - 1 (default 1).
//
// Coverage: data of known Km and Vm with 2 % normal noise, fitted by model 1; the share of sets
// whose 95 % Wald limits (estimate +- t se) and whose profile-likelihood limits contain the
// true Km and Vm, in a design where Km is determined ([So] from Km/3 to 3 Km) and in a
// first-order one ([So] at most Km/15), where an open side counts as containing the truth.
// Runs test: the share of sets flagged (p < 0.05) among data of plain Michaelis-Menten kinetics
// (false alarms), of competitive product inhibition (Kp = 2 Km) and of enzyme inactivation (40 %
// of the activity left at the last time), integrated from their rate equations and fitted by
// model 1; with the Km model 1 then reports against the truth.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data_family.h"
#include "engine_run.h"
#include "mechanism_data.h"

namespace velmor::testing {
namespace {

struct Coverage {
  int sets = 0, wald_km = 0, profile_km = 0, wald_vm = 0, profile_vm = 0, undetermined = 0;
};

bool inside(double low, double value, double high) {
  return low <= value && value <= high;
}

CurveDesign determined_design() {
  CurveDesign d;
  d.kind = DataKind::kProduct;
  d.baseline_fraction = 0.0;
  d.km = 30.0, d.vm = 2.0, d.so = {10.0, 30.0, 90.0};
  for (int k = 0; k <= 10; ++k) d.times.push_back(4.0 * k);
  return d;
}

CurveDesign first_order_design() {
  CurveDesign d = determined_design();
  d.km = 300.0, d.vm = 20.0, d.so = {5.0, 10.0, 20.0};
  return d;
}

Coverage coverage(const CurveDesign& design, int sets, int first) {
  Coverage c;
  for (int seed = first; seed < first + sets; ++seed) {
    CurveDesign d = design;
    d.seed = static_cast<std::uint64_t>(seed);
    const FamilyCase data = generate_case("coverage", d);
    const ModelFit fit = run_engine(data.data, 1, kNoWeighting).report;
    ++c.sets;
    c.undetermined += fit.undetermined[0];
    c.wald_km += inside(fit.p[0] - fit.ci[0], d.km, fit.p[0] + fit.ci[0]);
    c.wald_vm += inside(fit.p[1] - fit.ci[1], d.vm, fit.p[1] + fit.ci[1]);
    c.profile_km += inside(fit.profile_low[0], d.km, fit.profile_high[0]);
    c.profile_vm += inside(fit.profile_low[1], d.vm, fit.profile_high[1]);
  }
  return c;
}

void print_coverage(const char* name, const Coverage& c) {
  const auto pct = [&](int k) { return 100.0 * k / c.sets; };
  std::printf(
      "%-12s %5d sets  Km: Wald %5.1f%%  profile %5.1f%%   Vm: Wald %5.1f%%  profile "
      "%5.1f%%   Km not determined %5.1f%%\n",
      name, c.sets, pct(c.wald_km), pct(c.profile_km), pct(c.wald_vm), pct(c.profile_vm),
      pct(c.undetermined));
}

void runs_study(int sets, int first) {
  CurveDesign d;
  d.km = 10.0, d.vm = 1.0, d.so = {10.0, 20.0, 40.0, 80.0}, d.relative_noise = 0.01;
  for (int k = 0; k <= 15; ++k) d.times.push_back(10.0 * k);
  const double kinact = -std::log(0.4) / d.times.back();
  const struct {
    const char* name;
    Mechanism mechanism;
    double extra;
  } kStudies[] = {{"Michaelis-Menten", Mechanism::kMichaelisMenten, 0.0},
                  {"product inhibition Kp = 2 Km", Mechanism::kProductInhibition, 2.0 * d.km},
                  {"inactivation, 40% left", Mechanism::kInactivation, kinact}};
  for (const auto& study : kStudies) {
    int flagged = 0, km_covered = 0;
    std::vector<double> km;
    for (int seed = first; seed < first + sets; ++seed) {
      d.seed = static_cast<std::uint64_t>(seed);
      const FamilyCase c = mechanism_case("runs", d, study.mechanism, study.extra);
      const ModelFit fit = run_engine(c.data, 1, kNoWeighting).report;
      flagged += fit.runs.p < 0.05;
      km_covered += inside(fit.profile_low[0], d.km, fit.profile_high[0]);
      km.push_back(fit.p[0]);
    }
    std::sort(km.begin(), km.end());
    std::printf(
        "%-30s %5d sets  flagged by the runs test %5.1f%%   model 1 Km median %.3g "
        "(truth %.3g), profile limits contain it %5.1f%%\n",
        study.name, sets, 100.0 * flagged / sets, km[km.size() / 2], d.km,
        100.0 * km_covered / sets);
  }
}

}  // namespace
}  // namespace velmor::testing

int main(int argc, char** argv) {
  int sets = 250;
  int first = 1;
  std::string only;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--sets") == 0) sets = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--first") == 0) first = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
  }
  using namespace velmor::testing;
  const auto start = std::chrono::steady_clock::now();
  if (only != "runs") {
    print_coverage("determined", coverage(determined_design(), sets, first));
    print_coverage("first order", coverage(first_order_design(), sets, first));
  }
  if (only != "coverage") runs_study(sets, first);
  std::printf("%.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return 0;
}
