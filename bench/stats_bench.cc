// SPDX-License-Identifier: MIT
// Cost of the per-model statistics and of the breakpoint analysis at the data limits.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/core/fit_observer.h"
#include "engine/stats/breakpoint.h"
#include "engine/stats/parameter_statistics.h"

namespace {

class SilentHost : public velmor::FitObserver {
 public:
  void message(int, std::string_view) override {}
  void progress(const velmor::FitProgress&) override {}
  void model_fitted(const velmor::FittedData&) override {}
};

// stderrpar for 1000 rows and 3 parameters (the largest Jacobian a model produces).
void BM_Stderrpar(benchmark::State& state) {
  const int n = velmor::kMaxRows;
  const int p = 3;
  std::vector<double> jac(n * p);
  for (int k = 0; k < n; ++k) {
    const double t = 0.01 * (k + 1);
    jac[k] = std::exp(-t);
    jac[k + n] = t * std::exp(-t);
    jac[k + 2 * n] = 1.0;
  }
  SilentHost host;
  velmor::ParamMatrix work{};
  velmor::ParamMatrix corr{};
  velmor::ParamVector se{};
  velmor::ParamVector ci{};
  for (auto _ : state) {
    velmor::stderrpar(host, n, p, jac, n, work, 1.0, se, corr, ci);
    benchmark::DoNotOptimize(se);
  }
}
BENCHMARK(BM_Stderrpar);

// breakpoint over the data limits: 10 product curves of 100 points each.
void BM_BreakpointTenCurves(benchmark::State& state) {
  velmor::ProgressCurveData data;
  data.resize_rows(velmor::kMaxCurves * 100);
  int row = 0;
  for (int c = 0; c < velmor::kMaxCurves; ++c) {
    const double so = 5.0 * (c + 1);
    for (int i = 0; i < 100; ++i, ++row) {
      data.X1[row] = 0.5 * i;
      data.X2[row] = so;
      data.Y[row] = so * (1.0 - std::exp(-data.X1[row] / 12.0));
    }
    data.curveCount[data.nCurves++] = 100;
  }
  velmor::ParamVector p{};
  p[0] = 10.0;
  velmor::BreakpointTexts texts;
  for (auto _ : state) {
    velmor::breakpoint(data, 1, p, texts);
    benchmark::DoNotOptimize(texts);
  }
}
BENCHMARK(BM_BreakpointTenCurves)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
