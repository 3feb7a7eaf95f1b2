// Speed of whole runs: the batch mode with all four models (statistics, breakpoints and report
// included) and the optimiser chain of one model, with the evaluations and time of each stage.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "app/batch/batch_run.h"
#include "bench_data.h"
#include "engine/core/console_host.h"
#include "engine/driver/model_fit.h"
#include "engine/model/model_objective.h"

namespace velmor {
namespace {

namespace fs = std::filesystem;

// The data file of a case, in a folder of its own so the report lands beside it.
std::string case_file(const std::string& name, const ProgressCurveData& data) {
  const fs::path dir = fs::temp_directory_path() / ("velmor_bench_" + name);
  fs::create_directories(dir);
  const std::string path = (dir / "DATA.IN").string();
  bench::write_data_file(path, data);
  return path;
}

ProgressCurveData case_data(int which) {
  return which == 0 ? bench::example_data() : bench::generated_1000_rows();
}

// Arguments: the data (0 the example, 1 the 1000-row set) and the weighting (1 robust).
void BM_BatchRunAllModels(benchmark::State& bench) {
  const std::string path = case_file(bench.range(0) == 0 ? "example" : "generated",
                                     case_data(static_cast<int>(bench.range(0))));
  app::CommandLine cl;
  cl.mode = app::CommandLine::Mode::kBatch;
  cl.inputs = {path};
  cl.robust = bench.range(1) != 0;
  for (auto _ : bench) {
    std::ostringstream out, err;
    if (app::run_batch(cl, out, err) != 0) bench.SkipWithError("the run did not complete");
  }
}
BENCHMARK(BM_BatchRunAllModels)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"generated", "robust"})
    ->Unit(benchmark::kMillisecond);

// One model's chain; the counters give each stage's objective evaluations and milliseconds.
// Arguments: the model, the data (0 the example, 1 the 1000-row set) and the weighting (1
// robust).
void BM_ModelChain(benchmark::State& bench) {
  const ModelId model = static_cast<ModelId>(bench.range(0));
  const ProgressCurveData data = case_data(static_cast<int>(bench.range(1)));
  const int weighting = bench.range(2) != 0 ? kRobustWeighting : kNoWeighting;
  std::ostringstream sink;
  ConsoleHost host(sink);
  ModelFit last;
  for (auto _ : bench) {
    RunState state;
    state.data = data;
    state.nwt_global = weighting;
    state.imdlno = model;
    std::string name;
    state.npar = npar(model, name);
    state.strmdl = name;
    ModelObjective objective(state, host);
    last = fit_model(state, host, objective, false);
  }
  for (int s = 0; s < kFitStageCount; ++s) {
    bench.counters[std::string(kFitStageNames[s]) + "_evals"] =
        static_cast<double>(last.costs[s].evaluations);
    bench.counters[std::string(kFitStageNames[s]) + "_ms"] = 1e3 * last.costs[s].seconds;
  }
  bench.counters["ssq"] = last.stage2_ssq;
  bench.counters["reweightings"] = last.reweightings;
}
BENCHMARK(BM_ModelChain)
    ->ArgsProduct({{1, 2, 3, 4}, {0, 1}, {0, 1}})
    ->ArgNames({"model", "generated", "robust"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmor

BENCHMARK_MAIN();
