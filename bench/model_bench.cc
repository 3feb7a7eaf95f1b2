// SPDX-License-Identifier: MIT
// Speed of the model layer: the Lambert W routine, one f-only objective evaluation over 27 and
// 1000 rows, and the first fit stage (initial estimates then the simplex, run as the fit driver
// runs it) on examples/DATA.IN and on a generated 1000-row, 10-curve file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench_data.h"
#include "engine/core/console_host.h"
#include "engine/core/global_types.h"
#include "engine/core/machine_constants.h"
#include "engine/model/derivatives.h"
#include "engine/model/initial_estimates.h"
#include "engine/model/kinetic_models.h"
#include "engine/model/lambert_w.h"
#include "engine/model/model_objective.h"
#include "engine/model/simplex.h"

namespace velmor {
namespace {

// A fresh fit context over the given data.
FitContext fresh_state(const ProgressCurveData& data, ModelId model) {
  FitContext state;
  state.data = data;
  state.imdlno = model;
  std::string name;
  state.npar = npar(model, name);
  return state;
}

// The z = (So/Km) exp((So - Vm t)/Km) of every generated row at parameters around the fit
// (Km from 2.5 to 250): from below 1e-15 up to about 1e20.
std::vector<double> realistic_arguments() {
  const ProgressCurveData data = bench::generated_1000_rows();
  std::vector<double> z;
  for (const double km : {2.5, 10.0, 25.0, 80.0, 250.0}) {
    for (int i = 0; i < data.nRows; ++i) {
      const double so = data.X2[i];
      z.push_back(so / km * std::exp((so - bench::kGeneratedVm * data.X1[i]) / km));
    }
  }
  return z;
}

void BM_Omegw(benchmark::State& bench) {
  const std::vector<double> z = realistic_arguments();
  for (auto _ : bench) {
    for (const double x : z) benchmark::DoNotOptimize(omegw(x));
  }
  // Calls (in units of 1e-9) per second, inverted: nanoseconds per call.
  bench.counters["ns_per_call"] = benchmark::Counter(
      static_cast<double>(z.size()) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Omegw);

// One unweighted evaluation of model 1 (the objective's value) near the optimum: on the example
// (27 rows) and on the generated file (1000 rows). The points go round eight Km, more than the
// objective keeps W for, so every evaluation computes W. Wall time: large data share the rows
// with a helper thread.
void BM_ObjectiveValue(benchmark::State& bench) {
  const bool example = bench.range(0) == 27;
  FitContext state = fresh_state(example ? bench::example_data() : bench::generated_1000_rows(), 1);
  ConsoleHost host(std::cerr);
  ModelObjective objective(state, host);
  constexpr int kPoints = 8;
  std::array<ParamVector, kPoints> points{};
  for (int k = 0; k < kPoints; ++k) {
    points[k][0] = (0.9 + 0.025 * k) * (example ? 8.378 : bench::kGeneratedKm);
    points[k][1] = 1.1 * (example ? 0.3555 : bench::kGeneratedVm);
  }
  int k = 0;
  for (auto _ : bench) {
    benchmark::DoNotOptimize(objective.value(2, points[k]));
    k = (k + 1) % kPoints;
  }
}
BENCHMARK(BM_ObjectiveValue)->Arg(27)->Arg(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// init_estimates, then the simplex twice (50 then 25 iterations, scale halved), keeping the
// better point, as the fit driver's first stage does.
double stage_one(FitContext& state) {
  ConsoleHost host(std::cerr);
  ModelObjective objective(state, host);
  ParamVector p{};
  init_estimates(objective, state, p);
  double squares = 0.0, largest = p[0];
  for (int j = 0; j < state.npar - 1; ++j) {
    squares += p[j] * p[j];
    largest = std::max(largest, p[j]);
  }
  double scale = 0.5 * std::sqrt(squares / (state.npar - 1)) / largest;
  ParamVector best = p;
  double best_f = objective.value(state.npar, p);
  int max_iter = 100;
  for (int call = 0; call < 2; ++call) {
    max_iter /= 2;
    double f = 0.0;
    simplex(objective, state, state.npar, p, f, kTol, scale, max_iter);
    scale /= 2.0;
    if (f <= best_f) {
      best = p;
      best_f = f;
    } else {
      p = best;
    }
  }
  return best_f;
}

void BM_StageOneDataIn(benchmark::State& bench) {
  const ProgressCurveData data = bench::example_data();
  const auto model = static_cast<ModelId>(bench.range(0));
  for (auto _ : bench) {
    FitContext state = fresh_state(data, model);
    benchmark::DoNotOptimize(stage_one(state));
  }
}
BENCHMARK(BM_StageOneDataIn)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

void BM_StageOneGenerated1000Rows(benchmark::State& bench) {
  const ProgressCurveData data = bench::generated_1000_rows();
  const auto model = static_cast<ModelId>(bench.range(0));
  for (auto _ : bench) {
    FitContext state = fresh_state(data, model);
    benchmark::DoNotOptimize(stage_one(state));
  }
}
BENCHMARK(BM_StageOneGenerated1000Rows)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmor

BENCHMARK_MAIN();
