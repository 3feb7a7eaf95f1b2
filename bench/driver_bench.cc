// SPDX-License-Identifier: MIT
// Speed of whole runs: the batch mode on the example (all four models) and on the generated
// 1000-row file (models 1 and 2, and all four), statistics, breakpoints and report included, by
// the classic chain, by the fast method and with robust weighting; and one model's fit with the
// evaluations and time of each stage as counters (averaged over the iterations, so that
// repetitions give their spread).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "app/batch/batch_run.h"
#include "bench_data.h"
#include "engine/core/console_host.h"
#include "engine/driver/fast_fit.h"
#include "engine/driver/model_fit.h"
#include "engine/driver/model_run.h"
#include "engine/model/model_objective.h"

namespace velmor {
namespace {

namespace fs = std::filesystem;

enum DataCase { kExample = 0, kGenerated = 1 };

// The data file of a case, in a folder of its own so the report lands beside it.
std::string case_file(DataCase which) {
  const std::string name = which == kExample ? "example" : "generated";
  const fs::path dir = fs::temp_directory_path() / ("velmor_bench_" + name);
  fs::create_directories(dir);
  std::string path = (dir / "DATA.IN").string();
  bench::write_data_file(path,
                         which == kExample ? bench::example_data() : bench::generated_1000_rows());
  return path;
}

ProgressCurveData case_data(DataCase which) {
  return which == kExample ? bench::example_data() : bench::generated_1000_rows();
}

// Arguments: the data case, 2 for models 1 and 2 or 4 for all four, 1 for the fast method, 1
// for robust weighting.
void BM_BatchRun(benchmark::State& bench) {
  app::CommandLine cl;
  cl.mode = app::CommandLine::Mode::kBatch;
  cl.inputs = {case_file(static_cast<DataCase>(bench.range(0)))};
  if (bench.range(1) == 2) cl.models = {1, 1, 0, 0};
  cl.fast = bench.range(2) == 1;
  cl.robust = bench.range(3) == 1;
  for (auto _ : bench) {
    std::ostringstream out, err;
    if (app::run_batch(cl, out, err) != 0) bench.SkipWithError("the run did not complete");
  }
}
BENCHMARK(BM_BatchRun)
    ->Args({kExample, 4, 0, 0})
    ->Args({kGenerated, 2, 0, 0})
    ->Args({kGenerated, 4, 0, 0})
    ->Args({kExample, 4, 1, 0})
    ->Args({kGenerated, 2, 1, 0})
    ->Args({kExample, 4, 0, 1})
    ->Args({kGenerated, 4, 0, 1})
    ->ArgNames({"generated", "models", "fast", "robust"})
    ->Unit(benchmark::kMillisecond);

// One model's fit by the classic chain (fast: 0, with robust weighting where robust: 1) or the
// fast method (fast: 1), on the internal units of run_model; the counters give each stage's
// objective evaluations and milliseconds, and the robust fit's reweightings.
void BM_ModelFit(benchmark::State& bench) {
  const ModelId model = static_cast<ModelId>(bench.range(0));
  const RunData run(case_data(static_cast<DataCase>(bench.range(1))));
  const bool fast = bench.range(2) == 1;
  const int weighting = bench.range(3) == 1 ? kRobustWeighting : kNoWeighting;
  std::ostringstream sink;
  ConsoleHost host(sink);
  std::array<StageCost, kFitStageCount> total{};
  long reweightings = 0;
  for (auto _ : bench) {
    FitContext state;
    state.data = run.internal;
    state.nwt_global = weighting;
    state.imdlno = model;
    std::string name;
    state.npar = npar(model, name);
    state.strmdl = name;
    ModelObjective objective(state, host);
    const ModelFit fit = fast ? fit_model_fast(state, host, objective, run.scale)
                              : fit_model(state, host, objective, false, run.scale);
    for (int s = 0; s < kFitStageCount; ++s) {
      total[s].evaluations += fit.costs[s].evaluations;
      total[s].seconds += fit.costs[s].seconds;
    }
    reweightings += fit.reweightings;
  }
  for (int s = 0; s < kFitStageCount; ++s) {
    const std::string stage = kFitStageNames[s];
    bench.counters[stage + "_evals"] = benchmark::Counter(static_cast<double>(total[s].evaluations),
                                                          benchmark::Counter::kAvgIterations);
    bench.counters[stage + "_ms"] =
        benchmark::Counter(1e3 * total[s].seconds, benchmark::Counter::kAvgIterations);
  }
  bench.counters["reweightings"] =
      benchmark::Counter(static_cast<double>(reweightings), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ModelFit)
    ->ArgsProduct({{1, 2, 3, 4}, {kExample, kGenerated}, {0, 1}, {0}})
    ->ArgsProduct({{1, 2, 3, 4}, {kExample, kGenerated}, {0}, {1}})
    ->ArgNames({"model", "generated", "fast", "robust"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmor

BENCHMARK_MAIN();
